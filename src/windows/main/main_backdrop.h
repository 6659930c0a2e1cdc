// The main window's painted background: the shared artwork with the window's frame, the raised
// strips behind the buttons, the information panel, the word Caption and the viewport's well.
#pragma once

#include <QPixmap>

namespace pixa::ui {

// The 800 × 600 background of the main window.
QPixmap mainBackdrop();

} // namespace pixa::ui
