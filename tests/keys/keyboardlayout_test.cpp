#include "keys/keyboardlayout.h"
#include "keys/keyscript.h"
#include "keys/recordingkeyplatform.h"
#include "tests/keys/keyeventtext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using KeyEvent = TRecordingKeyPlatform::KeyEvent;

const std::string PhotoPaths[] = {
    "c:\\Projects\\qmtx\\Images\\V1269038-01.jpg",
    "c:\\Projects\\qmtx\\Images\\V1269038-02.jpg",
    "c:\\Projects\\qmtx\\Images\\V1269038-03.jpg",
};

std::string Press(const std::string &Key, const std::string &Modifiers = "")
{
    if (Modifiers == "Shift")
        return "Shift dn, " + Key + " dn, " + Key + " up, Shift up";
    if (Modifiers == "AltGr")
        return "Ctrl dn, Alt dn, " + Key + " dn, " + Key + " up, Ctrl up, Alt up";
    return Key + " dn, " + Key + " up";
}

// What typing a photo path must send, character by character, written from
// the keyboards themselves: on AZERTY the digits need Shift, "-" is the 6 key,
// "." is Shift with the ";" key, ":" has a key of its own and "\" is AltGr+8.
std::string ExpectedPathEvents(const std::string &Path, bool Azerty)
{
    std::string Text;
    for (char C : Path) {
        std::string One;
        if (C >= 'a' && C <= 'z')
            One = Press(std::string(1, static_cast<char>(C - 'a' + 'A')));
        else if (C >= 'A' && C <= 'Z')
            One = Press(std::string(1, C), "Shift");
        else if (C >= '0' && C <= '9')
            One = Press(std::string(1, C), Azerty ? "Shift" : "");
        else if (C == ':')
            One = Azerty ? Press("BF") : Press("BA", "Shift");
        else if (C == '\\')
            One = Azerty ? Press("8", "AltGr") : Press("DC");
        else if (C == '-')
            One = Azerty ? Press("6") : Press("BD");
        else if (C == '.')
            One = Azerty ? Press("BE", "Shift") : Press("BE");
        else
            ADD_FAILURE() << "no expectation for " << C;
        Text += (Text.empty() ? "" : ", ") + One;
    }
    return Text;
}

TEST(PhotoPath, TypedOnBothLayouts)
{
    for (const std::string &Path : PhotoPaths) {
        for (bool Azerty : {false, true}) {
            TRecordingKeyPlatform Platform(Azerty ? TKeyboardLayout::French()
                                                 : TKeyboardLayout::UnitedStates());
            EXPECT_TRUE(SendKeys(Platform, Path, false));
            EXPECT_EQ(KeyEventText(Platform.Events()), ExpectedPathEvents(Path, Azerty))
                << Path << (Azerty ? " on AZERTY" : " on QWERTY");
            EXPECT_TRUE(Platform.Boxes().empty());
            for (const KeyEvent &Event : Platform.Events())
                EXPECT_FALSE(Event.Pumped);
        }
    }
}

TEST(PhotoPath, ColonAndBackslashOnFrenchWithScanCodes)
{
    TRecordingKeyPlatform Platform(TKeyboardLayout::French());
    EXPECT_TRUE(SendKeys(Platform, "c:\\", false));
    const std::vector<KeyEvent> Expected{
        {'C', 0x2E, 0}, {'C', 0x2E, 2},                   // c
        {0xBF, 0x34, 0}, {0xBF, 0x34, 2},                 // :
        {0x11, 0x1D, 0}, {0x12, 0x38, 0}, {'8', 0x09, 0}, // backslash, AltGr
        {'8', 0x09, 2},  {0x11, 0x1D, 2}, {0x12, 0x38, 2},
    };
    EXPECT_EQ(Platform.Events(), Expected);
}

TEST(PhotoPath, ColonAndBackslashOnUSWithScanCodes)
{
    TRecordingKeyPlatform Platform(TKeyboardLayout::UnitedStates());
    EXPECT_TRUE(SendKeys(Platform, "c:\\", false));
    const std::vector<KeyEvent> Expected{
        {'C', 0x2E, 0},  {'C', 0x2E, 2},                                    // c
        {0x10, 0x2A, 0}, {0xBA, 0x27, 0}, {0xBA, 0x27, 2}, {0x10, 0x2A, 2}, // :
        {0xDC, 0x2B, 0}, {0xDC, 0x2B, 2},                                   // backslash
    };
    EXPECT_EQ(Platform.Events(), Expected);
}

// Every printable ASCII character has a key on both layouts, with no
// modifier, Shift or AltGr, and the key types that character back: the
// in-application platform relies on the round trip to turn events into text.
TEST(TKeyboardLayout, TypesEveryPrintableAsciiCharacterAndBack)
{
    for (const TKeyboardLayout *Layout : {&TKeyboardLayout::UnitedStates(), &TKeyboardLayout::French()}) {
        for (int C = 0x20; C < 0x7F; ++C) {
            const uint16_t Key = Layout->VkKeyScan(static_cast<unsigned char>(C));
            ASSERT_NE(Key, TKeyboardLayout::NoKey) << Layout->Name() << " " << char(C);
            const unsigned State = Key >> 8;
            EXPECT_TRUE(State == 0 || State == TKeyboardLayout::ShiftState ||
                        State == TKeyboardLayout::AltGrState)
                << Layout->Name() << " " << char(C);
            EXPECT_EQ(Layout->Character(Key & 0xFF, State), char32_t(C)) << Layout->Name() << " " << char(C);
            EXPECT_NE(Layout->ScanCode(Key & 0xFF), 0) << Layout->Name() << " " << char(C);
        }
        for (int C = 0x80; C <= 0xFF; ++C)
            EXPECT_EQ(Layout->VkKeyScan(static_cast<unsigned char>(C)), TKeyboardLayout::NoKey)
                << Layout->Name() << " byte " << C;
    }
}

TEST(TKeyboardLayout, AzertyKeysDifferFromQwerty)
{
    const TKeyboardLayout &French = TKeyboardLayout::French();
    EXPECT_EQ(French.VkKeyScan('a'), 'A');
    EXPECT_EQ(French.ScanCode('A'), 0x10); // where QWERTY has Q
    EXPECT_EQ(French.VkKeyScan('1'), 0x100 | '1');
    EXPECT_EQ(French.VkKeyScan('^'), 0x600 | '9'); // not the dead key
    EXPECT_EQ(French.Character('2', 0), U'é');
    EXPECT_EQ(French.Character('E', TKeyboardLayout::AltGrState), U'€');
    EXPECT_EQ(TKeyboardLayout::UnitedStates().ScanCode('A'), 0x1E);
    EXPECT_EQ(TKeyboardLayout::UnitedStates().VkKeyScan('\n'), 0x200 | 0x0D);
}

struct LocaleCase {
    const char *Locale;
    const char *Layout;
};

TEST(TKeyboardLayout, ChosenFromLocaleName)
{
    const LocaleCase Cases[] = {
        {"fr_FR", "French"}, {"fr-FR", "French"}, {"fr_FR.UTF-8", "French"}, {"FR_fr", "French"},
        {"fr", "French"},    {"fr_MC", "French"}, {"fr_FR@euro", "French"},  {"fr_CA", "US"},
        {"fr_BE", "US"},     {"fr_CH", "US"},     {"en_US", "US"},           {"de_DE", "US"},
        {"C", "US"},         {"", "US"},          {"french", "US"},
    };
    for (const LocaleCase &Case : Cases)
        EXPECT_EQ(TKeyboardLayout::ForLocaleName(Case.Locale).Name(), Case.Layout) << Case.Locale;
}

} // namespace
