#include "widgets/AutoSize.h"

#include <QLayout>
#include <QWidget>

namespace pausalo {

namespace {

bool Places(const QLayout& layout, const QWidget& widget) {
  for (int i = 0; i < layout.count(); ++i) {
    QLayoutItem* item = layout.itemAt(i);
    if (item->widget() == &widget) return true;
    if (const QLayout* inner = item->layout(); inner != nullptr && Places(*inner, widget)) return true;
  }
  return false;
}

bool PlacedByLayout(const QWidget& widget) {
  const QWidget* parent = widget.parentWidget();
  return parent != nullptr && parent->layout() != nullptr && Places(*parent->layout(), widget);
}

}  // namespace

void FitToSizeHint(QWidget& widget, Qt::Orientations fitted, bool keepRightEdge) {
  widget.updateGeometry();
  if (PlacedByLayout(widget)) return;
  const QSize hint = widget.sizeHint();
  const int width = fitted.testFlag(Qt::Horizontal) ? hint.width() : widget.width();
  const int height = fitted.testFlag(Qt::Vertical) ? hint.height() : widget.height();
  const int left = keepRightEdge ? widget.x() + widget.width() - width : widget.x();
  widget.setGeometry(left, widget.y(), width, height);
}

}  // namespace pausalo
