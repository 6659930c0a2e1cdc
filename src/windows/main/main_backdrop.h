// The main window's painted background and the place of its viewport: the shared artwork with
// the window's frame, the raised strips behind the buttons, the information panel, the word
// Caption and the viewport's well, which grows with the window.
#pragma once

#include <QPixmap>
#include <QRect>

namespace pixa::ui {

// The main window's client area at its own size, and the smallest it can be made.
inline constexpr QSize kMainClientSize(800, 600);

// The viewport frame (the photo frame) in a client area of `client`: 14, 112, 770 × 464 at 800 ×
// 600, growing with the window, with room right of and below it for the scroll bars.
QRect viewportFrame(QSize client);

// The background of the main window at `client`.
QPixmap mainBackdrop(QSize client = kMainClientSize);

} // namespace pixa::ui
