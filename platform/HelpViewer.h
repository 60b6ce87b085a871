#pragma once

#include <QString>
#include <memory>

class QTextBrowser;
class QWidget;

namespace pausalo {

// A small window showing the program's help pages, which are compiled in
// under ":/help/". It opens centred over the window it was asked from and
// above it, and Escape closes it.
class HelpViewer {
 public:
  HelpViewer();
  ~HelpViewer();
  HelpViewer(const HelpViewer&) = delete;
  HelpViewer& operator=(const HelpViewer&) = delete;

  // Shows the first page of a help file and brings the window up over the
  // given window (none: where the window manager puts it). Returns false,
  // showing nothing, when there is no such help file.
  bool ShowContents(const QString& helpFile, const QString& windowTitle, const QWidget* over = nullptr);

 private:
  std::unique_ptr<QTextBrowser> browser_;
};

}  // namespace pausalo
