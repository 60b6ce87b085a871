// Pointer motion through KWin's fake input.
#include "ActivityInjector.h"
#include "WaylandConnection.h"
#include "fake-input-client-protocol.h"

namespace pausalo::testing {

namespace {

class KWinFakeInput : public ActivityInjector {
 public:
  explicit KWinFakeInput(std::string& error) {
    if (!connection_.Connected()) {
      error = "no Wayland compositor in WAYLAND_DISPLAY";
      return;
    }
    input_ = static_cast<org_kde_kwin_fake_input*>(connection_.Bind(org_kde_kwin_fake_input_interface, 1));
    if (input_ == nullptr) {
      error = "the compositor offers no org_kde_kwin_fake_input (KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 unset?)";
      return;
    }
    org_kde_kwin_fake_input_authenticate(input_, "pausalo-inject", "test input");
  }
  ~KWinFakeInput() override {
    if (input_ != nullptr) org_kde_kwin_fake_input_destroy(input_);
  }
  KWinFakeInput(const KWinFakeInput&) = delete;
  KWinFakeInput& operator=(const KWinFakeInput&) = delete;

  bool Ready() const { return input_ != nullptr; }

  bool MovePointer(int dx, int dy) override {
    org_kde_kwin_fake_input_pointer_motion(input_, wl_fixed_from_int(dx), wl_fixed_from_int(dy));
    return connection_.Flush();
  }
  bool Settle() override { return connection_.Roundtrip(); }

 private:
  WaylandConnection connection_;
  org_kde_kwin_fake_input* input_ = nullptr;
};

}  // namespace

std::unique_ptr<ActivityInjector> ConnectKWinFakeInput(std::string& error) {
  auto input = std::make_unique<KWinFakeInput>(error);
  if (!input->Ready()) return nullptr;
  return input;
}

}  // namespace pausalo::testing
