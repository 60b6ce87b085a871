#include "hooks/KeyMap.h"

#include <algorithm>
#include <array>

#include "hooks/Owned.h"

namespace pausalo::hooks {

namespace {

struct KeysymKey {
  std::uint32_t Keysym;
  std::int32_t VirtualKey;
};

// Keysyms outside the letter, digit and function-key ranges, by keysym.
constexpr std::array<KeysymKey, 62> NamedKeys{{
    {0x0020, 0x20},  // space
    {0x0027, 0xDE},  // apostrophe
    {0x002C, 0xBC},  // comma
    {0x002D, 0xBD},  // minus
    {0x002E, 0xBE},  // period
    {0x002F, 0xBF},  // slash
    {0x003B, 0xBA},  // semicolon
    {0x003C, 0xE2},  // less (the key beside left Shift)
    {0x003D, 0xBB},  // equal
    {0x005B, 0xDB},  // bracketleft
    {0x005C, 0xDC},  // backslash
    {0x005D, 0xDD},  // bracketright
    {0x0060, 0xC0},  // grave
    {0xFE03, 0x12},  // ISO_Level3_Shift (AltGr)
    {0xFE20, 0x09},  // ISO_Left_Tab
    {0xFF08, 0x08},  // BackSpace
    {0xFF09, 0x09},  // Tab
    {0xFF0D, 0x0D},  // Return
    {0xFF13, 0x13},  // Pause
    {0xFF14, 0x91},  // Scroll_Lock
    {0xFF1B, 0x1B},  // Escape
    {0xFF50, 0x24},  // Home
    {0xFF51, 0x25},  // Left
    {0xFF52, 0x26},  // Up
    {0xFF53, 0x27},  // Right
    {0xFF54, 0x28},  // Down
    {0xFF55, 0x21},  // Prior
    {0xFF56, 0x22},  // Next
    {0xFF57, 0x23},  // End
    {0xFF61, 0x2C},  // Print
    {0xFF63, 0x2D},  // Insert
    {0xFF67, 0x5D},  // Menu
    {0xFF7F, 0x90},  // Num_Lock
    {0xFF8D, 0x0D},  // KP_Enter
    {0xFF95, 0x24},  // KP_Home
    {0xFF96, 0x25},  // KP_Left
    {0xFF97, 0x26},  // KP_Up
    {0xFF98, 0x27},  // KP_Right
    {0xFF99, 0x28},  // KP_Down
    {0xFF9A, 0x21},  // KP_Prior
    {0xFF9B, 0x22},  // KP_Next
    {0xFF9C, 0x23},  // KP_End
    {0xFF9D, 0x0C},  // KP_Begin
    {0xFF9E, 0x2D},  // KP_Insert
    {0xFF9F, 0x2E},  // KP_Delete
    {0xFFAA, 0x6A},  // KP_Multiply
    {0xFFAB, 0x6B},  // KP_Add
    {0xFFAC, 0x6C},  // KP_Separator
    {0xFFAD, 0x6D},  // KP_Subtract
    {0xFFAE, 0x6E},  // KP_Decimal
    {0xFFAF, 0x6F},  // KP_Divide
    {0xFFE1, 0x10},  // Shift_L
    {0xFFE2, 0x10},  // Shift_R
    {0xFFE3, 0x11},  // Control_L
    {0xFFE4, 0x11},  // Control_R
    {0xFFE5, 0x14},  // Caps_Lock
    {0xFFE7, 0x12},  // Meta_L
    {0xFFE8, 0x12},  // Meta_R
    {0xFFE9, 0x12},  // Alt_L
    {0xFFEA, 0x12},  // Alt_R
    {0xFFEB, 0x5B},  // Super_L
    {0xFFEC, 0x5C},  // Super_R
}};
static_assert(std::is_sorted(NamedKeys.begin(), NamedKeys.end(),
                             [](const KeysymKey& a, const KeysymKey& b) { return a.Keysym < b.Keysym; }));

// Linux key codes (X keycode - 8) of the keys that a PC keyboard sends with
// the extended prefix.
bool IsExtendedKey(int scanCode) {
  constexpr std::array<int, 17> Extended{96,  97,  98,  100, 102, 103, 104, 105, 106,
                                         107, 108, 109, 110, 111, 125, 126, 127};
  return std::find(Extended.begin(), Extended.end(), scanCode) != Extended.end();
}

}  // namespace

std::int32_t VirtualKeyOfKeysym(std::uint32_t keysym) {
  if (keysym >= 'a' && keysym <= 'z') return static_cast<std::int32_t>(keysym - 'a' + 'A');
  if ((keysym >= 'A' && keysym <= 'Z') || (keysym >= '0' && keysym <= '9')) return static_cast<std::int32_t>(keysym);
  if (keysym >= 0xFFB0 && keysym <= 0xFFB9) return static_cast<std::int32_t>(keysym - 0xFFB0 + 0x60);  // KP_0..KP_9
  if (keysym >= 0xFFBE && keysym <= 0xFFD5) return static_cast<std::int32_t>(keysym - 0xFFBE + 0x70);  // F1..F24
  const auto found = std::lower_bound(NamedKeys.begin(), NamedKeys.end(), keysym,
                                      [](const KeysymKey& key, std::uint32_t sym) { return key.Keysym < sym; });
  return found != NamedKeys.end() && found->Keysym == keysym ? found->VirtualKey : 0;
}

std::int32_t KeystrokeInfoOfPress(std::uint8_t keycode, bool repeat) {
  const int scanCode = (keycode - 8) & 0xFF;
  std::uint32_t info = 1;  // repeat count
  info |= static_cast<std::uint32_t>(scanCode) << 16;
  if (IsExtendedKey(scanCode)) info |= 1u << 24;
  if (repeat) info |= 1u << 30;
  return static_cast<std::int32_t>(info);
}

bool KeyboardMapping::Load(xcb_connection_t& connection) {
  const xcb_setup_t* setup = xcb_get_setup(&connection);
  const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  Allocated<xcb_get_keyboard_mapping_reply_t> reply(xcb_get_keyboard_mapping_reply(
      &connection, xcb_get_keyboard_mapping(&connection, setup->min_keycode, count), nullptr));
  if (reply == nullptr) return false;
  const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
  firstKeycode_ = setup->min_keycode;
  keysymsPerKeycode_ = reply->keysyms_per_keycode;
  keysyms_.assign(keysyms, keysyms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
  return true;
}

std::uint32_t KeyboardMapping::Keysym(std::uint8_t keycode) const {
  if (keycode < firstKeycode_) return 0;
  const std::size_t index = static_cast<std::size_t>(keycode - firstKeycode_) * keysymsPerKeycode_;
  return index < keysyms_.size() ? keysyms_[index] : 0;
}

}  // namespace pausalo::hooks
