#pragma once

#include <QPalette>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Hint.h"
#include "platform/MessageWindow.h"

namespace pausalo {

// A filter in the application window's hook list: a method together with
// the object it is called on. Two hooks are equal when both are the same.
class TWindowHook {
 public:
  template <auto Method, class T>
  static TWindowHook Bind(T* object) {
    return TWindowHook(object,
                       [](void* self, TMessage& message) -> bool { return (static_cast<T*>(self)->*Method)(message); });
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

 protected:
  void WndProc(TMessage& message) override;

 private:
  friend class ApplicationWindowTestAccess;

  bool OfferToHooks(TMessage& message);

  TApplication& application_;
  std::vector<TWindowHook> hooks_;
};

// The light palette the program's colours were chosen for: light grey button
// face, white fields, black text. Every role of every group is set, so a
// desktop theme (a dark one, say) shows through nowhere.
QPalette ClassicPalette();

// The application object: one per program, made after the QApplication.
// For its lifetime every window of the program has the classic palette,
// whatever the desktop theme.
class TApplication {
 public:
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The application window's handle, as hook libraries are given it.
  PausaloWindow Handle() const { return window_.Handle(); }
  ApplicationWindow& Window() { return window_; }

  // The program's name for the desktop (message boxes, help window).
  const QString& Title() const { return title_; }
  void SetTitle(const QString& title) { title_ = title; }

  // The help file, looked up among the program's help pages.
  const QString& HelpFile() const { return helpFile_; }
  void SetHelpFile(const QString& helpFile) { helpFile_ = helpFile; }
  // Asks the help viewer for the help file; HELP_CONTENTS shows its
  // contents page. Returns false when the help file does not exist.
  bool HelpCommand(int command, int data);

  QWidget* MainForm() const { return mainForm_; }
  void SetMainForm(QWidget* form) { mainForm_ = form; }
  // Minimising the application runs OnMinimize when assigned; otherwise the
  // main form is minimised.
  void Minimize();
  std::function<void()> OnMinimize;

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
  QPalette desktopPalette_;
  QString title_;
  QString helpFile_;
  QPointer<QWidget> mainForm_;
  std::unique_ptr<class HelpViewer> helpViewer_;

  // ---- Hints ----------------------------------------------------------
  // Every widget's tooltip shows as a hint in a window of the hint-window
  // class. The pauses are in milliseconds: from resting on a control to its
  // hint, from one control to the next while a hint is up, and how long a
  // hint stays up.
 public:
  THintWindowClass HintWindowClass() const { return hints_.HintWindowClass(); }
  void SetHintWindowClass(THintWindowClass windowClass) { hints_.SetHintWindowClass(windowClass); }
  bool ShowHint() const { return hints_.ShowHint(); }
  void SetShowHint(bool show) { hints_.SetShowHint(show); }
  int HintPause() const { return hints_.HintPause; }
  void SetHintPause(int ms) { hints_.HintPause = ms; }
  int HintShortPause() const { return hints_.HintShortPause; }
  void SetHintShortPause(int ms) { hints_.HintShortPause = ms; }
  int HintHidePause() const { return hints_.HintHidePause; }
  void SetHintHidePause(int ms) { hints_.HintHidePause = ms; }
  // Called before every hint; may change its text or suppress it.
  TShowHintEvent OnShowHint;
  ApplicationHints& Hints() { return hints_; }

 private:
  ApplicationHints hints_{*this};
  // ---- end of hints ---------------------------------------------------
};

inline constexpr int HELP_CONTENTS = 3;

// A message box with the text and an OK button, titled with the
// application's title. Returns when it is closed.
void ShowMessage(const QString& text);

// The application object of the running program, or null outside its life.
TApplication* Application();

// Whether one of this application's windows is the active window of the
// desktop.
bool ApplicationIsForeground();

// Reports an exception that cannot propagate any further, such as one that
// escaped a handler run from the event loop: the application object's
// exception handling shows it while there is one; otherwise, or when that
// handling fails, its message goes to standard error. Never throws.
// GUI thread.
void ReportException(const std::exception_ptr& error) noexcept;

}  // namespace pausalo
