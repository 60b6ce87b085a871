#include "platform/HelpViewer.h"

#include <QFile>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QUrl>

#include "platform/DesktopWindows.h"

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
  if (over != nullptr && over->isVisible()) PlaceOver(*browser_, *over);
  browser_->show();
  browser_->raise();
  browser_->activateWindow();
  return true;
}

}  // namespace pausalo
