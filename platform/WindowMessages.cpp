#include "platform/WindowMessages.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace {

constexpr uint32_t FirstRegisteredMessage = 0xC000;
constexpr PausaloWindow FirstWindowHandle = 0x10000;

struct Target {
  PausaloDeliver deliver;
  void* context;
};

struct Registry {
  std::mutex lock;
  std::unordered_map<std::string, uint32_t> messages;
  std::unordered_map<PausaloWindow, Target> windows;
  PausaloWindow nextWindow = FirstWindowHandle;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

extern "C" {

uint32_t pausalo_register_window_message(const char* name) {
  if (name == nullptr || *name == '\0') return 0;
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  const auto next = static_cast<uint32_t>(FirstRegisteredMessage + registry.messages.size());
  return registry.messages.try_emplace(name, next).first->second;
}

PausaloWindow pausalo_create_window(PausaloDeliver deliver, void* context) {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  PausaloWindow handle = registry.nextWindow++;
  while (handle == 0 || registry.windows.contains(handle)) handle = registry.nextWindow++;
  registry.windows.emplace(handle, Target{deliver, context});
  return handle;
}

void pausalo_destroy_window(PausaloWindow window) {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  registry.windows.erase(window);
}

int pausalo_post_message(PausaloWindow window, uint32_t message, int32_t wParam, int32_t lParam) {
  return pausalo_post_messages(window, message, wParam, lParam, 1);
}

int pausalo_post_messages(PausaloWindow window, uint32_t message, int32_t wParam, int32_t lParam, uint32_t count) {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  const auto found = registry.windows.find(window);
  if (found == registry.windows.end()) return 0;
  if (count > 0) found->second.deliver(found->second.context, message, wParam, lParam, count);
  return 1;
}

}  // extern "C"
