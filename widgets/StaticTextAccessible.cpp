#include "widgets/StaticTextAccessible.h"

#include <QLabel>
#include <QTextDocumentFragment>

#include "widgets/AccessibleFactory.h"

namespace pausalo {

StaticTextAccessible::StaticTextAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

QLabel* StaticTextAccessible::Label() const { return static_cast<QLabel*>(widget()); }

QString StaticTextAccessible::Shown() const {
  const QLabel* label = Label();
  const bool rich = label->textFormat() == Qt::RichText ||
                    (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
  return rich ? QTextDocumentFragment::fromHtml(label->text()).toPlainText() : label->text();
}

QString StaticTextAccessible::text(QAccessible::Text kind) const {
  if (kind == QAccessible::Value) return Shown();
  return QAccessibleWidget::text(kind);
}

QList<QPair<QAccessibleInterface*, QAccessible::Relation>> StaticTextAccessible::relations(
    QAccessible::Relation match) const {
  auto related = QAccessibleWidget::relations(match);
  if ((match & QAccessible::Labelled) && Label()->buddy() != nullptr) {
    if (QAccessibleInterface* buddy = QAccessible::queryAccessibleInterface(Label()->buddy())) {
      related.append({buddy, QAccessible::Labelled});
    }
  }
  return related;
}

void* StaticTextAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QString StaticTextAccessible::text(int startOffset, int endOffset) const {
  const QString shown = Shown();
  if (startOffset < 0 || endOffset < startOffset || startOffset > shown.size()) return {};
  return shown.mid(startOffset, endOffset - startOffset);
}

int StaticTextAccessible::characterCount() const { return static_cast<int>(Shown().size()); }

void StaticTextAccessible::selection(int, int* startOffset, int* endOffset) const {
  *startOffset = 0;
  *endOffset = 0;
}

QString StaticTextAccessible::attributes(int, int* startOffset, int* endOffset) const {
  *startOffset = 0;
  *endOffset = characterCount();
  return {};
}

namespace {

QAccessibleInterface* CreateStaticTextAccessible(QLabel* label) {
  return label->accessibleName().isEmpty() ? nullptr : new StaticTextAccessible(label);
}

}  // namespace

void InstallStaticTextAccessibleFactory() { InstallAccessibleFactory<QLabel, &CreateStaticTextAccessible>(); }

}  // namespace pausalo
