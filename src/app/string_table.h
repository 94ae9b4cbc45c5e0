// The string table as data, for the native build where there are no resources.
#pragma once

namespace dt {
struct StringTableRow {
    int id;
    const char* text;
};
extern const StringTableRow kStringTable[];
extern const int kStringTableSize;
}  // namespace dt
