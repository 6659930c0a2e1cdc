// The frame every window shares: a fixed client size over a painted backdrop, the focus placed in
// the first box on showing, showing centred over the main window, unloading, the frame's close
// button standing for a window button, and the running state that keeps long work from
// re-entering the window or closing it under a write.
#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <stop_token>

class QLineEdit;

namespace pixa::ui {

class ImageButton;
class Platform;

// Window geometry is designed in twips, fifteen to a pixel.
constexpr QRect fromTwips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}
constexpr QSize sizeFromTwips(int width, int height) {
    return QSize(width / 15, height / 15);
}

// Shows `window` above `over` (when it is shown), centred on it, as its dialog (the window
// manager keeps it above `over`) but not its child: a disabled main window would otherwise
// disable the windows opened for it too. A window that is shown already is brought to the front
// instead.
void presentOver(QWidget* window, QWidget* over);

class WindowBase : public QWidget {
    Q_OBJECT
public:
    // Gives the window the focus, then puts the focus in its first box.
    void activateAtFirstBox();

    // True while long work of this window runs (see LongWork).
    bool running() const { return m_running; }
    // Asks the running work to stop at its next block or file.
    void requestStop() { m_stop.request_stop(); }

protected:
    WindowBase(const QString& objectName, const QString& caption, const QSize& clientSize,
               Platform& platform, QWidget* parent = nullptr);

    Platform& platform() const { return m_platform; }

    void setBackdrop(const QPixmap& backdrop) { m_backdrop = backdrop; }
    void setFirstBox(QLineEdit* box) { m_firstBox = box; }
    // An image button at `geometry`'s top left (its face gives its size), named `name` among the
    // window's children, with the tooltip that describes it and the short name a screen reader
    // calls it by.
    ImageButton* addImageButton(int faceNumber, const QString& name, const QRect& geometry,
                                const QString& toolTip, const QString& accessibleName);

    // Hides the window and deletes it once control is back in the event loop; the next showing
    // starts afresh.
    void unload();
    bool unloaded() const { return m_unloaded; }
    // What closing the window through its frame does. While long work runs, the close waits:
    // the work is asked to stop (closeWhileRunning) and frameClosed() runs when it has ended.
    virtual void frameClosed() = 0;
    // What a frame close during long work does before it waits; by default, asks it to stop.
    virtual void closeWhileRunning() { requestStop(); }

    // Whether Escape closes the window as its frame's close button does; the main window's
    // close ends the application, so it does not.
    virtual bool closesOnEscape() const { return true; }
    // The Tab order of the window's controls follows their places: row by row from the top,
    // each row from the left. Set when the window is first shown.
    void orderTabsByPosition();

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    friend class LongWork;

    Platform& m_platform;
    QPixmap m_backdrop;
    QLineEdit* m_firstBox = nullptr;
    bool m_unloaded = false;
    bool m_running = false;
    bool m_closePending = false;
    bool m_tabsOrdered = false;
    std::stop_source m_stop;
};

// The one way windows run long work (a wrap, an unwrap, a batch, a listing): on the window's own
// thread, yielding to the event loop from the work's progress callback so that the window
// repaints and its abort button works, with the window in its running state for the scope of
// this object. A handler starts it with `LongWork work(*this); if (!work.started()) return;`:
// a second start while the first runs does nothing, so no handler re-enters itself through a
// yield, and nothing starts once the application is ending. The work takes stopToken(); a
// frame close during the work stops it and closes the window once it has ended. While it runs,
// the application's work list (Platform::work()) holds it, so that ending the application stops
// it wherever it runs.
class LongWork {
public:
    explicit LongWork(WindowBase& window);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    bool started() const { return m_started; }
    std::stop_token stopToken() const { return m_window.m_stop.get_token(); }
    bool stopRequested() const { return m_window.m_stop.stop_requested(); }

private:
    WindowBase& m_window;
    bool m_started = false;
};

} // namespace pixa::ui
