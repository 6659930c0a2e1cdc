// What assistive technology (a screen reader, through AT-SPI) is told about the project's own
// widgets: image buttons are push buttons that can be pressed, and the windows are frames or
// dialogs named by their titles.
#pragma once

namespace pixa::ui {

// Installs the interfaces above into Qt's accessibility; once, after the QApplication exists
// and before the first window is made. Calling it again does nothing.
void installAccessibility();

} // namespace pixa::ui
