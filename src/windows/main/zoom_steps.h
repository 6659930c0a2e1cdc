// The viewport's zoom steps: the powers of 2^(1/4) from 1/16 to 8, four steps to each doubling.
// Every step is a whole power, so n steps out and n steps in give back the same size, and the
// halvings and doublings (1/2, 1, 2, 4...) where pixels map cleanly are steps themselves.
#pragma once

#include <QString>

namespace pixa::ui {

inline constexpr double kMinZoom = 1.0 / 16;
inline constexpr double kMaxZoom = 8.0;

// The first step above `zoom`, or below it; a zoom between steps (a fitted photo's) goes to its
// neighbour. Past the ends the zoom stays as it is.
double zoomStepIn(double zoom);
double zoomStepOut(double zoom);

// "Zoom : 100 %", the percent rounded to a whole number (at least 1).
QString zoomText(double zoom);

} // namespace pixa::ui
