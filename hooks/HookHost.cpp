#include "hooks/HookHost.h"

namespace pausalo::hooks {

void* HookHost::SetHook(PausaloWindow window) {
  std::lock_guard guard(lock_);
  if (listener_ != nullptr && listener_->Running() && window == window_) return record_;
  listener_.reset();
  listener_ = listen_(Notifier(window, notification_));
  window_ = listener_ != nullptr ? window : 0;
  return listener_ != nullptr ? record_ : nullptr;
}

void HookHost::RemoveHook(PausaloWindow window) {
  std::lock_guard guard(lock_);
  if (window != window_) return;
  listener_.reset();
  window_ = 0;
}

}  // namespace pausalo::hooks
