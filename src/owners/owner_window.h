// The frame both owner windows share: fixed size over a painted backdrop, the focus placed in
// the first box on showing, unloading, and a frame's close button standing for a window button.
#pragma once

#include "owners/owner_navigator.h"

#include <QPixmap>
#include <QWidget>

class QLineEdit;

namespace pixa::ui {

class ImageButton;

class OwnerWindow : public QWidget {
    Q_OBJECT
public:
    // Gives the window the focus, then puts the focus in its first box.
    void Form_Activate();

protected:
    OwnerWindow(const OwnerWindowContext& context, const QString& objectName,
                const QString& caption, const QSize& clientSize);

    void setBackdrop(const QPixmap& backdrop) { m_backdrop = backdrop; }
    void setFirstBox(QLineEdit* box) { m_firstBox = box; }
    ImageButton* addImageButton(int faceNumber, const QString& name, const QRect& geometry,
                                const QString& toolTip);

    // Hides the window and deletes it once control is back in the event loop; the next showing
    // starts afresh.
    void unload();
    bool unloaded() const { return m_unloaded; }
    // What closing the window through its frame does.
    virtual void frameClosed() = 0;

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    OwnerWindowContext m_context;

private:
    QPixmap m_backdrop;
    QLineEdit* m_firstBox = nullptr;
    bool m_unloaded = false;
};

} // namespace pixa::ui
