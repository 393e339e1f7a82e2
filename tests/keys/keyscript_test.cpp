#include "browser/errors.h"
#include "keys/keynametable.h"
#include "keys/keyscript.h"
#include "keys/recordingkeyplatform.h"
#include "tests/keys/keyeventtext.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

const TKeyboardLayout &US = TKeyboardLayout::UnitedStates();
const TKeyboardLayout &French = TKeyboardLayout::French();

// A script typed on the recording platform, with what came of it.
struct Typed {
    bool Result = false;
    std::string Events;
    // Each box as "text@number of key events sent before it".
    std::vector<std::string> Boxes;
};

Typed Type(TRecordingKeyPlatform &Platform, const std::string &Keys, bool PumpKeyMessages = false)
{
    Typed Outcome;
    Outcome.Result = SendKeys(Platform, Keys, PumpKeyMessages);
    Outcome.Events = KeyEventText(Platform.Events());
    for (const auto &Box : Platform.Boxes()) {
        EXPECT_EQ(Box.Caption, "SendKeys");
        EXPECT_EQ(Box.Type, TKeyPlatform::MB_OK);
        Outcome.Boxes.push_back(Box.Text + "@" + std::to_string(Box.EventsBefore));
    }
    for (const auto &Event : Platform.Events())
        EXPECT_EQ(Event.ScanCode, Platform.Layout().ScanCode(Event.VirtualKey))
            << "scan code of key " << int(Event.VirtualKey);
    return Outcome;
}

bool AnyModifierDown(const TRecordingKeyPlatform &Platform)
{
    return Platform.IsDown(0x10) || Platform.IsDown(0x11) || Platform.IsDown(0x12);
}

struct ScriptCase {
    const char *Name;
    std::string Keys;
    std::string Events;
    bool Result = true;
    std::vector<std::string> Boxes = {};
    const TKeyboardLayout *Layout = &US;
};

void PrintTo(const ScriptCase &Case, std::ostream *Out)
{
    *Out << Case.Name;
}

class SendKeysScript : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(SendKeysScript, SendsTheseEvents)
{
    const ScriptCase &Case = GetParam();
    TRecordingKeyPlatform Platform(*Case.Layout);
    const Typed Outcome = Type(Platform, Case.Keys);
    EXPECT_EQ(Outcome.Events, Case.Events);
    EXPECT_EQ(Outcome.Result, Case.Result);
    EXPECT_EQ(Outcome.Boxes, Case.Boxes);
}

const std::string ThreeLefts = "Left xdn, Left xup, Left xdn, Left xup, Left xdn, Left xup";

// The orders of events that the rules give, then the cases around them.
INSTANTIATE_TEST_SUITE_P(
    OrdersOfEvents, SendKeysScript,
    ::testing::Values(
        ScriptCase{"PlusLowerA", "+a", "Shift dn, A dn, A up, Shift up"},
        ScriptCase{"UpperA", "A", "Shift dn, A dn, A up, Shift up"},
        ScriptCase{"PlusUpperA", "+A", "Shift dn, Shift dn, A dn, A up, Shift up, Shift up"},
        ScriptCase{"CtrlGroup", "^(ab)", "Ctrl dn, A dn, A up, B dn, B up, Ctrl up"},
        ScriptCase{"AltF4", "%{F4}", "Alt dn, F4 dn, F4 up, Alt up"},
        ScriptCase{"LeftThree", "{LEFT 3}", ThreeLefts},
        ScriptCase{"CtrlAltCharacter", "\\", "Ctrl dn, Alt dn, 8 dn, 8 up, Ctrl up, Alt up", true, {},
                   &French},
        ScriptCase{"PlainAbc", "abc", "A dn, A up, B dn, B up, C dn, C up"},
        ScriptCase{"Tilde", "~", "Enter dn, Enter up"},
        ScriptCase{"ShiftTilde", "+~", "Shift dn, Enter dn, Enter up, Shift up"}),
    [](const auto &Info) { return std::string(Info.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    BraceItems, SendKeysScript,
    ::testing::Values(
        ScriptCase{"LowerNameIsUpperCased", "{a}", "Shift dn, A dn, A up, Shift up"},
        ScriptCase{"ModifiersFrameAllRepetitions", "{a 2}",
                   "Shift dn, A dn, A up, A dn, A up, Shift up"},
        ScriptCase{"LeftZero", "{LEFT 0}", ""},
        ScriptCase{"AZeroSendsOnlyItsModifiers", "{A 0}", "Shift dn, Shift up"},
        ScriptCase{"Count65536IsNone", "{LEFT 65536}", ""},
        ScriptCase{"Count65537IsOne", "{LEFT 65537}", "Left xdn, Left xup"},
        ScriptCase{"NameCutAtTwentyLosesCountDigits", "{LEFT 00000000000000023}", ""},
        ScriptCase{"NumLockThreeSendsNothing", "{NUMLOCK 3}", ""},
        ScriptCase{"BackspaceNames", "{BACKSPACE}{BKSP}{BS}",
                   "Bksp dn, Bksp up, Bksp dn, Bksp up, Bksp dn, Bksp up"},
        ScriptCase{"DeleteIsExtended", "{DEL}", "Del xdn, Del xup"},
        ScriptCase{"LiteralOpenBrace", "{{}", "Shift dn, DB dn, DB up, Shift up"},
        ScriptCase{"LiteralOpenBraceSkipsThirdUnread", "{{{a",
                   "Shift dn, DB dn, DB up, Shift up, A dn, A up"},
        ScriptCase{"LiteralOpenBraceAtEnd", "{{", "Shift dn, DB dn, DB up, Shift up"},
        ScriptCase{"LiteralCloseBrace", "{}}", "Shift dn, DD dn, DD up, Shift up"},
        ScriptCase{"EnterThenCloseBraceTypesOnlyTheBrace", "{ENTER}}",
                   "Shift dn, DD dn, DD up, Shift up"},
        ScriptCase{"LiteralBracesKeepUSKeysOnFrench", "{{}{}}",
                   "Shift dn, DB dn, DB up, Shift up, Shift dn, DD dn, DD up, Shift up", true, {},
                   &French},
        ScriptCase{"PendingCtrlAppliesToNamedKey", "^{LEFT}a",
                   "Ctrl dn, Left xdn, Left xup, Ctrl up, A dn, A up"}),
    [](const auto &Info) { return std::string(Info.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    Modifiers, SendKeysScript,
    ::testing::Values(
        ScriptCase{"ShiftPressedTwiceReleasedOnce", "++a", "Shift dn, Shift dn, A dn, A up, Shift up"},
        ScriptCase{"CloseParenAlone", ")", ""},
        ScriptCase{"CloseParenReleasesPending", "^)", "Ctrl dn, Ctrl up"},
        ScriptCase{"UnclosedGroupKeepsShift", "+(abc", "Shift dn, A dn, A up, B dn, B up, C dn, C up"},
        ScriptCase{"GroupThenPlain", "+(ab)c", "Shift dn, A dn, A up, B dn, B up, Shift up, C dn, C up"},
        ScriptCase{"AllThreeReleasedInOrder", "+^%a",
                   "Shift dn, Ctrl dn, Alt dn, A dn, A up, Shift up, Ctrl up, Alt up"}),
    [](const auto &Info) { return std::string(Info.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    EndsAndErrors, SendKeysScript,
    ::testing::Values(
        ScriptCase{"Empty", "", "", false},
        ScriptCase{"NulFirst", std::string("\0a", 2), "", false},
        ScriptCase{"StopsAtNul", std::string("ab\0c", 4), "A dn, A up, B dn, B up"},
        ScriptCase{"UnknownName", "{FOO}a", "A dn, A up", true, {"Invalid Key Name@0"}},
        ScriptCase{"EmptyName", "{}", "", true, {"Invalid Key Name@0"}},
        ScriptCase{"UnknownNameWithCount", "{FOO 3}", "", true, {"Invalid Key Name@0"}},
        ScriptCase{"LongNameCutThenUnknown", "{ABCDEFGHIJKLMNOPQRSTUVWXYZ}", "", true,
                   {"Invalid Key Name@0"}},
        ScriptCase{"UnproducibleOneCharacterNameIsSilent", "{\xff}", ""},
        ScriptCase{"UnproducibleCharacter", "a\xff"
                                            "b",
                   "A dn, A up, B dn, B up", true, {"Invalid KeyName@2"}},
        ScriptCase{"UnproducibleCharacterKeepsShiftPending", "+\xff"
                                                             "a",
                   "Shift dn, A dn, A up, Shift up", true, {"Invalid KeyName@1"}},
        ScriptCase{"TwoByteCharacterIsTwoUnproducibleBytes", "\xc3\xa9", "", true,
                   {"Invalid KeyName@0", "Invalid KeyName@0"}},
        ScriptCase{"NoCloseAfterKeys", "abc{DEL", "A dn, A up, B dn, B up, C dn, C up", false,
                   {"No Close@6"}},
        ScriptCase{"NoCloseAlone", "{", "", false, {"No Close@0"}},
        ScriptCase{"NoCloseReleasesPendingShift", "+{DEL", "Shift dn, Shift up", false, {"No Close@1"}},
        ScriptCase{"NoCloseReleasesInsideGroup", "^(a{x", "Ctrl dn, A dn, A up, Ctrl up", false,
                   {"No Close@3"}}),
    [](const auto &Info) { return std::string(Info.param.Name); });

// After a failed script no modifier may stay down, but an unclosed group that
// ends normally keeps its modifiers, as the rules say.
TEST(SendKeys, ModifiersLeftDownOnlyByAnUnclosedGroup)
{
    TRecordingKeyPlatform Platform;
    EXPECT_TRUE(SendKeys(Platform, "+(abc", false));
    EXPECT_TRUE(Platform.IsDown(0x10));

    TRecordingKeyPlatform Failed;
    EXPECT_FALSE(SendKeys(Failed, "+^%(abc{DEL", false));
    EXPECT_FALSE(AnyModifierDown(Failed));
}

struct CountCase {
    const char *Name;
    std::string CountText;
    long Presses;
    // When not empty, the conversion fails with this message.
    std::string Error = {};
};

void PrintTo(const CountCase &Case, std::ostream *Out)
{
    *Out << Case.Name;
}

class SendKeysCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(SendKeysCount, PressesOrRaises)
{
    const CountCase &Case = GetParam();
    TRecordingKeyPlatform Platform;
    const std::string Keys = "a{LEFT " + Case.CountText + "}";
    if (Case.Error.empty()) {
        EXPECT_TRUE(SendKeys(Platform, Keys, false));
        ASSERT_EQ(Platform.EventCount(), 2 + 2 * static_cast<size_t>(Case.Presses));
        EXPECT_EQ(Platform.ScanCodeLookups(), 2u);
        return;
    }
    try {
        SendKeys(Platform, Keys, false);
        FAIL() << "no conversion error";
    } catch (const EConvertError &Error) {
        EXPECT_EQ(Error.Message(), Case.Error);
    }
    // The item's conversion comes before any of its keys.
    EXPECT_EQ(KeyEventText(Platform.Events()), "A dn, A up");
    EXPECT_TRUE(Platform.Boxes().empty());
}

std::string NotAnInteger(const std::string &Text)
{
    return "'" + Text + "' n'est pas une valeur entière correcte";
}

INSTANTIATE_TEST_SUITE_P(
    Conversion, SendKeysCount,
    ::testing::Values(
        CountCase{"Decimal", "3", 3}, CountCase{"LeadingZeros", "007", 7},
        CountCase{"LeadingBlanks", "  3", 3}, CountCase{"PlusSign", "+3", 3},
        CountCase{"MinusOneIs65535", "-1", 65535}, CountCase{"Wraps65536", "65536", 0},
        CountCase{"Wraps65538", "65538", 2}, CountCase{"Dollar", "$10", 16},
        CountCase{"LowerX", "x10", 16}, CountCase{"ZeroX", "0x1f", 31},
        CountCase{"MaxInt", "2147483647", 65535}, CountCase{"MinInt", "-2147483648", 0},
        CountCase{"HexMaxInt", "$7FFFFFFF", 65535},
        CountCase{"Empty", "", 0, NotAnInteger("")},
        CountCase{"Blank", " ", 0, NotAnInteger(" ")},
        CountCase{"Letter", "x", 0, NotAnInteger("X")},
        CountCase{"TrailingBlank", "3 ", 0, NotAnInteger("3 ")},
        CountCase{"TrailingLetter", "3a", 0, NotAnInteger("3A")},
        CountCase{"InnerBlank", "1 2", 0, NotAnInteger("1 2")},
        CountCase{"DecimalPoint", "1.5", 0, NotAnInteger("1.5")},
        CountCase{"TooBig", "2147483648", 0, NotAnInteger("2147483648")},
        CountCase{"TooSmall", "-2147483649", 0, NotAnInteger("-2147483649")},
        CountCase{"HexTooBig", "$80000000", 0, NotAnInteger("$80000000")},
        CountCase{"DollarAlone", "$", 0, NotAnInteger("$")},
        CountCase{"ZeroXAlone", "0x", 0, NotAnInteger("0X")},
        CountCase{"SignBeforeHex", "-$10", 0, NotAnInteger("-$10")},
        CountCase{"TwoSigns", "+-3", 0, NotAnInteger("+-3")},
        CountCase{"SignAlone", "-", 0, NotAnInteger("-")},
        CountCase{"CutAtTwenty", "12345678901234567", 0, NotAnInteger("123456789012345")}),
    [](const auto &Info) { return std::string(Info.param.Name); });

TEST(SendKeys, CountIsConvertedBeforeTheNameIsLookedUp)
{
    TRecordingKeyPlatform Platform;
    EXPECT_THROW(SendKeys(Platform, "{FOO x}", false), EConvertError);
    EXPECT_TRUE(Platform.Boxes().empty());
}

TEST(SendKeys, ConversionErrorReleasesPendingModifiers)
{
    TRecordingKeyPlatform Platform;
    EXPECT_THROW(SendKeys(Platform, "+^%(a{LEFT x}b", false), EConvertError);
    EXPECT_EQ(KeyEventText(Platform.Events()),
              "Shift dn, Ctrl dn, Alt dn, A dn, A up, Shift up, Ctrl up, Alt up");
    EXPECT_FALSE(AnyModifierDown(Platform));
}

TEST(SendKeys, MinusOneCountPresses65535TimesWithOneScanCodeLookup)
{
    TRecordingKeyPlatform Platform;
    EXPECT_TRUE(SendKeys(Platform, "{LEFT -1}", false));
    const auto &Events = Platform.Events();
    ASSERT_EQ(Events.size(), 2u * 65535u);
    for (size_t i = 0; i < Events.size(); ++i)
        ASSERT_EQ(Events[i], (TRecordingKeyPlatform::KeyEvent{0x25, 0x4B, i % 2 ? 3u : 1u})) << i;
    EXPECT_EQ(Platform.ScanCodeLookups(), 1u);
}

TEST(SendKeys, NumLockTogglesOnceAndKeepsTheEntrysOtherBits)
{
    TRecordingKeyPlatform Platform;
    TKeyPlatform::KeyStateArray State{};
    State[0x90] = 0x80;
    Platform.SetKeyboardState(State);

    EXPECT_TRUE(SendKeys(Platform, "{NUMLOCK 3}", true));
    Platform.GetKeyboardState(State);
    EXPECT_EQ(State[0x90], 0x81);
    EXPECT_TRUE(SendKeys(Platform, "{numlock}", true));
    Platform.GetKeyboardState(State);
    EXPECT_EQ(State[0x90], 0x80);
    EXPECT_EQ(Platform.EventCount(), 0u);
    EXPECT_EQ(Platform.PumpCount(), 0u);
}

TEST(SendKeys, PumpsAfterEveryEventOnlyWhenAsked)
{
    TRecordingKeyPlatform Pumped;
    EXPECT_TRUE(SendKeys(Pumped, "+a{LEFT 2}", true));
    EXPECT_EQ(Pumped.PumpCount(), Pumped.EventCount());
    for (const auto &Event : Pumped.Events())
        EXPECT_TRUE(Event.Pumped);

    TRecordingKeyPlatform NotPumped;
    EXPECT_TRUE(SendKeys(NotPumped, "+a{LEFT 2}", false));
    EXPECT_EQ(NotPumped.PumpCount(), 0u);
}

struct NamedKey {
    const char *Name;
    uint8_t VirtualKey;
    bool Extended;
};

constexpr NamedKey AllNames[] = {
    {"backspace", 0x08, false}, {"bksp", 0x08, false},   {"break", 0x03, false},
    {"bs", 0x08, false},        {"capslock", 0x14, false}, {"clear", 0x0C, false},
    {"del", 0x2E, true},        {"delete", 0x2E, true},  {"down", 0x28, true},
    {"end", 0x23, true},        {"enter", 0x0D, false},  {"esc", 0x1B, false},
    {"escape", 0x1B, false},    {"f1", 0x70, false},     {"f10", 0x79, false},
    {"f11", 0x7A, false},       {"f12", 0x7B, false},    {"f13", 0x7C, false},
    {"f14", 0x7D, false},       {"f15", 0x7E, false},    {"f16", 0x7F, false},
    {"f2", 0x71, false},        {"f3", 0x72, false},     {"f4", 0x73, false},
    {"f5", 0x74, false},        {"f6", 0x75, false},     {"f7", 0x76, false},
    {"f8", 0x77, false},        {"f9", 0x78, false},     {"help", 0x2F, false},
    {"home", 0x24, true},       {"ins", 0x2D, true},     {"left", 0x25, true},
    {"numlock", 0x90, false},   {"pgdn", 0x22, true},    {"pgup", 0x21, true},
    {"prtsc", 0x2A, false},     {"right", 0x27, true},   {"scrolllock", 0x91, false},
    {"tab", 0x09, false},       {"up", 0x26, true},
};

TEST(SendKeys, FindsAllFortyOneNamesInLowerCase)
{
    ASSERT_EQ(std::size(AllNames), 41u);
    for (const NamedKey &Key : AllNames) {
        TRecordingKeyPlatform Platform;
        EXPECT_TRUE(SendKeys(Platform, std::string("{") + Key.Name + "}", false)) << Key.Name;
        EXPECT_TRUE(Platform.Boxes().empty()) << Key.Name;
        if (Key.VirtualKey == 0x90) {
            EXPECT_TRUE(Platform.GetKeyState(0x90) & 1);
            EXPECT_EQ(Platform.EventCount(), 0u);
            continue;
        }
        const uint32_t Extended = Key.Extended ? 1 : 0;
        const uint8_t Scan = Platform.Layout().ScanCode(Key.VirtualKey);
        EXPECT_EQ(Platform.Events(), (std::vector<TRecordingKeyPlatform::KeyEvent>{
                                         {Key.VirtualKey, Scan, Extended},
                                         {Key.VirtualKey, Scan, Extended | 2}}))
            << Key.Name;
        EXPECT_EQ(ExtendedKeySet.Contains(Key.VirtualKey), Key.Extended) << Key.Name;
    }
}

TEST(KeyNameTable, FindsNoNearMiss)
{
    for (const char *Name : {"", "F", "F0", "F17", "DELET", "DELETEX", "left", "UPX", "\xff", "A"})
        EXPECT_EQ(FindKeyName(Name), -1) << Name;
}

TEST(SendKeys, UsesTheInstalledPlatform)
{
    TRecordingKeyPlatform Platform;
    SetCurrentKeyPlatform(&Platform);
    EXPECT_TRUE(SendKeys("ab", false));
    SetCurrentKeyPlatform(nullptr);
    EXPECT_EQ(Platform.EventCount(), 4u);
    EXPECT_THROW(SendKeys("ab", false), std::logic_error);
}

} // namespace
