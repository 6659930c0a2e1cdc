// The window base with what both owner windows are handed: the session, the main window, the
// platform and the way to each other.
#pragma once

#include "ui/window_base.h"
#include "windows/owner/owner_navigator.h"

namespace pixa::ui {

class OwnerWindow : public WindowBase {
protected:
    OwnerWindow(const OwnerWindowContext& context, const QString& objectName,
                const QString& caption, const QSize& clientSize)
        : WindowBase(objectName, caption, clientSize, context.platform), m_context(context) {}

    OwnerWindowContext m_context;
};

} // namespace pixa::ui
