// The help buttons' action: shows the application's help document.
#pragma once

class QWidget;

namespace pixa::ui {

class Platform;

// Shows help/pixamantler.hlp beside the executable through `platform`; a failure is reported
// with the help variant of the error table. The window stays usable.
void openHelp(Platform& platform, QWidget* window);

} // namespace pixa::ui
