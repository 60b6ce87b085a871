#include "widgets/IntegerText.h"

namespace pausalo {

namespace {

int DigitValue(char c, int base) {
  int value = 16;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value < base ? value : -1;
}

// The digits as a number no larger than limit, or empty.
std::optional<std::uint64_t> Digits(std::string_view digits, int base, std::uint64_t limit) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    const int digit = DigitValue(c, base);
    if (digit < 0) return std::nullopt;
    value = value * base + digit;
    if (value > limit) return std::nullopt;
  }
  return value;
}

std::string_view HexPrefix(std::string_view text) {
  for (const std::string_view prefix : {"$", "0x", "0X", "x", "X"}) {
    if (text.starts_with(prefix)) return prefix;
  }
  return {};
}

}  // namespace

std::optional<std::int32_t> ParseInt32(std::string_view text) {
  while (text.starts_with(' ')) text.remove_prefix(1);

  if (const std::string_view prefix = HexPrefix(text); !prefix.empty()) {
    const auto value = Digits(text.substr(prefix.size()), 16, 0xFFFFFFFFu);
    if (!value) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value));
  }

  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  const auto value = Digits(text, 10, limit);
  if (!value) return std::nullopt;
  const auto magnitude = static_cast<std::int64_t>(*value);
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace pausalo
