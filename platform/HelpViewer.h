#pragma once

#include <QString>
#include <memory>

class QTextBrowser;

namespace pausalo {

// A small window showing the program's help pages, which are compiled in
// under ":/help/".
class HelpViewer {
 public:
  HelpViewer();
  ~HelpViewer();
  HelpViewer(const HelpViewer&) = delete;
  HelpViewer& operator=(const HelpViewer&) = delete;

  // Shows the first page of a help file and brings the window up. Returns
  // false, showing nothing, when there is no such help file.
  bool ShowContents(const QString& helpFile, const QString& windowTitle);

 private:
  std::unique_ptr<QTextBrowser> browser_;
};

}  // namespace pausalo
