#include "input/WinGod.h"

#include <dlfcn.h>

namespace pausalo {

namespace {

// Set by the first shell event of the process, for all components.
bool shellEventRaised = false;

TApplication& RunningApplication() {
  TApplication* application = Application();
  if (application == nullptr) throw Exception("TrasWinGod needs the application object");
  return *application;
}

void* FindExport(void* module, const char* name) { return module == nullptr ? nullptr : dlsym(module, name); }

}  // namespace

TrasWinGod::TrasWinGod(std::string keybrdLibrary, std::string mouseLibrary)
    : application_(RunningApplication()),
      mouse_{std::move(mouseLibrary), "Unable to install a mouse hook!", MHookNotification},
      keybrd_{std::move(keybrdLibrary), "Unable to install a keyboard hook!", KBHookNotification},
      shProc_{{}, nullptr, ShHookNotification} {}

TrasWinGod::~TrasWinGod() {
  StopKeybrdHook();
  StopMouseHook();
  StopShProcHook();
}

void TrasWinGod::StartKeybrdHook() { Start(keybrd_); }
void TrasWinGod::StartMouseHook() { Start(mouse_); }
void TrasWinGod::StopKeybrdHook() { Stop(keybrd_); }
void TrasWinGod::StopMouseHook() { Stop(mouse_); }
void TrasWinGod::StopShProcHook() { Stop(shProc_); }

void TrasWinGod::Start(Hook& hook) {
  if (hook.Installed) return;
  // Loaded again at every start and never closed: the library's record
  // has to stay readable as long as the process runs.
  hook.Module = dlopen(hook.Library.c_str(), RTLD_NOW | RTLD_LOCAL);
  const auto setHook = reinterpret_cast<SetHookProc>(FindExport(hook.Module, SetHookExport));
  hook.Record = setHook == nullptr ? nullptr : setHook(application_.Handle());
  if (hook.Record == nullptr) throw HookError(hook.FailureText);
  hook.Installed = true;
  hook.Message = pausalo_register_window_message(hook.Notification.MessageName);
  if (!appWindowHooked_) {
    application_.Window().AddHook(Filter());
    appWindowHooked_ = true;
  }
}

void TrasWinGod::Stop(Hook& hook) {
  if (!hook.Installed) return;
  const auto removeHook = reinterpret_cast<RemoveHookProc>(FindExport(hook.Module, RemoveHookExport));
  if (removeHook != nullptr) removeHook(application_.Handle());
  hook.Installed = false;
  if (appWindowHooked_ && !mouse_.Installed && !keybrd_.Installed && !shProc_.Installed) {
    application_.Window().RemoveHook(Filter());
    appWindowHooked_ = false;
  }
}

bool TrasWinGod::Hook::Recognises(const TMessage& message) const {
  return Message != 0 && Record != nullptr && message.Msg == Message && message.WParam == Notification.WParam &&
         message.LParam == Notification.LParam && Enabled;
}

bool TrasWinGod::AppWindowHook(TMessage& message) {
  if (mouse_.Recognises(message)) {
    DoMouseMsg();
  } else if (keybrd_.Recognises(message)) {
    DoKeybrdMsg();
  } else if (shProc_.Recognises(message)) {
    DoShProcMsg();
  } else {
    return false;
  }
  return true;
}

// The records are read at the moment the notification is handled.

void TrasWinGod::DoMouseMsg() {
  if (!OnMouseMsg) return;
  const auto& record = *static_cast<const TMouseHookRecord*>(mouse_.Record);
  OnMouseMsg(record.Code.load(std::memory_order_relaxed), record.MesID.load(std::memory_order_relaxed),
             record.LoadMRec());
}

void TrasWinGod::DoKeybrdMsg() {
  if (!OnKeybrdMsg) return;
  const auto& record = *static_cast<const TKeybrdHookRecord*>(keybrd_.Record);
  OnKeybrdMsg(record.Code.load(std::memory_order_relaxed), record.VKCode.load(std::memory_order_relaxed),
              record.KSInfo.load(std::memory_order_relaxed));
}

void TrasWinGod::DoShProcMsg() {
  if (shellEventRaised) return;
  if (OnShProcMsg) {
    const auto& record = *static_cast<const TShProcHookRecord*>(shProc_.Record);
    OnShProcMsg(record.Code.load(std::memory_order_relaxed), record.WParam.load(std::memory_order_relaxed),
                record.LParam.load(std::memory_order_relaxed));
  }
  shellEventRaised = true;
}

}  // namespace pausalo
