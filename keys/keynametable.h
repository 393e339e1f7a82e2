#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>

// The names a script may give in braces, with their virtual keys, and the set
// of keys whose events carry the extended-key flag.

struct TKeyNameEntry {
    std::string_view Name;
    uint8_t VirtualKey;
};

// Sorted by name as byte strings, so that a binary search finds every entry;
// keynametable.cpp checks the order at compile time.
extern const std::array<TKeyNameEntry, 41> KeyNameTable;

// Index into KeyNameTable of the entry with exactly this name, or -1. The name
// is compared byte by byte as unsigned numbers; a prefix sorts first.
int FindKeyName(std::string_view Name);

// A set of virtual keys, one bit for each of the 256 codes.
class TVirtualKeySet {
public:
    constexpr TVirtualKeySet(std::initializer_list<uint8_t> Keys)
    {
        for (uint8_t Key : Keys)
            bits_[Key / 64] |= uint64_t{1} << (Key % 64);
    }
    constexpr bool Contains(uint8_t Key) const { return (bits_[Key / 64] >> (Key % 64)) & 1; }

private:
    std::array<uint64_t, 4> bits_{};
};

// Page Up to Down (33 to 40), Insert (45) and Delete (46).
inline constexpr TVirtualKeySet ExtendedKeySet{0x21, 0x22, 0x23, 0x24, 0x25, 0x26,
                                              0x27, 0x28, 0x2D, 0x2E};
