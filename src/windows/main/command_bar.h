// The main window's command buttons, the keys that stand for them, and the progress bar of its
// long work.
#pragma once

#include <QObject>

#include <array>

class QProgressBar;
class QWidget;

namespace pixa::ui {

class ImageButton;

// What the user can ask of the main window, by a button, a key or both.
enum class Command {
    // With a button each.
    Open,
    Save,
    NewOwner,
    Search,
    Batch,
    Help,
    Exit,
    ActualSize,
    Fit,
    Grid,
    // Keys only.
    StepForward,
    StepBack,
    ZoomIn,
    ZoomOut,
    FullScreen,
};

class CommandBar final : public QObject {
    Q_OBJECT
public:
    // Creates the buttons and the hidden progress bar on `band`, the band of controls at the
    // window's top (TopControls), and the keys on its window, where they work while the band is
    // hidden.
    explicit CommandBar(QWidget* band);

    // A disabled button shows its grey face, and neither it nor its key does anything.
    void setEnabled(Command command, bool enabled);

    // Shown with a range at the start of a transfer, hidden at its end.
    void showProgress(int maximum);
    void setProgress(int value);
    void hideProgress();
    bool progressShown() const;

signals:
    // A button was clicked, or a key pressed while its button (if it has one) is enabled.
    void triggered(pixa::ui::Command command);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addKeys(QWidget* window);
    // A key's command, run as its button's would be.
    void keyPressed(Command command);

    static constexpr int kButtons = int(Command::Grid) + 1;
    std::array<ImageButton*, kButtons> m_buttons{};
    QProgressBar* m_progress = nullptr;
};

} // namespace pixa::ui
