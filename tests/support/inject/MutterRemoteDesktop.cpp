// Pointer motion through a remote desktop session of mutter. Mutter ties
// the session to the bus connection that created it: every call goes over
// this one connection.
#include <systemd/sd-bus.h>

#include "ActivityInjector.h"

namespace pausalo::testing {

namespace {

constexpr const char* Service = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* SessionInterface = "org.gnome.Mutter.RemoteDesktop.Session";

struct BusCloser {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageReleaser {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Bus = std::unique_ptr<sd_bus, BusCloser>;
using Message = std::unique_ptr<sd_bus_message, MessageReleaser>;

// A method call's error, freed with it.
class CallError {
 public:
  CallError() = default;
  ~CallError() { sd_bus_error_free(&error_); }
  CallError(const CallError&) = delete;
  CallError& operator=(const CallError&) = delete;
  sd_bus_error* get() { return &error_; }
  std::string Text(const char* call) const {
    return std::string(call) + ": " + (error_.message != nullptr ? error_.message : "no answer");
  }

 private:
  sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

class MutterRemoteDesktop : public ActivityInjector {
 public:
  explicit MutterRemoteDesktop(std::string& error) {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) {
      error = "no session bus";
      return;
    }
    bus_.reset(bus);
    CallError callError;
    sd_bus_message* reply = nullptr;
    if (sd_bus_call_method(bus_.get(), Service, "/org/gnome/Mutter/RemoteDesktop", Service, "CreateSession",
                           callError.get(), &reply, "") < 0) {
      error = callError.Text("CreateSession");
      return;
    }
    const Message answer(reply);
    const char* path = nullptr;
    if (sd_bus_message_read(answer.get(), "o", &path) < 0) {
      error = "CreateSession gave no session";
      return;
    }
    session_ = path;
    if (!CallSession("Start", error, "")) session_.clear();
  }
  ~MutterRemoteDesktop() override {
    std::string ignored;
    if (!session_.empty()) CallSession("Stop", ignored, "");
  }
  MutterRemoteDesktop(const MutterRemoteDesktop&) = delete;
  MutterRemoteDesktop& operator=(const MutterRemoteDesktop&) = delete;

  bool Ready() const { return !session_.empty(); }

  bool MovePointer(int dx, int dy) override {
    std::string ignored;
    return CallSession("NotifyPointerMotionRelative", ignored, "dd", static_cast<double>(dx), static_cast<double>(dy));
  }
  // Every call waits for its answer.
  bool Settle() override { return true; }

 private:
  template <typename... Arguments>
  bool CallSession(const char* method, std::string& error, const char* signature, Arguments... arguments) {
    CallError callError;
    if (sd_bus_call_method(bus_.get(), Service, session_.c_str(), SessionInterface, method, callError.get(), nullptr,
                           signature, arguments...) < 0) {
      error = callError.Text(method);
      return false;
    }
    return true;
  }

  Bus bus_;
  std::string session_;
};

}  // namespace

std::unique_ptr<ActivityInjector> ConnectMutterRemoteDesktop(std::string& error) {
  auto session = std::make_unique<MutterRemoteDesktop>(error);
  if (!session->Ready()) return nullptr;
  return session;
}

}  // namespace pausalo::testing
