#pragma once

#include "keys/keyboardlayout.h"
#include "keys/keyplatform.h"

// The part of a keyboard platform that is the same whatever receives the
// events: the layout answers VkKeyScanA and MapVirtualKeyA, and the platform
// keeps its own key-state array, updated by every key event it is given.
class TLayoutKeyPlatform : public TKeyPlatform {
public:
    explicit TLayoutKeyPlatform(const TKeyboardLayout &Layout);

    const TKeyboardLayout &Layout() const { return *activeLayout_; }
    void SetLayout(const TKeyboardLayout &Layout) { activeLayout_ = &Layout; }

    unsigned MapVirtualKeyA(unsigned uCode, unsigned uMapType) override;
    uint16_t VkKeyScanA(char ch) override;
    int16_t GetKeyState(int nVirtKey) override;
    bool GetKeyboardState(KeyStateArray &lpKeyState) override;
    bool SetKeyboardState(const KeyStateArray &lpKeyState) override;

    bool IsDown(uint8_t VirtualKey) const { return keyState_[VirtualKey] & DownBit; }
    bool IsToggled(uint8_t VirtualKey) const { return keyState_[VirtualKey] & ToggleBit; }
    // The shift state (Shift 1, Ctrl 2, Alt 4) of the modifier keys now down.
    unsigned ModifierState() const;

protected:
    // Records the transition in the key-state array. A key toggles each time it
    // goes down from up, the way Caps Lock or Num Lock does.
    void TrackKeyEvent(uint8_t VirtualKey, uint32_t Flags);

private:
    static constexpr uint8_t DownBit = 0x80;
    static constexpr uint8_t ToggleBit = 0x01;

    const TKeyboardLayout *activeLayout_;
    KeyStateArray keyState_{};
};
