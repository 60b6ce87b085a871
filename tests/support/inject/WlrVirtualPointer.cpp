// Pointer motion through a wlroots virtual pointer.
#include <chrono>

#include "ActivityInjector.h"
#include "WaylandConnection.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace pausalo::testing {

namespace {

class WlrVirtualPointer : public ActivityInjector {
 public:
  explicit WlrVirtualPointer(std::string& error) {
    if (!connection_.Connected()) {
      error = "no Wayland compositor in WAYLAND_DISPLAY";
      return;
    }
    manager_ = static_cast<zwlr_virtual_pointer_manager_v1*>(
        connection_.Bind(zwlr_virtual_pointer_manager_v1_interface, 1));
    if (manager_ == nullptr) {
      error = "the compositor offers no zwlr_virtual_pointer_manager_v1";
      return;
    }
    pointer_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager_, nullptr);
  }
  ~WlrVirtualPointer() override {
    if (pointer_ != nullptr) zwlr_virtual_pointer_v1_destroy(pointer_);
    if (manager_ != nullptr) zwlr_virtual_pointer_manager_v1_destroy(manager_);
  }
  WlrVirtualPointer(const WlrVirtualPointer&) = delete;
  WlrVirtualPointer& operator=(const WlrVirtualPointer&) = delete;

  bool Ready() const { return pointer_ != nullptr; }

  bool MovePointer(int dx, int dy) override {
    zwlr_virtual_pointer_v1_motion(pointer_, Milliseconds(), wl_fixed_from_int(dx), wl_fixed_from_int(dy));
    zwlr_virtual_pointer_v1_frame(pointer_);
    return connection_.Flush();
  }
  bool Settle() override { return connection_.Roundtrip(); }

 private:
  static std::uint32_t Milliseconds() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }

  WaylandConnection connection_;
  zwlr_virtual_pointer_manager_v1* manager_ = nullptr;
  zwlr_virtual_pointer_v1* pointer_ = nullptr;
};

}  // namespace

std::unique_ptr<ActivityInjector> ConnectWlrVirtualPointer(std::string& error) {
  auto pointer = std::make_unique<WlrVirtualPointer>(error);
  if (!pointer->Ready()) return nullptr;
  return pointer;
}

}  // namespace pausalo::testing
