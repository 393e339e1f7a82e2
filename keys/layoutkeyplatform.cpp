#include "keys/layoutkeyplatform.h"

TLayoutKeyPlatform::TLayoutKeyPlatform(const TKeyboardLayout &Layout) : activeLayout_(&Layout) {}

unsigned TLayoutKeyPlatform::MapVirtualKeyA(unsigned uCode, unsigned uMapType)
{
    if (uMapType != MAPVK_VK_TO_VSC || uCode > 0xFF)
        return 0;
    return activeLayout_->ScanCode(static_cast<uint8_t>(uCode));
}

uint16_t TLayoutKeyPlatform::VkKeyScanA(char ch)
{
    return activeLayout_->VkKeyScan(static_cast<unsigned char>(ch));
}

int16_t TLayoutKeyPlatform::GetKeyState(int nVirtKey)
{
    if (nVirtKey < 0 || nVirtKey > 0xFF)
        return 0;
    const auto Key = static_cast<uint8_t>(nVirtKey);
    return static_cast<int16_t>((IsDown(Key) ? 0x8000u : 0u) | (IsToggled(Key) ? 1u : 0u));
}

bool TLayoutKeyPlatform::GetKeyboardState(KeyStateArray &lpKeyState)
{
    lpKeyState = keyState_;
    return true;
}

bool TLayoutKeyPlatform::SetKeyboardState(const KeyStateArray &lpKeyState)
{
    keyState_ = lpKeyState;
    return true;
}

unsigned TLayoutKeyPlatform::ModifierState() const
{
    return (IsDown(0x10) ? TKeyboardLayout::ShiftState : 0u) |
           (IsDown(0x11) ? TKeyboardLayout::CtrlState : 0u) |
           (IsDown(0x12) ? TKeyboardLayout::AltState : 0u);
}

void TLayoutKeyPlatform::TrackKeyEvent(uint8_t VirtualKey, uint32_t Flags)
{
    uint8_t &Entry = keyState_[VirtualKey];
    if (Flags & KEYEVENTF_KEYUP) {
        Entry &= static_cast<uint8_t>(~DownBit);
    } else {
        if (!(Entry & DownBit))
            Entry ^= ToggleBit;
        Entry |= DownBit;
    }
}
