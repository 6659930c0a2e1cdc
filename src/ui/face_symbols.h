// The thirteen face symbols, drawn in their full colours for the up face.
#pragma once

class QPainter;
class QRectF;

namespace pixa::ui::detail {

// Draws the symbol of face `faceNumber` (1..13) centred in `area`, the tile's flat inside.
void paintFaceSymbol(QPainter& painter, int faceNumber, const QRectF& area);

} // namespace pixa::ui::detail
