#include "widgets/HSLUtils.h"

#include <algorithm>
#include <cmath>

namespace pausalo {

namespace {

// Nearest integer, halves to the even neighbour.
int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

double Component(TColor rgb, int shift) { return ((rgb >> shift) & 0xFF) / 255.0; }

int ToByte(double value) { return std::clamp(RoundHalfEven(255 * value), 0, 255); }

double HueToValue(double m1, double m2, double x) {
  if (x < 0) {
    x += 1;
  } else if (x > 1) {
    x -= 1;
  }
  if (6 * x < 1) return m1 + (m2 - m1) * 6 * x;
  if (2 * x < 1) return m2;
  if (3 * x < 2) return m1 + (m2 - m1) * (2.0 / 3.0 - x) * 6;
  return m1;
}

}  // namespace

THsl ColorToHsl(TColor rgb) {
  const double r = Component(rgb, 0);
  const double g = Component(rgb, 8);
  const double b = Component(rgb, 16);
  const double max = std::max({r, g, b});
  const double min = std::min({r, g, b});
  const double l = (max + min) / 2;
  double h = 0;
  double s = 0;
  if (max != min) {
    const double d = max - min;
    s = l >= 0.5 ? d / (2 - max - min) : d / (max + min);
    if (max == r) {
      h = (g - b) / d;
    } else if (max == g) {
      h = (b - r) / d + 2;
    } else {
      h = (r - g) / d + 4;
    }
    h /= 6;
    if (h < 0) h += 1;
  }
  return {RoundHalfEven((HslRange - 1) * h), RoundHalfEven(HslRange * s), RoundHalfEven(HslRange * l)};
}

TColor HslToColor(int hue, int saturation, int lightness) {
  const double h = hue / double(HslRange - 1);
  const double s = saturation / double(HslRange);
  const double l = lightness / double(HslRange);
  int red = 0;
  int green = 0;
  int blue = 0;
  if (s == 0) {
    red = green = blue = ToByte(l);
  } else {
    const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double m1 = 2 * l - m2;
    red = ToByte(HueToValue(m1, m2, h + 1.0 / 3.0));
    green = ToByte(HueToValue(m1, m2, h));
    blue = ToByte(HueToValue(m1, m2, h - 1.0 / 3.0));
  }
  return static_cast<TColor>(red | (green << 8) | (blue << 16));
}

}  // namespace pausalo
