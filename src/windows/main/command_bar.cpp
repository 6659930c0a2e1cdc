#include "windows/main/command_bar.h"

#include "ui/image_button.h"

#include <QKeyEvent>
#include <QProgressBar>
#include <QShortcut>

#include <algorithm>
#include <optional>

namespace pixa::ui {

namespace {

struct ButtonPlace {
    Command command;
    int face;
    const char* objectName;
    QPoint at;
    const char* toolTip;
    // What a screen reader calls the button; the tooltip describes it.
    const char* accessibleName;
};

// In the order of their places, which is also their Tab order; the grid's, added later, last.
constexpr std::array<ButtonPlace, 10> kButtonPlaces{{
    {Command::Open, 3, "openButton", {207, 14}, "Open a photo (Ctrl+O)", "Open photo"},
    {Command::Save, 4, "saveButton", {248, 14}, "Save the photo (Ctrl+S)", "Save"},
    {Command::NewOwner, 2, "newOwnerButton", {289, 14}, "Register a new owner", "New owner"},
    {Command::Search,
     8,
     "searchButton",
     {361, 14},
     "Find wrapped photos by their captions",
     "Search"},
    {Command::Batch, 11, "batchButton", {433, 14}, "Wrap many photos at once", "Batch wrapping"},
    {Command::Help, 9, "helpButton", {704, 14}, "Help (F1)", "Help"},
    {Command::Exit, 12, "exitButton", {745, 14}, "Close PixaMantler (Ctrl+Q)", "Exit"},
    {Command::ActualSize, 5, "actualSizeButton", {704, 52}, "Actual size (Ctrl+1)", "Actual size"},
    {Command::Fit, 6, "fitButton", {745, 52}, "Fit to window (Ctrl+0)", "Fit to window"},
    {Command::Grid, 13, "gridButton", {8, 60}, "All photos of the folder (Esc)", "Photo grid"},
}};

struct Key {
    QKeyCombination keys;
    Command command;
};

const std::array<Key, 12> kKeys{{
    {Qt::CTRL | Qt::Key_O, Command::Open},
    {Qt::CTRL | Qt::Key_S, Command::Save},
    {Qt::CTRL | Qt::Key_Q, Command::Exit},
    {QKeyCombination(Qt::Key_F1), Command::Help},
    {Qt::CTRL | Qt::Key_1, Command::ActualSize},
    {Qt::CTRL | Qt::Key_0, Command::Fit},
    {Qt::ALT | Qt::Key_Right, Command::StepForward},
    {Qt::ALT | Qt::Key_Left, Command::StepBack},
    {QKeyCombination(Qt::Key_F11), Command::FullScreen},
    // Ctrl and the + key, or the = key that bears it on many keyboards. No Shift: on X11 and
    // Wayland a press of Ctrl, Shift and = is offered to the shortcuts as both Ctrl+Shift+= and
    // Ctrl++, and Qt runs none of two shortcuts that one press matches. Where a platform offers
    // only the press itself, its Shift reaches zoomKey() instead.
    {Qt::CTRL | Qt::Key_Plus, Command::ZoomIn},
    {Qt::CTRL | Qt::Key_Equal, Command::ZoomIn},
    {Qt::CTRL | Qt::Key_Minus, Command::ZoomOut},
}};

// The zoom a key press stands for, whatever Shift and the keypad add; std::nullopt for another.
std::optional<Command> zoomKey(const QKeyEvent& press) {
    if ((press.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) != Qt::ControlModifier)
        return std::nullopt;
    switch (press.key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return Command::ZoomIn;
    case Qt::Key_Minus:
        return Command::ZoomOut;
    default:
        return std::nullopt;
    }
}

} // namespace

CommandBar::CommandBar(QWidget* band) : QObject(band) {
    for (const ButtonPlace& place : kButtonPlaces) {
        ImageButton* button = addImageButton(
            band, place.face, QString::fromLatin1(place.objectName), place.at,
            QString::fromUtf8(place.toolTip), QString::fromUtf8(place.accessibleName));
        connect(button, &ImageButton::clicked, this,
                [this, command = place.command] { emit triggered(command); });
        m_buttons[size_t(place.command)] = button;
    }

    m_progress = new QProgressBar(band);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setGeometry(205, 55, 297, 10);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_progress->hide();
    addKeys(band->window());
}

void CommandBar::addKeys(QWidget* window) {
    for (const Key& key : kKeys) {
        auto* shortcut = new QShortcut(QKeySequence(key.keys), window);
        connect(shortcut, &QShortcut::activated, this,
                [this, command = key.command] { keyPressed(command); });
    }
    // The zoom keys with Shift, which no shortcut took, come to the window as presses.
    window->installEventFilter(this);
}

void CommandBar::keyPressed(Command command) {
    const size_t index = size_t(command);
    // A key does what its button does, and nothing while the button is disabled.
    if (index < m_buttons.size() && !m_buttons[index]->isEnabled()) return;
    emit triggered(command);
}

bool CommandBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const std::optional<Command> zoom = zoomKey(*static_cast<QKeyEvent*>(event));
    if (zoom) keyPressed(*zoom);
    return zoom.has_value();
}

void CommandBar::setEnabled(Command command, bool enabled) {
    ImageButton* button = m_buttons.at(size_t(command));
    enabled ? button->enable() : button->disable();
}

void CommandBar::showProgress(int maximum) {
    // A picture too small for one block still gets a bar, not a busy animation.
    m_progress->setRange(0, std::max(1, maximum));
    m_progress->setValue(0);
    m_progress->show();
}

void CommandBar::setProgress(int value) {
    m_progress->setValue(std::min(value, m_progress->maximum()));
}

void CommandBar::hideProgress() {
    m_progress->hide();
}

bool CommandBar::progressShown() const {
    return m_progress->isVisible();
}

} // namespace pixa::ui
