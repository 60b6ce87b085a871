#pragma once

#include <QStringList>

namespace pausalo {

// The eleven lines of the Info page's credits panel.
QStringList CreditLines();

// The credits picture (85 x 100, its background is the colour of its
// bottom-left pixel), in the resources of the credits_resources target.
inline constexpr char CreditGlyphResource[] = ":/credits/beer-mug.png";

}  // namespace pausalo
