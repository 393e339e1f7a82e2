#pragma once

#include <cstdint>
#include <string_view>

// The standard text-to-integer conversion: leading spaces, then either an
// optional sign and decimal digits, or a "$", "x", "X", "0x" or "0X" prefix and
// hexadecimal digits, and nothing after the digits. The value must fit a
// signed 32-bit integer. Anything else raises EConvertError
// "'<text>' n'est pas une valeur entière correcte".
int32_t StrToInt(std::string_view S);
