#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pausalo {

// Reads a whole number the way a spin edit reads its text: optional leading
// spaces, then either an optional "+" or "-" with decimal digits in
// -2147483648..2147483647, or one of the prefixes "$", "x", "X", "0x", "0X"
// with hexadecimal digits (either case) up to $FFFFFFFF, whose 32-bit
// pattern is taken as signed. Nothing may follow the digits. Empty for any
// other text.
std::optional<std::int32_t> ParseInt32(std::string_view text);

}  // namespace pausalo
