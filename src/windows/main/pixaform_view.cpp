// The main window's view: the window grows, is maximized and goes full screen with the frame
// taking the room, and the zoom keys with the zoom shown under the information panel.
#include "windows/main/pixaform.h"

#include "ui/image_button.h"
#include "windows/main/main_backdrop.h"
#include "windows/main/picture_viewport.h"
#include "windows/main/zoom_steps.h"

#include <QLabel>
#include <QResizeEvent>
#include <QShortcut>

namespace pixa::ui {

void pixaform::addViewControls() {
    // At least the size drawn for it; the buttons and panel keep their places as it grows.
    setMinimumSize(kMainClientSize);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);

    m_zoomLabel = new QLabel(this);
    m_zoomLabel->setObjectName(QStringLiteral("ZoomLabel"));
    m_zoomLabel->setGeometry(516, 92, 175, 16);
    m_zoomLabel->setFont(Label4->font());
    m_zoomLabel->hide();
    // Beside the zoom: what a step passed over, the end of the list, a lock.
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusLabel"));
    m_status->setWordWrap(true);
    m_status->setAccessibleName(QStringLiteral("Status"));
    m_status->hide();
    connect(m_viewport, &PictureViewport::zoomChanged, this, &pixaform::zoomChanged);

    auto* fullScreen = new QShortcut(QKeySequence(Qt::Key_F11), this);
    connect(fullScreen, &QShortcut::activated, this, &pixaform::toggleFullScreen);
    // Ctrl++ is typed as Ctrl+Shift+= on many keyboards, and Ctrl+= saves the Shift.
    const auto zoomKey = [this](QKeyCombination keys, bool in) {
        auto* s = new QShortcut(QKeySequence(keys), this);
        connect(s, &QShortcut::activated, this, [this, in] { zoomStep(in); });
    };
    zoomKey(Qt::CTRL | Qt::Key_Plus, true);
    zoomKey(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus, true);
    zoomKey(Qt::CTRL | Qt::Key_Equal, true);
    zoomKey(Qt::CTRL | Qt::SHIFT | Qt::Key_Equal, true);
    zoomKey(Qt::CTRL | Qt::Key_Minus, false);
}

void pixaform::resizeEvent(QResizeEvent* event) {
    WindowBase::resizeEvent(event);
    setBackdrop(mainBackdrop(event->size()));
    m_viewport->setFrame(viewportFrame(event->size()));
}

void pixaform::toggleFullScreen() {
    if (isFullScreen()) {
        m_beforeFullScreen.testFlag(Qt::WindowMaximized) ? showMaximized() : showNormal();
        return;
    }
    m_beforeFullScreen = windowState();
    showFullScreen();
}

void pixaform::zoomStep(bool in) {
    if (!ownerPresent()) return;
    const double zoom = m_viewport->zoom();
    m_viewport->zoomAboutCentre(in ? zoomStepIn(zoom) : zoomStepOut(zoom));
}

void pixaform::zoomChanged() {
    m_zoomLabel->setText(zoomText(m_viewport->zoom()));
    m_zoomLabel->setVisible(m_viewport->hasPhoto());
    // Actual size and fit are offered whenever the photo is not shown that way already.
    if (m_viewport->fitted()) {
        Command3->Disable();
        Command2->Enable();
        return;
    }
    m_viewport->zoom() == 1.0 ? Command2->Disable() : Command2->Enable();
    Command3->Enable();
}

} // namespace pixa::ui
