#include "keys/layoutkeyplatform.h"

LayoutKeyPlatform::LayoutKeyPlatform(const KeyboardLayout &Layout) : ActiveLayout(&Layout) {}

unsigned LayoutKeyPlatform::MapVirtualKeyA(unsigned uCode, unsigned uMapType)
{
    if (uMapType != MAPVK_VK_TO_VSC || uCode > 0xFF)
        return 0;
    return ActiveLayout->ScanCode(static_cast<uint8_t>(uCode));
}

uint16_t LayoutKeyPlatform::VkKeyScanA(char ch)
{
    return ActiveLayout->VkKeyScan(static_cast<unsigned char>(ch));
}

int16_t LayoutKeyPlatform::GetKeyState(int nVirtKey)
{
    if (nVirtKey < 0 || nVirtKey > 0xFF)
        return 0;
    const auto Key = static_cast<uint8_t>(nVirtKey);
    return static_cast<int16_t>((IsDown(Key) ? 0x8000u : 0u) | (IsToggled(Key) ? 1u : 0u));
}

bool LayoutKeyPlatform::GetKeyboardState(KeyStateArray &lpKeyState)
{
    lpKeyState = KeyState;
    return true;
}

bool LayoutKeyPlatform::SetKeyboardState(const KeyStateArray &lpKeyState)
{
    KeyState = lpKeyState;
    return true;
}

unsigned LayoutKeyPlatform::ModifierState() const
{
    return (IsDown(0x10) ? KeyboardLayout::ShiftState : 0u) |
           (IsDown(0x11) ? KeyboardLayout::CtrlState : 0u) |
           (IsDown(0x12) ? KeyboardLayout::AltState : 0u);
}

void LayoutKeyPlatform::TrackKeyEvent(uint8_t VirtualKey, uint32_t Flags)
{
    uint8_t &Entry = KeyState[VirtualKey];
    if (Flags & KEYEVENTF_KEYUP) {
        Entry &= static_cast<uint8_t>(~DownBit);
    } else {
        if (!(Entry & DownBit))
            Entry ^= ToggleBit;
        Entry |= DownBit;
    }
}
