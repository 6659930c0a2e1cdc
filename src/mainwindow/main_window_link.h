// The little that other windows may do to the main window: enable or disable it, set its caption.
#pragma once

#include <QString>

class QWidget;

namespace pixa::ui {

class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;

    virtual void setMainWindowEnabled(bool enabled) = 0;
    virtual void setMainWindowCaption(const QString& caption) = 0;
    // The main window itself, so that windows opened for it stay above it; may be null.
    virtual QWidget* mainWindowWidget() = 0;
};

} // namespace pixa::ui
