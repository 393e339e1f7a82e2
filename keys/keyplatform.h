#pragma once

#include <array>
#include <cstdint>
#include <string>

// The keyboard operations the keystroke interpreter relies on: press or
// release a virtual key, read the state of every key or of one, turn a
// virtual key into a scan code, deliver the keys sent so far, and show a
// box. Virtual keys, scan codes and flags are the numbers the interpreter's
// scripts and tables are written in. The interpreter reaches the keyboard
// only through this class, so a test can record what it does and the
// application can turn it into Qt key events.
//
// The class is standard C++ on purpose: the interpreter, the layout tables and
// the recording implementation build without Qt, which lets the fuzzer be
// compiled with clang++ alone.
class TKeyPlatform {
public:
    // keybd_event flags.
    static constexpr uint32_t KEYEVENTF_EXTENDEDKEY = 1;
    static constexpr uint32_t KEYEVENTF_KEYUP = 2;
    // MapVirtualKeyA translation type: virtual key to scan code.
    static constexpr unsigned MAPVK_VK_TO_VSC = 0;
    // MessageBoxA style and answer.
    static constexpr unsigned MB_OK = 0;
    static constexpr int IDOK = 1;

    // Indexed by virtual key; bit 7 of an entry is set while the key is down
    // and bit 0 is its toggle state.
    using KeyStateArray = std::array<uint8_t, 256>;

    virtual ~TKeyPlatform() = default;

    // Adds one key transition to the keyboard input stream.
    virtual void keybd_event(uint8_t bVk, uint8_t bScan, uint32_t dwFlags, uintptr_t dwExtraInfo) = 0;
    // The key's scan code for translation type 0; other types give 0.
    virtual unsigned MapVirtualKeyA(unsigned uCode, unsigned uMapType) = 0;
    // The key and shift state (bit 0 Shift, bit 1 Ctrl, bit 2 Alt in the high
    // byte) that type the character in the active layout, or 0xFFFF.
    virtual uint16_t VkKeyScanA(char ch) = 0;
    // Bit 15 set while the key is down, bit 0 set while it is toggled on.
    virtual int16_t GetKeyState(int nVirtKey) = 0;
    virtual bool GetKeyboardState(KeyStateArray &lpKeyState) = 0;
    virtual bool SetKeyboardState(const KeyStateArray &lpKeyState) = 0;
    // The pump of the key messages (256 to 264): every key event waiting is
    // taken, translated and delivered to its window, one at a time, until none
    // is left.
    virtual void DispatchKeyMessages() = 0;
    // A modal box with the text under the caption; returns the button pressed.
    virtual int MessageBoxA(const void *hWnd, const std::string &lpText, const std::string &lpCaption,
                            unsigned uType) = 0;
};

// The platform that SendKeys uses when none is given. The application installs
// its Qt platform at start-up; until then there is none.
TKeyPlatform *CurrentKeyPlatform();
void SetCurrentKeyPlatform(TKeyPlatform *Platform);
