// The viewer unlock window: asks for the viewer password of the wrapped photo the main window
// names, and on a match shows the unwrapped picture in the main window.
#pragma once

#include "ui/main_window_link.h"
#include "ui/window_base.h"

class QLineEdit;
class QProgressBar;
class QPushButton;

namespace pixa {
class PffReader;
class RememberedPasswords;
class Session;
} // namespace pixa

namespace pixa::ui {

class Platform;

class UnlockWindow : public WindowBase {
    Q_OBJECT
public:
    // Loading the window holds the main window. A password that opens a photo joins
    // `remembered`.
    UnlockWindow(Session& session, MainWindowLink& mainWindow, Platform& platform,
                 RememberedPasswords& remembered);

    // False once OK or Enter has unloaded the window; a window only hidden stays loaded.
    bool loaded() const { return !unloaded(); }

    // OK: the unlock sequence.
    void unlock();
    // Enter in the password box: the same sequence; other keys are the box's.
    void passwordKeyPressed(int keyAscii);
    // "X": releases the main window and hides this one, keeping what was typed; during an
    // unwrap, stops it.
    void closeWithoutUnlocking();
    void showHelp();
    // A lock: the password box is emptied and the window closes as "X" does, an unwrap stopping,
    // so that the next open of any photo asks afresh.
    void lock();

protected:
    void frameClosed() override { closeWithoutUnlocking(); }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refuse();
    // Unwraps the matched photo into the incoming picture, showing its progress.
    UnwrapResult unwrap(const PffReader& reader, const ShownPhoto& awaited, const LongWork& work);
    QWidget* messageParent();

    Session& m_session;
    MainWindowLink& m_mainWindow;
    Platform& m_platform;
    RememberedPasswords& m_remembered;

    // Held from loading until OK, Enter or "X".
    MainWindowHold m_hold;

    QLineEdit* m_passwordEdit;
    QProgressBar* m_progressBar;
    ImageButton* m_unlockButton;
    ImageButton* m_helpButton;
    QPushButton* m_closeButton;
};

} // namespace pixa::ui
