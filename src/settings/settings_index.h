// The settings text's section index: its header lines, and a hash table over their names.
#pragma once

#include <cstdint>

#include "app/platform.h"
#include "settings/settings_text.h"

namespace dt {

// Where a section was found; offsets into the text.
struct SectionPlace {
    uint32_t header;  // the header's '['
    uint32_t body;    // just after the header's CR LF
    uint32_t end;     // the next header's '[' or the text's end
};

// Section lookups go through a hash table of the header lines, which the load lists and edits
// keep listed; the table is built on the first lookup after a load or after a section was added
// or removed. Without memory for it, lookups search the text.
class SectionIndex : public HeaderListener {
  public:
    SectionIndex() = default;
    ~SectionIndex() override;
    SectionIndex(const SectionIndex&) = delete;
    SectionIndex& operator=(const SectionIndex&) = delete;

    // Forgets every header line and frees the table.
    void Drop();
    // A load lists the header lines as normalisation keeps them, between these two calls.
    void BeginListing();
    void EndListing();
    void Kept(uint32_t at) override;
    void TakenBack() override;

    // Edits tell the index what they did to the text. An edit inside a section that moved the
    // text from `at` on by `delta` bytes:
    void Shifted(uint32_t at, int64_t delta);
    // A header line added at the end of the text:
    void Appended(uint32_t at);
    // The header line at `at` about to be removed with its section (a removal never fails):
    void Removed(uint32_t at);
    // Anything else: the header lines are listed anew at the next lookup.
    void Forget();

    // Off, every lookup searches the text from its start; the fuzzers check that both ways find
    // the same. Edits keep the index up to date while it is off.
    void Use(bool on) { use_ = on; }

    // Finds the first header line "[name]" CR LF of `text` (without its NUL). *error is 8 when
    // out of memory, else 0.
    bool Find(const char* text, uint32_t length, TextSpan name, SectionPlace* place,
              SysError* error);

  private:
    bool Build(const char* text, uint32_t length);
    bool Push(uint32_t at);
    // Where the header at `at` is in headers_, or headerCount_.
    uint32_t Ordinal(uint32_t at) const;

    bool use_ = true;
    bool listing_ = false;         // a load is listing, and no push failed yet
    bool listed_ = false;          // headers_ lists every header line of the text
    bool built_ = false;           // and slots_ is built from it
    uint32_t* headers_ = nullptr;  // offsets of the header lines, in text order
    uint32_t headerCount_ = 0;
    uint32_t headerRoom_ = 0;
    uint32_t* slots_ = nullptr;  // hash table: 1 + index into headers_ of a name's first header
    uint32_t slotCount_ = 0;     // a power of two, or 0
};

}  // namespace dt
