// The help buttons' action: shows the application's help document.
#pragma once

#include <QString>

class QWidget;

namespace pixa::ui {

class Platform;

// The help document: share/pixamantler/help/ of an installed program, else help/ beside the
// executable in the build tree.
QString helpDocumentPath();

// Shows the help document beside the executable through `platform`; a failure is reported
// with the help variant of the error table. The window stays usable.
void openHelp(Platform& platform, QWidget* window);

} // namespace pixa::ui
