#include "windows/unlock/viewer_passwordfrm.h"

namespace pixa::ui {

ViewerPasswordfrm::ViewerPasswordfrm()
    : WindowBase(QStringLiteral("ViewerPasswordfrm"),
                 QStringLiteral("Enter viewer's authentication"), QSize(388, 277)) {}

} // namespace pixa::ui
