// Feeds arbitrary text to the spin edit's number parser and compares it with
// a second, deliberately different reading of the same rules: the digits are
// checked as strings (length and comparison with the limits) before they are
// converted, instead of being accumulated with an overflow check.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "widgets/IntegerText.h"

namespace {

bool AllOf(std::string_view text, int (*test)(int)) {
  for (const char c : text) {
    if (!test(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string_view WithoutLeadingZeros(std::string_view digits) {
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string_view::npos ? std::string_view("0") : digits.substr(first);
}

// Whether the digit string (no leading zeros) is at most limit.
bool NotAbove(std::string_view digits, std::string_view limit) {
  if (digits.size() != limit.size()) return digits.size() < limit.size();
  return digits <= limit;
}

std::optional<std::int32_t> ReferenceHex(std::string_view body) {
  if (body.empty() || !AllOf(body, [](int c) { return std::isxdigit(c); })) return std::nullopt;
  const std::string_view digits = WithoutLeadingZeros(body);
  if (digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  std::int32_t pattern = 0;
  std::memcpy(&pattern, &value, sizeof pattern);
  return pattern;
}

std::optional<std::int32_t> ReferenceDecimal(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  if (text.empty() || !AllOf(text, [](int c) { return std::isdigit(c); })) return std::nullopt;
  const std::string_view digits = WithoutLeadingZeros(text);
  if (!NotAbove(digits, negative ? "2147483648" : "2147483647")) return std::nullopt;
  long long value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::optional<std::int32_t> Reference(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  text = start == std::string_view::npos ? std::string_view() : text.substr(start);
  if (text.size() >= 1 && text[0] == '$') return ReferenceHex(text.substr(1));
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return ReferenceHex(text.substr(2));
  if (text.size() >= 1 && (text[0] == 'x' || text[0] == 'X')) return ReferenceHex(text.substr(1));
  return ReferenceDecimal(text);
}

void Expect(std::string_view text, std::optional<std::int32_t> expected) {
  const std::optional<std::int32_t> actual = pausalo::ParseInt32(text);
  if (actual == expected) return;
  std::fprintf(stderr, "ParseInt32(\"%.*s\") = %s, expected %s\n", static_cast<int>(text.size()), text.data(),
               actual ? std::to_string(*actual).c_str() : "failure",
               expected ? std::to_string(*expected).c_str() : "failure");
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Expect(text, Reference(text));

  // Every number written in decimal or with "$" reads back as itself.
  if (size >= 4) {
    std::int32_t number = 0;
    std::memcpy(&number, data, sizeof number);
    Expect(std::to_string(number), number);
    char hex[16];
    std::snprintf(hex, sizeof hex, "$%X", static_cast<unsigned>(number));
    Expect(hex, number);
  }
  return 0;
}
