#include "keys/strtoint.h"

#include "browser/errors.h"

#include <string>

namespace {

[[noreturn]] void RaiseNotAnInteger(std::string_view S)
{
    throw EConvertError("'" + std::string(S) + "' n'est pas une valeur entière correcte");
}

int DigitValue(char C, int Base)
{
    int Value = 99;
    if (C >= '0' && C <= '9')
        Value = C - '0';
    else if (C >= 'a' && C <= 'f')
        Value = C - 'a' + 10;
    else if (C >= 'A' && C <= 'F')
        Value = C - 'A' + 10;
    return Value < Base ? Value : -1;
}

} // namespace

int32_t StrToInt(std::string_view S)
{
    size_t i = 0;
    while (i < S.size() && S[i] == ' ')
        ++i;

    bool Negative = false;
    int Base = 10;
    if (i < S.size() && (S[i] == '+' || S[i] == '-')) {
        Negative = S[i] == '-';
        ++i;
    } else if (i < S.size() && (S[i] == '$' || S[i] == 'x' || S[i] == 'X')) {
        Base = 16;
        ++i;
    } else if (i + 1 < S.size() && S[i] == '0' && (S[i + 1] == 'x' || S[i + 1] == 'X')) {
        Base = 16;
        i += 2;
    }
    if (i == S.size())
        RaiseNotAnInteger(S);

    // The magnitude may reach 2^31 only for a negative number; stopping as
    // soon as it passes that keeps the accumulator far from overflowing.
    constexpr int64_t Limit = int64_t{1} << 31;
    int64_t Magnitude = 0;
    for (; i < S.size(); ++i) {
        const int Digit = DigitValue(S[i], Base);
        if (Digit < 0)
            RaiseNotAnInteger(S);
        Magnitude = Magnitude * Base + Digit;
        if (Magnitude > Limit)
            RaiseNotAnInteger(S);
    }
    if (Magnitude == Limit && !Negative)
        RaiseNotAnInteger(S);
    return static_cast<int32_t>(Negative ? -Magnitude : Magnitude);
}
