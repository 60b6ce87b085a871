#include "platform/Application.h"

#include <QApplication>
#include <QMessageBox>
#include <algorithm>
#include <atomic>
#include <cassert>

namespace pausalo {

namespace {
TApplication* theApplication = nullptr;
std::atomic<bool> terminated{false};
}  // namespace

TApplication* Application() { return theApplication; }

void ApplicationWindow::RemoveHook(TWindowHook hook) {
  const auto found = std::find(hooks_.begin(), hooks_.end(), hook);
  if (found != hooks_.end()) hooks_.erase(found);
}

void ApplicationWindow::WndProc(TMessage& message) {
  message.Result = 0;
  if (OfferToHooks(message)) return;
  MessageWindow::WndProc(message);
}

bool ApplicationWindow::OfferToHooks(TMessage& message) {
  try {
    // By index: a filter may add or remove filters while it runs.
    for (std::size_t i = 0; i < hooks_.size(); ++i) {
      const TWindowHook hook = hooks_[i];
      if (hook(message)) return true;
    }
  } catch (const std::exception& error) {
    application_.HandleException(error);
    return true;
  }
  return false;
}

TApplication::TApplication() {
  assert(theApplication == nullptr && "one application object per program");
  theApplication = this;
  terminated = false;
}

TApplication::~TApplication() { theApplication = nullptr; }

QString TApplication::Title() const { return QGuiApplication::applicationDisplayName(); }

void TApplication::SetTitle(const QString& title) { QGuiApplication::setApplicationDisplayName(title); }

void TApplication::HandleException(const std::exception& error) {
  if (OnException) {
    OnException(error);
  } else {
    ShowException(error);
  }
}

void TApplication::ShowException(const std::exception& error) {
  QMessageBox::critical(QApplication::activeWindow(), Title(), QString::fromUtf8(error.what()));
}

void TApplication::Terminate() {
  terminated = true;
  QCoreApplication::quit();
}

bool TApplication::Terminated() { return terminated; }

}  // namespace pausalo
