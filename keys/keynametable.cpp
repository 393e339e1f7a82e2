#include "keys/keynametable.h"

namespace {

// Byte-string order: unsigned bytes, and a name that is a prefix of another
// comes first. std::string_view's own comparison would do the same, but the
// search must not depend on how char is signed, so it is spelled out.
constexpr int CompareNames(std::string_view Left, std::string_view Right)
{
    const size_t Common = Left.size() < Right.size() ? Left.size() : Right.size();
    for (size_t i = 0; i < Common; ++i) {
        const auto L = static_cast<unsigned char>(Left[i]);
        const auto R = static_cast<unsigned char>(Right[i]);
        if (L != R)
            return L < R ? -1 : 1;
    }
    if (Left.size() == Right.size())
        return 0;
    return Left.size() < Right.size() ? -1 : 1;
}

constexpr std::array<TKeyNameEntry, 41> Entries{{
    {"BACKSPACE", 0x08}, {"BKSP", 0x08},   {"BREAK", 0x03},      {"BS", 0x08},
    {"CAPSLOCK", 0x14},  {"CLEAR", 0x0C},  {"DEL", 0x2E},        {"DELETE", 0x2E},
    {"DOWN", 0x28},      {"END", 0x23},    {"ENTER", 0x0D},      {"ESC", 0x1B},
    {"ESCAPE", 0x1B},    {"F1", 0x70},     {"F10", 0x79},        {"F11", 0x7A},
    {"F12", 0x7B},       {"F13", 0x7C},    {"F14", 0x7D},        {"F15", 0x7E},
    {"F16", 0x7F},       {"F2", 0x71},     {"F3", 0x72},         {"F4", 0x73},
    {"F5", 0x74},        {"F6", 0x75},     {"F7", 0x76},         {"F8", 0x77},
    {"F9", 0x78},        {"HELP", 0x2F},   {"HOME", 0x24},       {"INS", 0x2D},
    {"LEFT", 0x25},      {"NUMLOCK", 0x90}, {"PGDN", 0x22},      {"PGUP", 0x21},
    {"PRTSC", 0x2A},     {"RIGHT", 0x27},  {"SCROLLLOCK", 0x91}, {"TAB", 0x09},
    {"UP", 0x26},
}};

constexpr bool StrictlySorted()
{
    for (size_t i = 1; i < Entries.size(); ++i)
        if (CompareNames(Entries[i - 1].Name, Entries[i].Name) >= 0)
            return false;
    return true;
}
static_assert(StrictlySorted(), "the binary search needs the names in byte order");

} // namespace

const std::array<TKeyNameEntry, 41> KeyNameTable = Entries;

int FindKeyName(std::string_view Name)
{
    int Low = 0;
    int High = static_cast<int>(KeyNameTable.size()) - 1;
    while (Low <= High) {
        const int Middle = Low + (High - Low) / 2;
        const int Order = CompareNames(Name, KeyNameTable[Middle].Name);
        if (Order == 0)
            return Middle;
        if (Order < 0)
            High = Middle - 1;
        else
            Low = Middle + 1;
    }
    return -1;
}
