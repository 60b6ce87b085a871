#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <vector>

#include "platform/MessageWindow.h"

namespace pausalo {

// A filter in the application window's hook list: a method together with
// the object it is called on. Two hooks are equal when both are the same.
class TWindowHook {
 public:
  template <auto Method, class T>
  static TWindowHook Bind(T* object) {
    return TWindowHook(object, [](void* self, TMessage& message) -> bool {
      return (static_cast<T*>(self)->*Method)(message);
    });
  }

  bool operator()(TMessage& message) const { return code_(object_, message); }
  bool operator==(const TWindowHook&) const = default;

 private:
  using Code = bool (*)(void*, TMessage&);
  TWindowHook(void* object, Code code) : object_(object), code_(code) {}

  void* object_;
  Code code_;
};

class TApplication;

// The application object's own hidden window. Every message it receives is
// answered with Result 0 and offered to the hook list, first to last; the
// first filter returning true ends the handling. An exception escaping a
// filter is shown by the application and the message counts as handled.
class ApplicationWindow final : public MessageWindow {
 public:
  explicit ApplicationWindow(TApplication& application) : application_(application) {}

  void AddHook(TWindowHook hook) { hooks_.push_back(hook); }
  // Removes the first entry equal to the hook; nothing when there is none.
  void RemoveHook(TWindowHook hook);
  std::size_t HookCount() const { return hooks_.size(); }

 protected:
  void WndProc(TMessage& message) override;

 private:
  bool OfferToHooks(TMessage& message);

  TApplication& application_;
  std::vector<TWindowHook> hooks_;
};

// The application object: one per program, made after the QApplication.
class TApplication {
 public:
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The application window's handle, as hook libraries are given it.
  PausaloWindow Handle() const { return window_.Handle(); }
  ApplicationWindow& Window() { return window_; }

  QString Title() const;
  void SetTitle(const QString& title);

  // Reports an exception that escaped an event handler. Shows a message box
  // with its message unless OnException is assigned.
  void HandleException(const std::exception& error);
  void ShowException(const std::exception& error);
  std::function<void(const std::exception&)> OnException;

  // Ends the message loop. From then on Terminated() is true, on every
  // thread, until the next application object is made.
  void Terminate();
  static bool Terminated();

 private:
  ApplicationWindow window_{*this};
};

// The application object of the running program, or null outside its life.
TApplication* Application();

}  // namespace pausalo
