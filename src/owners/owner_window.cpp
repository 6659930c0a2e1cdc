#include "owners/owner_window.h"

#include "ui/image_button.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPainter>

namespace pixa::ui {

OwnerWindow::OwnerWindow(const OwnerWindowContext& context, const QString& objectName,
                         const QString& caption, const QSize& clientSize)
    : m_context(context) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setFixedSize(clientSize);
}

void OwnerWindow::Form_Activate() {
    activateWindow();
    if (m_firstBox) m_firstBox->setFocus(Qt::OtherFocusReason);
}

ImageButton* OwnerWindow::addImageButton(int faceNumber, const QString& name, const QRect& geometry,
                                         const QString& toolTip) {
    auto* button = new ImageButton(faceNumber, this);
    button->setObjectName(name);
    button->move(geometry.topLeft());
    button->setToolTip(toolTip);
    return button;
}

void OwnerWindow::unload() {
    m_unloaded = true;
    hide();
    deleteLater();
}

void OwnerWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window restored from the task bar keeps the focus where the user left it.
    if (!event->spontaneous()) Form_Activate();
}

void OwnerWindow::closeEvent(QCloseEvent* event) {
    // The window unloads itself, or the application ends, in frameClosed().
    event->ignore();
    if (!m_unloaded) frameClosed();
}

void OwnerWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_backdrop);
}

} // namespace pixa::ui
