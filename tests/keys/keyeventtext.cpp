#include "tests/keys/keyeventtext.h"

#include <cstdio>

namespace {

std::string KeyName(uint8_t VirtualKey)
{
    switch (VirtualKey) {
    case 0x08: return "Bksp";
    case 0x09: return "Tab";
    case 0x0D: return "Enter";
    case 0x10: return "Shift";
    case 0x11: return "Ctrl";
    case 0x12: return "Alt";
    case 0x20: return "Space";
    case 0x25: return "Left";
    case 0x2E: return "Del";
    default: break;
    }
    if ((VirtualKey >= 'A' && VirtualKey <= 'Z') || (VirtualKey >= '0' && VirtualKey <= '9'))
        return std::string(1, static_cast<char>(VirtualKey));
    if (VirtualKey >= 0x70 && VirtualKey <= 0x7F)
        return "F" + std::to_string(VirtualKey - 0x6F);
    char Hex[3];
    std::snprintf(Hex, sizeof Hex, "%02X", VirtualKey);
    return Hex;
}

const char *FlagsText(uint32_t Flags)
{
    switch (Flags) {
    case 0: return "dn";
    case 1: return "xdn";
    case 2: return "up";
    case 3: return "xup";
    default: return "?";
    }
}

} // namespace

std::string KeyEventText(const std::vector<TRecordingKeyPlatform::KeyEvent> &Events)
{
    std::string Text;
    for (const auto &Event : Events) {
        if (!Text.empty())
            Text += ", ";
        Text += KeyName(Event.VirtualKey) + " " + FlagsText(Event.Flags);
    }
    return Text;
}
