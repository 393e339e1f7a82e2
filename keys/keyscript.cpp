#include "keys/keyscript.h"

#include "keys/keynametable.h"
#include "keys/keyplatform.h"
#include "keys/strtoint.h"

#include <array>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace {

constexpr uint8_t VK_RETURN = 0x0D;
constexpr uint8_t VK_SHIFT = 0x10;
constexpr uint8_t VK_CONTROL = 0x11;
constexpr uint8_t VK_MENU = 0x12;
constexpr uint8_t VK_NUMLOCK = 0x90;
constexpr uint8_t VK_OEM_4 = 0xDB;
constexpr uint8_t VK_OEM_6 = 0xDD;

constexpr uint16_t NoKey = 0xFFFF;
constexpr uint16_t ShiftBit = 0x0100;
constexpr uint16_t CtrlBit = 0x0200;
constexpr uint16_t AltBit = 0x0400;

constexpr size_t MaxKeyNameLength = 20;

// One call of SendKeys: the state of the script being typed and the steps that
// work on it. Nothing outlives the call.
class TKeyScript {
public:
    TKeyScript(TKeyPlatform &Platform, bool PumpKeyMessages)
        : platform_(Platform), PumpKeyMessages(PumpKeyMessages)
    {
    }

    bool Run(std::string_view Keys);

private:
    // A brace item starting at the "{" at Position. Returns where the script
    // goes on, or nothing when no "}" closes it.
    std::optional<size_t> BraceItem(std::string_view Keys, size_t Position);

    void SendKeyEvent(uint8_t VirtualKey, uint8_t ScanCode, uint32_t Flags);
    void PressVirtualKey(uint8_t VirtualKey, uint16_t Count, bool Release);
    void ReleaseModifierKey(uint8_t VirtualKey);
    void PressShiftedKey(uint16_t ShiftedKey, uint16_t Count, bool Release);
    uint16_t LookUpKeyName(std::string_view Name);
    void ReleasePendingModifiers();
    void ReleaseModifiersOnEarlyExit();
    void ShowKeysError(const std::string &Text);

    TKeyPlatform &platform_;
    const bool PumpKeyMessages;
    bool InGroup = false;
    bool ShiftPending = false;
    bool CtrlPending = false;
    bool AltPending = false;
    bool result_ = false;
};

char UpCase(char C)
{
    return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C;
}

bool TKeyScript::Run(std::string_view Keys)
{
    // The script ends at its first NUL, as the 8-bit text it stands for does.
    Keys = Keys.substr(0, Keys.find('\0'));
    if (Keys.empty())
        return false;

    size_t Position = 0;
    try {
        while (Position < Keys.size()) {
            const char Character = Keys[Position];
            ++Position;
            switch (Character) {
            case '+':
                ShiftPending = true;
                PressVirtualKey(VK_SHIFT, 1, false);
                break;
            case '^':
                CtrlPending = true;
                PressVirtualKey(VK_CONTROL, 1, false);
                break;
            case '%':
                AltPending = true;
                PressVirtualKey(VK_MENU, 1, false);
                break;
            case '(':
                InGroup = true;
                break;
            case ')':
                InGroup = false;
                ReleasePendingModifiers();
                break;
            case '~':
                PressVirtualKey(VK_RETURN, 1, true);
                ReleasePendingModifiers();
                break;
            case '{': {
                const std::optional<size_t> Next = BraceItem(Keys, Position - 1);
                if (!Next) {
                    ShowKeysError("No Close");
                    ReleaseModifiersOnEarlyExit();
                    return false;
                }
                Position = *Next;
                break;
            }
            default: {
                const uint16_t Key = platform_.VkKeyScanA(Character);
                if (Key == NoKey) {
                    ShowKeysError("Invalid KeyName");
                } else {
                    PressShiftedKey(Key, 1, true);
                    ReleasePendingModifiers();
                }
                break;
            }
            }
        }
    } catch (...) {
        ReleaseModifiersOnEarlyExit();
        throw;
    }

    result_ = true;
    ReleasePendingModifiers();
    return result_;
}

std::optional<size_t> TKeyScript::BraceItem(std::string_view Keys, size_t Position)
{
    uint16_t Count = 1;

    // "{{" types a "{"; the character after it, normally "}", is skipped unread.
    if (Position + 1 < Keys.size() && Keys[Position + 1] == '{') {
        PressShiftedKey(ShiftBit | VK_OEM_4, 1, true);
        ReleasePendingModifiers();
        return Position + 3;
    }

    std::array<char, MaxKeyNameLength> NameBuffer;
    size_t NameLength = 0;
    size_t Close = Position + 1;
    while (Close < Keys.size() && Keys[Close] != '}') {
        if (NameLength < MaxKeyNameLength)
            NameBuffer[NameLength++] = UpCase(Keys[Close]);
        ++Close;
    }
    if (Close >= Keys.size())
        return std::nullopt;

    Position = Close + 1;
    // A second "}" makes the item a literal "}", whatever name came before.
    if (Position < Keys.size() && Keys[Position] == '}') {
        PressShiftedKey(ShiftBit | VK_OEM_6, 1, true);
        ReleasePendingModifiers();
        return Position + 1;
    }

    std::string_view Name(NameBuffer.data(), NameLength);
    const size_t Space = Name.find(' ');
    if (Space != std::string_view::npos) {
        // Only the low 16 bits of the count are kept, so -1 means 65535.
        Count = static_cast<uint16_t>(static_cast<uint32_t>(StrToInt(Name.substr(Space + 1))));
        Name = Name.substr(0, Space);
    }

    const uint16_t Key = Name.size() == 1 ? platform_.VkKeyScanA(Name[0]) : LookUpKeyName(Name);
    if (Key != NoKey) {
        PressShiftedKey(Key, Count, true);
        ReleasePendingModifiers();
    }
    return Position;
}

void TKeyScript::SendKeyEvent(uint8_t VirtualKey, uint8_t ScanCode, uint32_t Flags)
{
    platform_.keybd_event(VirtualKey, ScanCode, Flags, 0);
    if (PumpKeyMessages)
        platform_.DispatchKeyMessages();
}

void TKeyScript::PressVirtualKey(uint8_t VirtualKey, uint16_t Count, bool Release)
{
    if (VirtualKey == VK_NUMLOCK) {
        // NumLock is toggled in the key-state array rather than pressed, once
        // whatever the count.
        const bool On = platform_.GetKeyState(VK_NUMLOCK) & 1;
        TKeyPlatform::KeyStateArray KeyState;
        platform_.GetKeyboardState(KeyState);
        KeyState[VK_NUMLOCK] = static_cast<uint8_t>((KeyState[VK_NUMLOCK] & ~1) | (On ? 0 : 1));
        platform_.SetKeyboardState(KeyState);
        return;
    }

    const auto ScanCode =
        static_cast<uint8_t>(platform_.MapVirtualKeyA(VirtualKey, TKeyPlatform::MAPVK_VK_TO_VSC));
    const uint32_t Extended = ExtendedKeySet.Contains(VirtualKey) ? TKeyPlatform::KEYEVENTF_EXTENDEDKEY : 0;
    for (uint16_t i = 0; i < Count; ++i) {
        SendKeyEvent(VirtualKey, ScanCode, Extended);
        if (Release)
            SendKeyEvent(VirtualKey, ScanCode, Extended | TKeyPlatform::KEYEVENTF_KEYUP);
    }
}

void TKeyScript::ReleaseModifierKey(uint8_t VirtualKey)
{
    const auto ScanCode =
        static_cast<uint8_t>(platform_.MapVirtualKeyA(VirtualKey, TKeyPlatform::MAPVK_VK_TO_VSC));
    SendKeyEvent(VirtualKey, ScanCode, TKeyPlatform::KEYEVENTF_KEYUP);
}

void TKeyScript::PressShiftedKey(uint16_t ShiftedKey, uint16_t Count, bool Release)
{
    // The modifiers frame all the repetitions together, and are released in
    // the order they were pressed.
    if (ShiftedKey & ShiftBit)
        PressVirtualKey(VK_SHIFT, 1, false);
    if (ShiftedKey & CtrlBit)
        PressVirtualKey(VK_CONTROL, 1, false);
    if (ShiftedKey & AltBit)
        PressVirtualKey(VK_MENU, 1, false);
    PressVirtualKey(static_cast<uint8_t>(ShiftedKey & 0xFF), Count, Release);
    if (ShiftedKey & ShiftBit)
        ReleaseModifierKey(VK_SHIFT);
    if (ShiftedKey & CtrlBit)
        ReleaseModifierKey(VK_CONTROL);
    if (ShiftedKey & AltBit)
        ReleaseModifierKey(VK_MENU);
}

uint16_t TKeyScript::LookUpKeyName(std::string_view Name)
{
    const int Index = FindKeyName(Name);
    if (Index < 0) {
        ShowKeysError("Invalid Key Name");
        return NoKey;
    }
    return KeyNameTable[static_cast<size_t>(Index)].VirtualKey;
}

void TKeyScript::ReleasePendingModifiers()
{
    if (InGroup)
        return;
    if (ShiftPending)
        ReleaseModifierKey(VK_SHIFT);
    if (CtrlPending)
        ReleaseModifierKey(VK_CONTROL);
    if (AltPending)
        ReleaseModifierKey(VK_MENU);
    ShiftPending = false;
    CtrlPending = false;
    AltPending = false;
}

void TKeyScript::ReleaseModifiersOnEarlyExit()
{
    // A failed script must not leave Shift, Ctrl or Alt held down for the
    // user's next keystrokes, even inside a group it never closed.
    InGroup = false;
    ReleasePendingModifiers();
}

void TKeyScript::ShowKeysError(const std::string &Text)
{
    platform_.MessageBoxA(nullptr, Text, "SendKeys", TKeyPlatform::MB_OK);
}

} // namespace

bool SendKeys(TKeyPlatform &Platform, const std::string &Keys, bool PumpKeyMessages)
{
    return TKeyScript(Platform, PumpKeyMessages).Run(Keys);
}

bool SendKeys(const std::string &Keys, bool PumpKeyMessages)
{
    TKeyPlatform *Platform = CurrentKeyPlatform();
    if (!Platform)
        throw std::logic_error("SendKeys: no keyboard platform is installed");
    return SendKeys(*Platform, Keys, PumpKeyMessages);
}
