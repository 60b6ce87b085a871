// librasKB50: desktop-wide key presses, reported through the keyboard record
// and the "KB_Hook" notification. Where the session reports only idle and
// active edges, keys cannot be told from the pointer: the mouse library
// reports that activity, and this one installs and stays silent.
#include "hooks/HookHost.h"
#include "hooks/KeyMap.h"
#include "hooks/RawInputThread.h"
#include "hooks/SessionSource.h"

namespace pausalo::hooks {

namespace {

TKeybrdHookRecord record;

class KeyPressHandler final : public RawInputHandler {
 public:
  explicit KeyPressHandler(const Notifier& notifier) : notifier_(notifier) {}

  bool Prepare(xcb_connection_t& connection) override { return mapping_.Load(connection); }

  void HandleRawEvent(xcb_connection_t&, const RawEvent& event) override {
    if (event.event_type != XCB_INPUT_RAW_KEY_PRESS) return;
    const auto keycode = static_cast<std::uint8_t>(event.detail);
    const bool repeat = (event.flags & XCB_INPUT_KEY_EVENT_FLAGS_KEY_REPEAT) != 0;
    record.Code.store(HC_ACTION, std::memory_order_relaxed);
    record.VKCode.store(VirtualKeyOfKeysym(mapping_.Keysym(keycode)), std::memory_order_relaxed);
    record.KSInfo.store(KeystrokeInfoOfPress(keycode, repeat), std::memory_order_relaxed);
    ++presses_;
  }

  // One notification for each press of the batch, posted at once.
  void EndBatch(xcb_connection_t&) override {
    notifier_.Post(presses_);
    presses_ = 0;
  }

  void HandleCoreEvent(xcb_connection_t& connection, const xcb_generic_event_t& event) override {
    if ((event.response_type & 0x7F) == XCB_MAPPING_NOTIFY) mapping_.Load(connection);
  }

 private:
  Notifier notifier_;
  KeyboardMapping mapping_;
  std::uint32_t presses_ = 0;
};

// Stands for the keyboard where the mouse library reports all activity.
class SilentSource final : public ActivitySource {
 public:
  bool Running() const override { return true; }
};

std::unique_ptr<ActivitySource> ListenToKeys(const Notifier& notifier) {
  return StartSessionSource([](std::unique_ptr<EdgeConnection>) { return std::make_unique<SilentSource>(); },
                            [&] {
                              return RawInputThread::Start("raw keys", XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS,
                                                           std::make_unique<KeyPressHandler>(notifier));
                            });
}

HookHost host(&record, KBHookNotification, &ListenToKeys);

}  // namespace

}  // namespace pausalo::hooks

PAUSALO_HOOK_EXPORT void* SetHook(std::uint32_t window) { return pausalo::hooks::host.SetHook(window); }
PAUSALO_HOOK_EXPORT void RemoveHook(std::uint32_t window) { pausalo::hooks::host.RemoveHook(window); }
