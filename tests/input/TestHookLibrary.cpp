// A hook library for tests, built in several variants (see CMakeLists.txt):
// TEST_HOOK_MOUSE picks the mouse record and notification, TEST_HOOK_NO_SETHOOK
// and TEST_HOOK_NO_REMOVEHOOK leave those exports out.
#include "TestHookLibrary.h"

#include <thread>

#include "input/HookContract.h"
#include "platform/WindowMessages.h"

#define TEST_HOOK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

#ifdef TEST_HOOK_MOUSE
pausalo::TMouseHookRecord record;
constexpr const pausalo::THookNotification& notification = pausalo::MHookNotification;
#else
pausalo::TKeybrdHookRecord record;
constexpr const pausalo::THookNotification& notification = pausalo::KBHookNotification;
#endif

// Tests call the exports from the GUI thread only.
TestHookObserver observer = nullptr;
void* observerContext = nullptr;
bool refuse = false;
std::uint32_t lastWindow = 0;

void Observe(const char* call, std::uint32_t window) {
  if (observer != nullptr) observer(observerContext, TEST_HOOK_NAME, call, window);
}

}  // namespace

#ifndef TEST_HOOK_NO_SETHOOK
TEST_HOOK_EXPORT void* SetHook(std::uint32_t window) {
  Observe("SetHook", window);
  lastWindow = window;
  return refuse ? nullptr : &record;
}
#endif

#ifndef TEST_HOOK_NO_REMOVEHOOK
TEST_HOOK_EXPORT void RemoveHook(std::uint32_t window) { Observe("RemoveHook", window); }
#endif

TEST_HOOK_EXPORT void TestHook_Observe(TestHookObserver newObserver, void* context) {
  observer = newObserver;
  observerContext = context;
}

TEST_HOOK_EXPORT void TestHook_Refuse(int value) { refuse = value != 0; }

TEST_HOOK_EXPORT void* TestHook_Record() { return &record; }

TEST_HOOK_EXPORT int TestHook_Fire() {
  int queued = 0;
  const std::uint32_t window = lastWindow;
  std::thread([&] {
    const std::uint32_t message = pausalo_register_window_message(notification.MessageName);
    queued = pausalo_post_message(window, message, notification.WParam, notification.LParam);
  }).join();
  return queued;
}
