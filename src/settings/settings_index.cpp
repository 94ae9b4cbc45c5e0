// The settings text's section index: its header lines, and a hash table over their names.
#include "settings/settings_index.h"

#include <cstdlib>
#include <cstring>

#include "app/ascii.h"

namespace dt {
namespace {

// A section name that could match across lines, which no stored name can.
bool CrossesLines(TextSpan name) { return Contains(name, "\r\n"); }

// A hash that names equal but for the case of ASCII letters share: bit 5 of every byte is set
// before mixing, eight bytes at a time.
uint32_t HashName(const char* name, uint32_t length) {
    constexpr uint64_t kFold = 0x2020202020202020ull;
    uint64_t hash = length * 0x9e3779b97f4a7c15ull;
    auto mix = [&hash](uint64_t word) {
        hash = (hash ^ (word | kFold)) * 0xbf58476d1ce4e5b9ull;
        hash ^= hash >> 31;
    };
    uint32_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t word;
        std::memcpy(&word, name + i, 8);
        mix(word);
    }
    if (i < length) {
        uint64_t word = 0;
        std::memcpy(&word, name + i, length - i);
        mix(word);
    }
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

// The search without the index: the first "[name]" CR LF that starts a line.
bool SearchSection(const char* text, uint32_t length, TextSpan name, SectionPlace* place,
                   SysError* error) {
    Pattern pattern("[", name, "]\r\n");
    if (!pattern.Ok()) {
        *error = kErrorNotEnoughMemory;
        return false;
    }
    uint32_t from = 0;
    while (from < length) {
        int64_t at =
            FindNoCase(text + from, length - from, pattern.Data(), pattern.Length(), length - from);
        if (at < 0) return false;
        uint32_t header = from + static_cast<uint32_t>(at);
        if (header == 0 || (header >= 2 && text[header - 2] == '\r' && text[header - 1] == '\n')) {
            place->header = header;
            place->body = header + pattern.Length();
            uint32_t next = place->body >= 2 ? place->body - 2 : 0;
            uint32_t end = length;
            for (;;) {
                next = FindLineBreak(text, next, length);
                if (next >= length) break;
                if (next + 2 < length && text[next + 2] == '[') {
                    end = next + 2;
                    break;
                }
                next += 2;
            }
            place->end = end;
            return true;
        }
        from = header + 1;
    }
    return false;
}

}  // namespace

SectionIndex::~SectionIndex() { Drop(); }

void SectionIndex::Drop() {
    std::free(headers_);
    std::free(slots_);
    headers_ = nullptr;
    slots_ = nullptr;
    headerCount_ = headerRoom_ = slotCount_ = 0;
    listed_ = built_ = false;
}

void SectionIndex::BeginListing() {
    headerCount_ = 0;
    listing_ = true;
}

void SectionIndex::EndListing() {
    listed_ = listing_;
    listing_ = false;
}

void SectionIndex::Kept(uint32_t at) {
    if (listing_) listing_ = Push(at);
}

void SectionIndex::TakenBack() {
    if (headerCount_) --headerCount_;
}

void SectionIndex::Forget() { listed_ = built_ = false; }

void SectionIndex::Shifted(uint32_t at, int64_t delta) {
    if (!listed_) return;
    for (uint32_t i = Ordinal(at); i < headerCount_; ++i) {
        headers_[i] = static_cast<uint32_t>(headers_[i] + delta);
    }
}

void SectionIndex::Appended(uint32_t at) {
    // Its name was not there, so no earlier header hides it, but the table is made anew rather
    // than grown here.
    if (listed_ && !Push(at)) listed_ = false;
    built_ = false;
}

void SectionIndex::Removed(uint32_t at) {
    built_ = false;
    if (!listed_) return;
    const uint32_t ordinal = Ordinal(at);
    if (ordinal == headerCount_ || headers_[ordinal] != at) {
        listed_ = false;  // cannot happen; the list is made anew
        return;
    }
    // A later header of the same name may now be found.
    std::memmove(headers_ + ordinal, headers_ + ordinal + 1,
                 sizeof(uint32_t) * uint64_t{headerCount_ - ordinal - 1});
    --headerCount_;
}

bool SectionIndex::Push(uint32_t at) {
    if (headerCount_ == headerRoom_) {
        uint32_t room = headerRoom_ ? headerRoom_ * 2 : 64;
        void* grown = room > headerRoom_ ? std::realloc(headers_, sizeof(uint32_t) * uint64_t{room})
                                         : nullptr;
        if (!grown) return false;
        headers_ = static_cast<uint32_t*>(grown);
        headerRoom_ = room;
    }
    headers_[headerCount_++] = at;
    return true;
}

bool SectionIndex::Build(const char* text, uint32_t length) {
    built_ = false;
    if (!listed_) {
        // Every line that starts with '[' is a header: a key never does.
        headerCount_ = 0;
        if (length > 0 && text[0] == '[' && !Push(0)) return false;
        for (uint32_t from = 1; from < length;) {
            const void* hit = std::memchr(text + from, '[', length - from);
            if (!hit) break;
            uint32_t at = static_cast<uint32_t>(static_cast<const char*>(hit) - text);
            if (text[at - 1] == '\n' && !Push(at)) return false;
            from = at + 1;
        }
        listed_ = true;
    }

    uint32_t slots = 16;
    while (slots < 2 * uint64_t{headerCount_}) slots *= 2;
    if (slots != slotCount_) {
        std::free(slots_);
        slotCount_ = 0;
        slots_ = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) * uint64_t{slots}));
        if (!slots_) return false;
        slotCount_ = slots;
    }
    std::memset(slots_, 0, sizeof(uint32_t) * uint64_t{slotCount_});
    const uint32_t mask = slotCount_ - 1;
    for (uint32_t i = 0; i < headerCount_; ++i) {
        const char* name = text + headers_[i] + 1;
        const void* close = std::memchr(name, ']', length - headers_[i] - 1);
        if (!close) continue;
        uint32_t nameLength = static_cast<uint32_t>(static_cast<const char*>(close) - name);
        // Only the first of equal names is ever found.
        for (uint32_t slot = HashName(name, nameLength) & mask;; slot = (slot + 1) & mask) {
            if (slots_[slot] == 0) {
                slots_[slot] = i + 1;
                break;
            }
            const char* other = text + headers_[slots_[slot] - 1] + 1;
            if (other[nameLength] == ']' && EqualNoCase(other, name, nameLength)) break;
        }
    }
    built_ = true;
    return true;
}

uint32_t SectionIndex::Ordinal(uint32_t at) const {
    uint32_t low = 0, high = headerCount_;
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        if (headers_[middle] < at) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

bool SectionIndex::Find(const char* text, uint32_t length, TextSpan name, SectionPlace* place,
                        SysError* error) {
    *error = 0;
    if (CrossesLines(name)) return false;
    if (!use_ || (!built_ && !Build(text, length))) {
        return SearchSection(text, length, name, place, error);
    }
    const uint32_t mask = slotCount_ - 1;
    for (uint32_t slot = HashName(name.data, name.length) & mask; slots_[slot] != 0;
         slot = (slot + 1) & mask) {
        const uint32_t i = slots_[slot] - 1;
        const uint32_t at = headers_[i];
        // The whole header line "[name]" CR LF, as the search without the index matches it.
        if (uint64_t{at} + name.length + 4 > length) continue;
        const char* line = text + at;
        if (line[name.length + 1] != ']' || line[name.length + 2] != '\r' ||
            line[name.length + 3] != '\n' || !EqualNoCase(line + 1, name.data, name.length)) {
            continue;
        }
        place->header = at;
        place->body = at + name.length + 4;
        place->end = i + 1 < headerCount_ ? headers_[i + 1] : length;
        return true;
    }
    return false;
}

}  // namespace dt
