#pragma once

#include "platform/Colors.h"

namespace pausalo {

// Hue, saturation and lightness on the scale the colour routines use: hue
// 0..239, saturation and lightness 0..240.
struct THsl {
  int H = 0;
  int S = 0;
  int L = 0;
  bool operator==(const THsl&) const = default;
};

inline constexpr int HslRange = 240;

// The HSL value of a plain colour ($00BBGGRR). Roundings go to the nearest
// integer, halves to the even neighbour.
THsl ColorToHsl(TColor rgb);

// The plain colour of an HSL value, rounded the same way. Values inside the
// scale give components inside 0..255; components of values outside it are
// limited to 0..255 so that they cannot spill into their neighbours.
TColor HslToColor(int h, int s, int l);

}  // namespace pausalo
