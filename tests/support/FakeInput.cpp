#include "FakeInput.h"

#include <xcb/xtest.h>

#include <cstdlib>

namespace pausalo::testing {

FakeInput::FakeInput() : connection_(xcb_connect(nullptr, nullptr)) {
  if (!Connected()) return;
  root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_.get())).data->root;
  mapping_.Load(*connection_);
}

bool FakeInput::Connected() const { return xcb_connection_has_error(connection_.get()) == 0; }

std::uint8_t FakeInput::KeycodeOf(std::uint32_t keysym) const {
  for (int keycode = 8; keycode < 256; ++keycode) {
    if (mapping_.Keysym(static_cast<std::uint8_t>(keycode)) == keysym) return static_cast<std::uint8_t>(keycode);
  }
  return 0;
}

void FakeInput::TypeKey(std::uint8_t keycode) {
  Fake(XCB_KEY_PRESS, keycode);
  Fake(XCB_KEY_RELEASE, keycode);
  Sync();
}

void FakeInput::Click(std::uint8_t button) {
  Fake(XCB_BUTTON_PRESS, button);
  Fake(XCB_BUTTON_RELEASE, button);
  Sync();
}

void FakeInput::MoveBy(std::int16_t dx, std::int16_t dy, int times) {
  for (int i = 0; i < times; ++i) Fake(XCB_MOTION_NOTIFY, 1, dx, dy);  // detail 1: relative
  Sync();
}

void FakeInput::SendMoveBy(std::int16_t dx, std::int16_t dy) {
  Fake(XCB_MOTION_NOTIFY, 1, dx, dy);
  xcb_flush(connection_.get());
}

void FakeInput::MoveTo(std::int16_t x, std::int16_t y) {
  Fake(XCB_MOTION_NOTIFY, 0, x, y);
  Sync();
}

void FakeInput::Fake(std::uint8_t type, std::uint8_t detail, std::int16_t x, std::int16_t y) {
  xcb_test_fake_input(connection_.get(), type, detail, XCB_CURRENT_TIME, type == XCB_MOTION_NOTIFY ? root_ : XCB_NONE,
                      x, y, 0);
}

void FakeInput::Sync() {
  std::free(xcb_get_input_focus_reply(connection_.get(), xcb_get_input_focus(connection_.get()), nullptr));
}

}  // namespace pausalo::testing
