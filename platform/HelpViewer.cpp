#include "platform/HelpViewer.h"

#include <QFile>
#include <QKeyEvent>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QWindow>
#include <algorithm>

namespace pausalo {

namespace {

// The help pages in a window of their own that Escape closes.
class HelpBrowser final : public QTextBrowser {
 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
      close();
      return;
    }
    QTextBrowser::keyPressEvent(event);
  }
};

}  // namespace

HelpViewer::HelpViewer() : browser_(std::make_unique<HelpBrowser>()) {
  browser_->setOpenExternalLinks(true);
  // The windows it is opened from stay on top of others.
  browser_->setWindowFlag(Qt::WindowStaysOnTopHint);
  browser_->resize(520, 560);
}

HelpViewer::~HelpViewer() = default;

bool HelpViewer::ShowContents(const QString& helpFile, const QString& windowTitle, const QWidget* over) {
  const QString page = ":/help/" + helpFile;
  if (helpFile.isEmpty() || !QFile::exists(page)) return false;
  browser_->setSource(QUrl("qrc" + page), QTextDocument::HtmlResource);
  browser_->setWindowTitle(windowTitle);
  if (over != nullptr && over->isVisible()) PlaceOver(*over);
  browser_->show();
  browser_->raise();
  browser_->activateWindow();
  return true;
}

// Centred over the window, kept on its screen, and tied to it so that the
// window manager keeps the help above it.
void HelpViewer::PlaceOver(const QWidget& window) {
  QRect placed(QPoint(), browser_->size());
  placed.moveCenter(window.geometry().center());
  if (const QScreen* screen = window.screen()) {
    const QRect room = screen->availableGeometry();
    placed.moveLeft(std::clamp(placed.left(), room.left(), std::max(room.left(), room.right() - placed.width())));
    placed.moveTop(std::clamp(placed.top(), room.top(), std::max(room.top(), room.bottom() - placed.height())));
  }
  browser_->setGeometry(placed);
  browser_->winId();
  browser_->windowHandle()->setTransientParent(window.windowHandle());
}

}  // namespace pausalo
