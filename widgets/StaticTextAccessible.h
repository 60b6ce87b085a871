#pragma once

#include <QAccessibleTextInterface>
#include <QAccessibleWidget>

class QLabel;

namespace pausalo {

// What assistive technology sees of a static text (a QLabel) that carries
// an accessible name of its own, such as a clock named "Activity time": the
// name, and the text it shows as its value and as its read-only text. The
// framework's own interface would show the name only, hiding the text.
class StaticTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit StaticTextAccessible(QLabel* label);

  QString text(QAccessible::Text kind) const override;
  QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override;
  void* interface_cast(QAccessible::InterfaceType type) override;

  // The shown text, read-only: no selection, the cursor at its start.
  QString text(int startOffset, int endOffset) const override;
  int characterCount() const override;
  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* startOffset, int* endOffset) const override;

 private:
  QLabel* Label() const;
  QString Shown() const;
};

// Makes every named QLabel use StaticTextAccessible. Installs the factory on
// the first call only. Qt keeps the interface it made first for an object,
// and setting a label's text already makes one: name the label before that.
void InstallStaticTextAccessibleFactory();

}  // namespace pausalo
