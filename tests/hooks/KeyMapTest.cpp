#include <gtest/gtest.h>

#include "hooks/KeyMap.h"
#include "hooks/MouseMessages.h"

using namespace pausalo::hooks;

TEST(KeyMap, KeysymsBecomeVirtualKeyCodes) {
  EXPECT_EQ(VirtualKeyOfKeysym('a'), 0x41);
  EXPECT_EQ(VirtualKeyOfKeysym('z'), 0x5A);
  EXPECT_EQ(VirtualKeyOfKeysym('Q'), 0x51);
  EXPECT_EQ(VirtualKeyOfKeysym('0'), 0x30);
  EXPECT_EQ(VirtualKeyOfKeysym('9'), 0x39);
  EXPECT_EQ(VirtualKeyOfKeysym(0xFFBE), 0x70) << "F1";
  EXPECT_EQ(VirtualKeyOfKeysym(0xFFD5), 0x87) << "F24";
  EXPECT_EQ(VirtualKeyOfKeysym(0xFFB0), 0x60) << "KP_0";
  EXPECT_EQ(VirtualKeyOfKeysym(0xFFB9), 0x69) << "KP_9";
  EXPECT_EQ(VirtualKeyOfKeysym(0x0020), 0x20) << "space, the first named key";
  EXPECT_EQ(VirtualKeyOfKeysym(0xFFEC), 0x5C) << "Super_R, the last named key";
  EXPECT_EQ(VirtualKeyOfKeysym(0xFF52), 0x26) << "Up";
  EXPECT_EQ(VirtualKeyOfKeysym(0xFFE2), 0x10) << "Shift_R";
  EXPECT_EQ(VirtualKeyOfKeysym(0xFFE4), 0x11) << "Control_R";
  EXPECT_EQ(VirtualKeyOfKeysym(0xFFEA), 0x12) << "Alt_R";
  for (std::uint32_t unknown : {0u, 0x21u, 0xE9u, 0xFF0Au, 0xFFD6u, 0xFFEDu, 0x1008FF11u}) {
    EXPECT_EQ(VirtualKeyOfKeysym(unknown), 0) << std::hex << unknown;
  }
}

TEST(KeyMap, TheKeystrokeWordOfAPress) {
  EXPECT_EQ(KeystrokeInfoOfPress(38, false), 0x001E0001) << "a: scan code 30, repeat count 1";
  EXPECT_EQ(KeystrokeInfoOfPress(113, false), 0x01690001) << "Left is an extended key";
  EXPECT_EQ(KeystrokeInfoOfPress(38, true), 0x401E0001) << "an auto-repeat was down before";
  EXPECT_EQ(KeystrokeInfoOfPress(255, false), 0x00F70001);
}

TEST(MouseMessages, ButtonsBecomeButtonDownMessages) {
  EXPECT_EQ(MouseMessageOfButton(1), 0x201u);
  EXPECT_EQ(MouseMessageOfButton(2), 0x207u);
  EXPECT_EQ(MouseMessageOfButton(3), 0x204u);
  EXPECT_EQ(MouseMessageOfButton(4), 0x20Au);
  EXPECT_EQ(MouseMessageOfButton(5), 0x20Au);
  EXPECT_EQ(MouseMessageOfButton(6), 0x20Eu);
  EXPECT_EQ(MouseMessageOfButton(9), 0x20Bu);
  EXPECT_EQ(MouseMessageOfButton(0), 0u);
  EXPECT_EQ(MouseMessageOfButton(10), 0u);
}
