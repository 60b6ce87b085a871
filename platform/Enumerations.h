#pragma once

#include <cstdint>

namespace pausalo {

// Horizontal alignment of text lines.
enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

// The cut of a bevel: none, sunk, standing out, or an empty ring.
enum TBevelCut : std::uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

}  // namespace pausalo
