#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "widgets/IntegerText.h"

using pausalo::ParseInt32;

TEST(ParseInt32Test, ReadsDecimalNumbers) {
  EXPECT_EQ(ParseInt32("42"), 42);
  EXPECT_EQ(ParseInt32(" 42"), 42);
  EXPECT_EQ(ParseInt32("   -3"), -3);
  EXPECT_EQ(ParseInt32("+7"), 7);
  EXPECT_EQ(ParseInt32("007"), 7);
  EXPECT_EQ(ParseInt32("-0"), 0);
  EXPECT_EQ(ParseInt32("2147483647"), 2147483647);
  EXPECT_EQ(ParseInt32("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseInt32("000000000000000000012"), 12);
}

TEST(ParseInt32Test, ReadsHexadecimalPrefixes) {
  EXPECT_EQ(ParseInt32("$1F"), 31);
  EXPECT_EQ(ParseInt32("$1f"), 31);
  EXPECT_EQ(ParseInt32("x10"), 16);
  EXPECT_EQ(ParseInt32("X10"), 16);
  EXPECT_EQ(ParseInt32("0x10"), 16);
  EXPECT_EQ(ParseInt32(" 0XaB"), 171);
  EXPECT_EQ(ParseInt32("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseInt32("$80000000"), -2147483647 - 1);
  EXPECT_EQ(ParseInt32("$00000000FF"), 255);
}

TEST(ParseInt32Test, RejectsEverythingElse) {
  for (const std::string text : {"",     " ",   "   ", "+",          "-",           "42 ",
                                 "4 2",  "1.5", "1,5", "2147483648", "-2147483649", "99999999999999999999",
                                 "$",    "0x",  "x",   "$100000000", "$G",          "-$10",
                                 "+0x1", "--1", "+-1", "12a",        "\t42",        "$ 1",
                                 "0x-1"}) {
    EXPECT_EQ(ParseInt32(text), std::nullopt) << '"' << text << '"';
  }
  EXPECT_EQ(ParseInt32(std::string("4\0"
                                   "2",
                                   3)),
            std::nullopt);
}
