#include "keys/keyboardlayout.h"

#include <cctype>

namespace {

using KeyRow = TKeyboardLayout::KeyRow;

// Keys whose place and meaning do not depend on the layout. Virtual keys of
// the navigation block report their scan code without the 0xE0 prefix, as
// translation type 0 does. Print (0x2A) has no scan code.
constexpr KeyRow CommonKeys[] = {
    {0x03, 0x46}, {0x08, 0x0E, U'\b'}, {0x09, 0x0F, U'\t'}, {0x0C, 0x4C},
    {0x0D, 0x1C, U'\r', 0, U'\n'}, {0x10, 0x2A}, {0x11, 0x1D}, {0x12, 0x38},
    {0x14, 0x3A}, {0x1B, 0x01, U'\x1b'}, {0x20, 0x39, U' ', U' '}, {0x21, 0x49},
    {0x22, 0x51}, {0x23, 0x4F}, {0x24, 0x47}, {0x25, 0x4B}, {0x26, 0x48},
    {0x27, 0x4D}, {0x28, 0x50}, {0x2C, 0x54}, {0x2D, 0x52}, {0x2E, 0x53},
    {0x2F, 0x63}, {0x70, 0x3B}, {0x71, 0x3C}, {0x72, 0x3D}, {0x73, 0x3E},
    {0x74, 0x3F}, {0x75, 0x40}, {0x76, 0x41}, {0x77, 0x42}, {0x78, 0x43},
    {0x79, 0x44}, {0x7A, 0x57}, {0x7B, 0x58}, {0x7C, 0x64}, {0x7D, 0x65},
    {0x7E, 0x66}, {0x7F, 0x67}, {0x90, 0x45}, {0x91, 0x46},
};

// A letter key: lower case alone, upper case with Shift.
constexpr KeyRow Letter(char Upper, uint8_t ScanCode)
{
    return {static_cast<uint8_t>(Upper), ScanCode, char32_t(Upper - 'A' + 'a'), char32_t(Upper)};
}

} // namespace

TKeyboardLayout::TKeyboardLayout(std::string Name, std::initializer_list<KeyRow> Rows)
    : name_(std::move(Name))
{
    keyOfCharacter_.fill(NoKey);
    // The first key that types a character is the one VkKeyScan names, so a
    // layout lists its direct characters before dead-key duplicates.
    auto Assign = [this](char32_t Character, uint8_t VirtualKey, unsigned State) {
        if (Character == 0)
            return;
        characterOfKey_[State][VirtualKey] = Character;
        if (Character < 0x80 && keyOfCharacter_[Character] == NoKey)
            keyOfCharacter_[Character] = static_cast<uint16_t>(State << 8 | VirtualKey);
    };
    auto AssignRow = [this, &Assign](const KeyRow &Row) {
        scanCodes_[Row.VirtualKey] = Row.ScanCode;
        Assign(Row.Plain, Row.VirtualKey, 0);
        Assign(Row.Shifted, Row.VirtualKey, ShiftState);
        Assign(Row.Ctrl, Row.VirtualKey, CtrlState);
        Assign(Row.AltGr, Row.VirtualKey, AltGrState);
    };
    for (const KeyRow &Row : CommonKeys)
        AssignRow(Row);
    for (const KeyRow &Row : Rows)
        AssignRow(Row);
}

const TKeyboardLayout &TKeyboardLayout::UnitedStates()
{
    static const TKeyboardLayout Layout(
        "US",
        {
            {0xC0, 0x29, U'`', U'~'},
            {'1', 0x02, U'1', U'!'},
            {'2', 0x03, U'2', U'@'},
            {'3', 0x04, U'3', U'#'},
            {'4', 0x05, U'4', U'$'},
            {'5', 0x06, U'5', U'%'},
            {'6', 0x07, U'6', U'^'},
            {'7', 0x08, U'7', U'&'},
            {'8', 0x09, U'8', U'*'},
            {'9', 0x0A, U'9', U'('},
            {'0', 0x0B, U'0', U')'},
            {0xBD, 0x0C, U'-', U'_'},
            {0xBB, 0x0D, U'=', U'+'},
            Letter('Q', 0x10), Letter('W', 0x11), Letter('E', 0x12), Letter('R', 0x13),
            Letter('T', 0x14), Letter('Y', 0x15), Letter('U', 0x16), Letter('I', 0x17),
            Letter('O', 0x18), Letter('P', 0x19),
            {0xDB, 0x1A, U'[', U'{'},
            {0xDD, 0x1B, U']', U'}'},
            Letter('A', 0x1E), Letter('S', 0x1F), Letter('D', 0x20), Letter('F', 0x21),
            Letter('G', 0x22), Letter('H', 0x23), Letter('J', 0x24), Letter('K', 0x25),
            Letter('L', 0x26),
            {0xBA, 0x27, U';', U':'},
            {0xDE, 0x28, U'\'', U'"'},
            {0xDC, 0x2B, U'\\', U'|'},
            {0xE2, 0x56, U'\\', U'|'},
            Letter('Z', 0x2C), Letter('X', 0x2D), Letter('C', 0x2E), Letter('V', 0x2F),
            Letter('B', 0x30), Letter('N', 0x31), Letter('M', 0x32),
            {0xBC, 0x33, U',', U'<'},
            {0xBE, 0x34, U'.', U'>'},
            {0xBF, 0x35, U'/', U'?'},
        });
    return Layout;
}

const TKeyboardLayout &TKeyboardLayout::French()
{
    // AZERTY: the digits need Shift, and "\" is AltGr+8.
    static const TKeyboardLayout Layout(
        "French",
        {
            {0xDE, 0x29, U'²'},
            {'1', 0x02, U'&', U'1'},
            {'2', 0x03, U'é', U'2', 0, U'~'},
            {'3', 0x04, U'"', U'3', 0, U'#'},
            {'4', 0x05, U'\'', U'4', 0, U'{'},
            {'5', 0x06, U'(', U'5', 0, U'['},
            {'6', 0x07, U'-', U'6', 0, U'|'},
            {'7', 0x08, U'è', U'7', 0, U'`'},
            {'8', 0x09, U'_', U'8', 0, U'\\'},
            {'9', 0x0A, U'ç', U'9', 0, U'^'},
            {'0', 0x0B, U'à', U'0', 0, U'@'},
            {0xDB, 0x0C, U')', U'°', 0, U']'},
            {0xBB, 0x0D, U'=', U'+', 0, U'}'},
            Letter('A', 0x10), Letter('Z', 0x11),
            {'E', 0x12, U'e', U'E', 0, U'€'},
            Letter('R', 0x13), Letter('T', 0x14), Letter('Y', 0x15), Letter('U', 0x16),
            Letter('I', 0x17), Letter('O', 0x18), Letter('P', 0x19),
            // A dead circumflex and diaeresis; "^" itself is typed with AltGr+9.
            {0xDD, 0x1A, U'^', U'¨'},
            {0xBA, 0x1B, U'$', U'£', 0, U'¤'},
            Letter('Q', 0x1E), Letter('S', 0x1F), Letter('D', 0x20), Letter('F', 0x21),
            Letter('G', 0x22), Letter('H', 0x23), Letter('J', 0x24), Letter('K', 0x25),
            Letter('L', 0x26), Letter('M', 0x27),
            {0xC0, 0x28, U'ù', U'%'},
            {0xDC, 0x2B, U'*', U'µ'},
            {0xE2, 0x56, U'<', U'>'},
            Letter('W', 0x2C), Letter('X', 0x2D), Letter('C', 0x2E), Letter('V', 0x2F),
            Letter('B', 0x30), Letter('N', 0x31),
            {0xBC, 0x32, U',', U'?'},
            {0xBE, 0x33, U';', U'.'},
            {0xBF, 0x34, U':', U'/'},
            {0xDF, 0x35, U'!', U'§'},
        });
    return Layout;
}

const TKeyboardLayout &TKeyboardLayout::ForLocaleName(std::string_view LocaleName)
{
    std::string Lower;
    for (char C : LocaleName)
        Lower += static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    const size_t End = Lower.find_first_of(".@");
    if (End != std::string::npos)
        Lower.resize(End);
    for (char &C : Lower)
        if (C == '-')
            C = '_';
    if (Lower == "fr" || Lower == "fr_fr" || Lower == "fr_mc")
        return French();
    return UnitedStates();
}
