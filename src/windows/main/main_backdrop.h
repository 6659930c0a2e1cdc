// The main window's painted background and the place of its viewport: the shared artwork with
// the window's frame, the raised strips behind the buttons, the information panel, the word
// Caption and the viewport's well, which grows with the window; and the band of it behind the
// controls.
#pragma once

#include <QPixmap>
#include <QRect>

namespace pixa::ui {

// The main window's client area at its own size, and the smallest it can be made.
inline constexpr QSize kMainClientSize(800, 600);

// The band at the client area's top that holds the buttons and the information panel, down to
// the viewport's well.
inline constexpr int kControlsHeight = 110;

// The viewport frame (the photo frame) in a client area of `client`: 14, 112, 770 × 464 at 800 ×
// 600, growing with the window, with room right of and below it for the scroll bars.
QRect viewportFrame(QSize client);

// The background of the main window at `client`.
QPixmap mainBackdrop(QSize client = kMainClientSize);

// The band of that background behind the controls, `width` wide and closed by an edge below: the
// controls shown over a full screen photo stand on it as they do in the window.
QPixmap controlsBackdrop(int width);

} // namespace pixa::ui
