#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "input/HookContract.h"
#include "platform/Application.h"
#include "platform/Exception.h"

namespace pausalo {

// A hook library could not be loaded or refused to install its hook.
class HookError : public Exception {
 public:
  using Exception::Exception;
};

using TMouseMsg = std::function<void(std::int32_t Code, std::uint32_t MesID, tagMOUSEHOOKSTRUCT MRec)>;
using TKeybrdMsg = std::function<void(std::int32_t Code, std::int32_t VKCode, std::int32_t KSInfo)>;
using TShProcMsg = std::function<void(std::int32_t Code, std::int32_t WParam, std::int32_t LParam)>;

inline constexpr char DefaultKeybrdHookLibrary[] = "librasKB50.so";
inline constexpr char DefaultMouseHookLibrary[] = "librasM50.so";

// Turns desktop-wide keyboard and mouse activity, captured by two hook
// libraries loaded at run time, into events on the GUI thread. The
// libraries notify the application window; the component's filter in the
// application window's hook list recognises the notifications and raises
// OnKeybrdMsg / OnMouseMsg with the values left in the libraries' records.
// Libraries are never unloaded. Everything runs on the GUI thread.
class TrasWinGod {
 public:
  // Needs the application object, which has to outlive the component; the
  // libraries are found by bare file name through the program's library
  // search path.
  explicit TrasWinGod(std::string keybrdLibrary = DefaultKeybrdHookLibrary,
                      std::string mouseLibrary = DefaultMouseHookLibrary);
  ~TrasWinGod();
  TrasWinGod(const TrasWinGod&) = delete;
  TrasWinGod& operator=(const TrasWinGod&) = delete;

  // Throw HookError when the hook cannot be installed.
  void StartKeybrdHook();
  void StartMouseHook();
  void StopKeybrdHook();
  void StopMouseHook();
  // The shell hook is never installed, so this does nothing.
  void StopShProcHook();

  // The filter standing in the application window's hook list while a
  // hook is installed.
  bool AppWindowHook(TMessage& message);

  bool MouseHookEnabled() const { return mouse_.Enabled; }
  void SetMouseHookEnabled(bool value) { mouse_.Enabled = value; }
  bool KeybrdHookEnabled() const { return keybrd_.Enabled; }
  void SetKeybrdHookEnabled(bool value) { keybrd_.Enabled = value; }
  bool ShProcHookEnabled() const { return shProc_.Enabled; }
  void SetShProcHookEnabled(bool value) { shProc_.Enabled = value; }

  TMouseMsg OnMouseMsg;
  TKeybrdMsg OnKeybrdMsg;
  TShProcMsg OnShProcMsg;

 private:
  // What the component keeps for one kind of hook.
  struct Hook {
    std::string Library;
    const char* FailureText;
    THookNotification Notification;
    void* Module = nullptr;  // the last load's result; never released
    bool Installed = false;
    bool Enabled = true;
    std::uint32_t Message = 0;  // keeps its value after a stop
    const void* Record = nullptr;

    bool Recognises(const TMessage& message) const;
  };

  void Start(Hook& hook);
  void Stop(Hook& hook);
  TWindowHook Filter() { return TWindowHook::Bind<&TrasWinGod::AppWindowHook>(this); }

  void DoMouseMsg();
  void DoKeybrdMsg();
  void DoShProcMsg();

  TApplication& application_;
  Hook mouse_;
  Hook keybrd_;
  Hook shProc_;
  bool appWindowHooked_ = false;
};

}  // namespace pausalo
