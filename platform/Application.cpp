#include "platform/Application.h"

#include "platform/HelpViewer.h"

#include <QApplication>
#include <QMessageBox>
#include <algorithm>
#include <atomic>
#include <cassert>
#include <iostream>

#include "platform/Exception.h"

namespace pausalo {

namespace {
TApplication* theApplication = nullptr;
std::atomic<bool> terminated{false};
}  // namespace

TApplication* Application() { return theApplication; }

bool ApplicationIsForeground() { return QApplication::activeWindow() != nullptr; }

void ReportException(const std::exception_ptr& error) noexcept {
  if (!error) return;
  const auto report = [](const std::exception& exception) {
    if (TApplication* application = Application()) {
      try {
        application->HandleException(exception);
        return;
      } catch (...) {
        // Falls back to standard error below.
      }
    }
    std::cerr << exception.what() << std::endl;
  };
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& exception) {
    report(exception);
  } catch (...) {
    report(Exception("Unknown error"));
  }
}

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
  } catch (...) {
    ReportException(std::current_exception());
    return true;
  }
  return false;
}

QPalette ClassicPalette() {
  // From the button face the toolkit derives the bevel shades, white fields
  // and black text; the rest are the classic desktop's.
  QPalette palette(QColor(0xEF, 0xEF, 0xEF));
  palette.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xE1));
  palette.setColor(QPalette::ToolTipText, Qt::black);
  palette.setColor(QPalette::Highlight, QColor(0x00, 0x00, 0x80));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Link, Qt::blue);
  palette.setColor(QPalette::LinkVisited, Qt::darkMagenta);
  palette.setColor(QPalette::PlaceholderText, Qt::darkGray);
  // Marks every role as set, so nothing is taken from the desktop's palette.
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
      const auto colorRole = static_cast<QPalette::ColorRole>(role);
      if (colorRole != QPalette::NoRole) palette.setBrush(group, colorRole, palette.brush(group, colorRole));
    }
  return palette;
}

TApplication::TApplication() : desktopPalette_(QApplication::palette()) {
  assert(theApplication == nullptr && "one application object per program");
  theApplication = this;
  QApplication::setPalette(ClassicPalette());
  // The program ends when it is told to (Terminate), never because its last
  // shown window closed: while it sits in the notification area, closing the
  // help window must not end it.
  QGuiApplication::setQuitOnLastWindowClosed(false);
  terminated = false;
}

TApplication::~TApplication() {
  QApplication::setPalette(desktopPalette_);
  theApplication = nullptr;
}

bool TApplication::HelpCommand(int command, int /*data*/) {
  if (command != HELP_CONTENTS) return false;
  if (!helpViewer_) helpViewer_ = std::make_unique<HelpViewer>();
  return helpViewer_->ShowContents(helpFile_, title_ + " - Help", mainForm_);
}

void TApplication::Minimize() {
  if (OnMinimize) {
    OnMinimize();
  } else if (mainForm_) {
    mainForm_->showMinimized();
  }
}

void ShowMessage(const QString& text) {
  const QString title = Application() != nullptr ? Application()->Title() : QString();
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

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
