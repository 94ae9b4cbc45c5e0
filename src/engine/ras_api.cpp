// The process-wide Remote Access Service, replaceable by tests.
#include "engine/ras_api.h"

namespace dt {

RasApi& DefaultRas();

namespace {
RasApi* g_ras = nullptr;
}  // namespace

RasApi& Ras() { return g_ras ? *g_ras : DefaultRas(); }
void SetRas(RasApi* ras) { g_ras = ras; }

}  // namespace dt
