#include "presets/tuning_reader.h"

#include <cstring>

namespace sorvella {

namespace {

constexpr std::size_t kLineBuffer = 512;  // lines are read in pieces of up to 511 characters
// Far beyond any musical use, and small enough that every note frequency stays finite.
constexpr long kMaxAbsCents = 50000;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A signed decimal integer as scanf's %d reads it (leading white space skipped), refused when it
// runs beyond the range of cents we accept.
const char* parseInt(const char* s, long& out) {
    while (isSpace(*s))
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    if (*s < '0' || *s > '9') return nullptr;
    long value = 0;
    while (*s >= '0' && *s <= '9') {
        value = value * 10 + (*s++ - '0');
        if (value > 1000000000L) return nullptr;
    }
    out = negative ? -value : value;
    return s;
}

// Matches "ote %d=%d" against the text after the line's first character.
bool matchNoteLine(const char* line, long& note, long& cents) {
    if (line[0] == 0) return false;
    const char* s = line + 1;
    if (std::strncmp(s, "ote", 3) != 0) return false;
    s = parseInt(s + 3, note);
    if (!s || *s != '=') return false;
    return parseInt(s + 1, cents) != nullptr;
}

}  // namespace

int readTuningEntries(std::FILE* file, float* cents) {
    char line[kLineBuffer];
    bool inSection = false;
    int counted = 0;
    while (std::fgets(line, sizeof line, file)) {
        if (!inSection) {
            inSection = std::strncmp(line, "[Tuning]", 8) == 0;
            continue;
        }
        if (line[0] == ';') continue;
        long note = 0;
        long value = 0;
        if (!matchNoteLine(line, note, value)) continue;
        if (note < 0 || note >= kTuningNotes || value < -kMaxAbsCents || value > kMaxAbsCents) {
            continue;
        }
        cents[note] = static_cast<float>(value);
        ++counted;
    }
    return counted;
}

}  // namespace sorvella
