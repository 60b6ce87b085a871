#pragma once

#include <QFont>
#include <QString>

namespace pausalo {

// A font as the layouts give it: family, character height in pixels, style.
// "MS Sans Serif", the windows' default, stands for the desktop's closest
// sans-serif face.
inline QFont LayoutFont(const QString& family, int pixels, bool bold = false, bool italic = false) {
  QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "DejaVu Sans"});
  QFont font(family);
  font.setPixelSize(pixels);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

// The windows' default font.
inline QFont DefaultWindowFont() { return LayoutFont("MS Sans Serif", 11); }

}  // namespace pausalo
