#pragma once

#include <Qt>

class QWidget;

namespace pausalo {

// Auto-sizing: a widget announces its changed size hint with
// updateGeometry(), so that a layout that places it sizes it anew. A widget
// that no layout places (controls positioned by hand, as a stored form
// does) takes its size hint here at once in the fitted directions, keeping
// its left edge, or its right edge when keepRightEdge is set.
void FitToSizeHint(QWidget& widget, Qt::Orientations fitted, bool keepRightEdge = false);

}  // namespace pausalo
