// libFuzzer target: SendKeys on the recording platform, whose boxes are
// answered at once. The first byte picks the layout (bit 0) and whether key
// messages are pumped (bit 1); the rest is the script. Besides the sanitizers'
// findings, a broken rule of the interpreter aborts the run.

#include "browser/errors.h"
#include "keys/keynametable.h"
#include "keys/keyscript.h"
#include "keys/recordingkeyplatform.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Require(bool Condition, const char *What)
{
    if (!Condition) {
        std::fprintf(stderr, "broken rule: %s\n", What);
        std::abort();
    }
}

// Checks each event as it is sent rather than keeping them: a script may ask
// for millions of presses.
class TCheckingPlatform : public TRecordingKeyPlatform {
public:
    using TRecordingKeyPlatform::TRecordingKeyPlatform;

    void keybd_event(uint8_t bVk, uint8_t bScan, uint32_t dwFlags, uintptr_t dwExtraInfo) override
    {
        Require(dwFlags <= 3, "flags are 0 to 3");
        Require(((dwFlags & KEYEVENTF_EXTENDEDKEY) != 0) == ExtendedKeySet.Contains(bVk),
                "the extended flag marks exactly the extended keys");
        Require(bScan == Layout().ScanCode(bVk), "the scan code is the layout's");
        Require(bVk != 0x90, "NumLock is toggled, never pressed");
        Require(dwExtraInfo == 0, "no extra information");
        TRecordingKeyPlatform::keybd_event(bVk, bScan, dwFlags, dwExtraInfo);
    }
};

bool AnyModifierDown(const TRecordingKeyPlatform &Platform)
{
    return Platform.IsDown(0x10) || Platform.IsDown(0x11) || Platform.IsDown(0x12);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    if (Size == 0)
        return 0;
    const bool French = Data[0] & 1;
    const bool Pump = Data[0] & 2;
    const std::string Keys(reinterpret_cast<const char *>(Data + 1), Size - 1);
    const std::string Script = Keys.substr(0, Keys.find('\0'));

    TCheckingPlatform Platform(French ? TKeyboardLayout::French() : TKeyboardLayout::UnitedStates());
    Platform.SetKeepEvents(false);
    bool Result = false;
    try {
        Result = SendKeys(Platform, Keys, Pump);
    } catch (const EConvertError &Error) {
        const std::string Message = Error.Message();
        const std::string Tail = "' n'est pas une valeur entière correcte";
        Require(Message.size() >= Tail.size() + 1 && Message.front() == '\'' &&
                    Message.compare(Message.size() - Tail.size(), Tail.size(), Tail) == 0,
                "the conversion error's message");
        Require(!AnyModifierDown(Platform), "no modifier down after a conversion error");
        return 0;
    }

    for (const auto &Box : Platform.Boxes()) {
        Require(Box.Caption == "SendKeys" && Box.Type == TKeyPlatform::MB_OK, "box caption and style");
        Require(Box.Text == "Invalid KeyName" || Box.Text == "Invalid Key Name" || Box.Text == "No Close",
                "box text");
    }
    Require(Platform.PumpCount() == (Pump ? Platform.EventCount() : 0), "one pump per event when asked");
    if (!Result) {
        const bool Empty = Script.empty() && Platform.EventCount() == 0 && Platform.Boxes().empty();
        const bool NoClose = !Platform.Boxes().empty() && Platform.Boxes().back().Text == "No Close";
        Require(Empty || NoClose, "false only for an empty script or an unclosed brace");
        Require(!AnyModifierDown(Platform), "no modifier down after an unclosed brace");
    } else {
        Require(!Script.empty(), "an empty script is false");
        for (const auto &Box : Platform.Boxes())
            Require(Box.Text != "No Close", "a finished script had no unclosed brace");
        if (Script.find('(') == std::string::npos)
            Require(!AnyModifierDown(Platform), "only an unclosed group keeps modifiers down");
    }
    return 0;
}
