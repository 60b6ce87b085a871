#pragma once

#include <QObject>
#include <cstdint>

// The enumerations that components publish as properties, registered with
// the namespace's meta-object so that a property shows its values by name.
namespace pausalo {
Q_NAMESPACE

// Horizontal alignment of text lines.
enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)

// The cut of a bevel: none, sunk, standing out, or an empty ring.
enum TBevelCut : std::uint8_t { bvNone, bvLowered, bvRaised, bvSpace };
Q_ENUM_NS(TBevelCut)

// Vertical placement of a text block.
enum TTextLayout : std::uint8_t { tlTop, tlCenter, tlBottom };
Q_ENUM_NS(TTextLayout)

// Direction of a label's shadow, seen from its text.
enum TShadowPosition : std::uint8_t { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
Q_ENUM_NS(TShadowPosition)

// Where a button's glyph and caption go.
enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
Q_ENUM_NS(TButtonLayout)

// When a flat speed button fills its face.
enum class TTransparentMode { tmAlways, tmNotFocused, tmNone };
Q_ENUM_NS(TTransparentMode)

// The drawing state of a flat speed button.
enum class TButtonState { bsUp, bsDisabled, bsPressed, bsLatched };
Q_ENUM_NS(TButtonState)

// Where a scrolling panel puts its picture beside the text.
enum TGlyphLayout : std::uint8_t { glGlyphLeft, glGlyphRight, glGlyphTop, glGlyphBottom };
Q_ENUM_NS(TGlyphLayout)

// Which way a scrolling panel moves its text.
enum TScrollDirection : std::uint8_t { sdVertical, sdHorizontal };
Q_ENUM_NS(TScrollDirection)

}  // namespace pausalo
