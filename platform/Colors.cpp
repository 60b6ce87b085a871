#include "platform/Colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace pausalo {

namespace {

// The palette role a system colour follows, or the classic desktop value
// where the toolkit has no such role.
TColor ResolveSystemColor(int index) {
  const QPalette palette = QGuiApplication::palette();
  const auto role = [&](QPalette::ColorRole r, QPalette::ColorGroup group = QPalette::Active) {
    return FromQColor(palette.color(group, r));
  };
  switch (index) {
    case 5: return role(QPalette::Base);
    case 6: return clBlack;
    case 8: return role(QPalette::WindowText);
    case 13: return role(QPalette::Highlight);
    case 14: return role(QPalette::HighlightedText);
    case 15: return role(QPalette::Button);
    case 16: return role(QPalette::Mid);
    case 17: return role(QPalette::Text, QPalette::Disabled);
    case 18: return role(QPalette::ButtonText);
    case 20: return role(QPalette::Light);
    case 21: return role(QPalette::Shadow);
    case 22: return role(QPalette::Midlight);
    case 23: return role(QPalette::ToolTipText);
    case 24: return role(QPalette::ToolTipBase);
    case 0: return clSilver;
    case 1: return 0x808000;
    default: return role(QPalette::Window);
  }
}

}  // namespace

TColor ColorToRGB(TColor color) {
  if (IsSystemColor(color)) return ResolveSystemColor(color & 0xFF);
  return color;
}

QColor ToQColor(TColor color) {
  if (color == clNone) return QColor(Qt::transparent);
  const TColor rgb = ColorToRGB(color);
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TColor FromQColor(const QColor& color) {
  return static_cast<TColor>(color.red() | (color.green() << 8) | (color.blue() << 16));
}

}  // namespace pausalo
