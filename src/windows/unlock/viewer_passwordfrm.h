// The viewer unlock window: asks for the viewer password of the wrapped photo the main window
// names, and on a match shows the unwrapped picture in the main window.
#pragma once

#include "ui/window_base.h"

namespace pixa::ui {

class ViewerPasswordfrm : public WindowBase {
    Q_OBJECT
public:
    ViewerPasswordfrm();

protected:
    void frameClosed() override { hide(); }
};

} // namespace pixa::ui
