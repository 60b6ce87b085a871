#include "platform/HelpViewer.h"

#include <QFile>
#include <QTextBrowser>
#include <QUrl>

namespace pausalo {

HelpViewer::HelpViewer() : browser_(std::make_unique<QTextBrowser>()) {
  browser_->setOpenExternalLinks(true);
  browser_->resize(520, 560);
}

HelpViewer::~HelpViewer() = default;

bool HelpViewer::ShowContents(const QString& helpFile, const QString& windowTitle) {
  const QString page = ":/help/" + helpFile;
  if (helpFile.isEmpty() || !QFile::exists(page)) return false;
  browser_->setSource(QUrl("qrc" + page), QTextDocument::HtmlResource);
  browser_->setWindowTitle(windowTitle);
  browser_->show();
  browser_->raise();
  browser_->activateWindow();
  return true;
}

}  // namespace pausalo
