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
    void Command1_Click();
    // Enter in the password box: the same sequence; other keys are the box's.
    void Text2_KeyPress(int keyAscii);
    // "X": releases the main window and hides this one, keeping what was typed; during an
    // unwrap, stops it.
    void Command2_Click();
    void Image1_Click();
    // A lock: the password box is emptied and the window closes as "X" does, an unwrap stopping,
    // so that the next open of any photo asks afresh.
    void lock();

protected:
    void frameClosed() override { Command2_Click(); }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void unlock();
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

    QLineEdit* Text2;
    QProgressBar* ProgressBar1;
    ImageButton* Command1;
    ImageButton* Image1;
    QPushButton* Command2;
};

} // namespace pixa::ui
