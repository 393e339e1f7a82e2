#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// A keyboard layout as the keyboard platform needs it: which key and shift
// state type each character of a script (what VkKeyScanA answers), the set-1
// scan code of each virtual key (what MapVirtualKeyA answers), and, the other
// way round, which character a key types under a shift state, so that the
// in-application platform can turn key events back into text.
//
// Shift states are the high byte of VkKeyScanA's answer: bit 0 Shift, bit 1
// Ctrl, bit 2 Alt. AltGr is Ctrl+Alt. Dead keys are taken as typing their
// character at once.
class TKeyboardLayout {
public:
    static constexpr uint16_t NoKey = 0xFFFF;
    static constexpr unsigned ShiftState = 1;
    static constexpr unsigned CtrlState = 2;
    static constexpr unsigned AltState = 4;
    static constexpr unsigned AltGrState = CtrlState | AltState;

    // US (QWERTY) and French (AZERTY).
    static const TKeyboardLayout &UnitedStates();
    static const TKeyboardLayout &French();

    // The layout for a locale name such as "fr_FR", "fr-FR" or
    // "fr_FR.UTF-8": French for French as written in France or Monaco (and
    // "fr" with no territory), US for everything else. Other French-speaking
    // countries use layouts of their own (Canadian QWERTY, Swiss QWERTZ,
    // Belgian AZERTY) that neither table matches well, and US is the
    // documented fallback.
    static const TKeyboardLayout &ForLocaleName(std::string_view LocaleName);

    const std::string &Name() const { return name_; }

    // Key and shift state typing the 8-bit character, or NoKey. Only ASCII
    // characters are typed: a byte of a multi-byte UTF-8 sequence is not a
    // character on its own, so no key produces it.
    uint16_t VkKeyScan(unsigned char Character) const { return keyOfCharacter_[Character]; }
    uint8_t ScanCode(uint8_t VirtualKey) const { return scanCodes_[VirtualKey]; }
    // The character the key types under the shift state (bits 0 to 2), or 0.
    char32_t Character(uint8_t VirtualKey, unsigned State) const
    {
        return characterOfKey_[State & 7][VirtualKey];
    }

    // One physical key: its virtual key, scan code and the characters it types
    // alone, with Shift, with Ctrl and with AltGr (0 for none).
    struct KeyRow {
        uint8_t VirtualKey;
        uint8_t ScanCode;
        char32_t Plain = 0;
        char32_t Shifted = 0;
        char32_t Ctrl = 0;
        char32_t AltGr = 0;
    };

private:
    TKeyboardLayout(std::string Name, std::initializer_list<KeyRow> Rows);

    std::string name_;
    std::array<uint16_t, 256> keyOfCharacter_;
    std::array<uint8_t, 256> scanCodes_{};
    std::array<std::array<char32_t, 256>, 8> characterOfKey_{};
};
