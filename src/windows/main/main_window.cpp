#include "windows/main/main_window.h"

#include "core/error.h"
#include "core/session.h"
#include "imaging/picture_decode.h"
#include "ui/error_report.h"
#include "ui/help.h"
#include "ui/lock_triggers.h"
#include "windows/main/command_bar.h"
#include "windows/main/info_panel.h"
#include "windows/main/main_backdrop.h"
#include "windows/main/open_command.h"
#include "windows/main/photo_collection.h"
#include "windows/main/photo_grid.h"
#include "windows/main/photo_view.h"
#include "windows/main/picture_viewport.h"
#include "windows/main/save_command.h"
#include "windows/main/top_controls.h"
#include "windows/main/zoom_steps.h"
#include "windows/owner/owner_flow.h"
#include "windows/unlock/viewer_unlock.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <cstdlib>
#include <new>
#include <utility>

namespace pixa::ui {

MainWindow::MainWindow(Session& session, Platform& platform)
    : WindowBase(QStringLiteral("MainWindow"), QString(), kMainClientSize, platform),
      m_session(session), m_platform(platform), m_photo(*this, session.unwrappedPicture()),
      m_top(new TopControls(this)), m_commands(new CommandBar(m_top->band())),
      m_info(std::make_unique<InfoPanel>(m_top->band())), m_view(new PhotoView(*this, platform)) {
    setBackdrop(mainBackdrop());
    setAcceptDrops(true);
    // At least the size drawn for it; the buttons and panel keep their places as it grows.
    setMinimumSize(kMainClientSize);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setFirstBox(m_info->captionEdit());
    m_collection = new PhotoCollection(
        *this, platform, session.unwrappedPicture(), m_photo,
        [this](const QString& pff, const std::filesystem::path& target, const Progress& progress,
               std::stop_token stop) {
            return m_unlock ? m_unlock->unwrapRemembered(pff, target, progress, std::move(stop))
                            : std::nullopt;
        });
    m_grid = new PhotoGrid(this, platform,
                           [this](const PffInfo& info) { return unlockedInGrid(info); });
    connect(m_grid, &PhotoGrid::photoChosen, this, &MainWindow::openFromGrid);
    m_open = std::make_unique<OpenCommand>(platform, *this, *m_commands, *m_info, *m_view, m_photo,
                                           *m_collection);
    m_save = std::make_unique<SaveCommand>(
        session, platform, *this, *m_commands, *m_view, m_photo,
        [this](const FileDialogResult& chosen) { m_open->remember(chosen); });
    connect(m_commands, &CommandBar::triggered, this, &MainWindow::run);
    connect(m_view, &PhotoView::zoomChanged, this, &MainWindow::zoomChanged);
    // Ctrl+L and idleness (PIXAMANTLER_LOCK_AFTER seconds, for tests) lock.
    m_lockTriggers = new LockTriggers(idleLockAfter(std::getenv("PIXAMANTLER_LOCK_AFTER")), this);
    connect(m_lockTriggers, &LockTriggers::lockRequested, this, &MainWindow::lock);
    m_commands->setEnabled(Command::Save, false);
}

MainWindow::~MainWindow() = default;

void MainWindow::attach(OwnerFlow& owners, ViewerUnlock& unlock) {
    m_owners = &owners;
    m_unlock = &unlock;
    m_open->setUnlock(unlock);
}

void MainWindow::run(Command command) {
    using Handler = void (MainWindow::*)();
    static constexpr std::pair<Command, Handler> kHandlers[] = {
        {Command::Open, &MainWindow::open},
        {Command::Save, &MainWindow::save},
        {Command::NewOwner, &MainWindow::registerOwner},
        {Command::Search, &MainWindow::search},
        {Command::Batch, &MainWindow::batchWrap},
        {Command::Help, &MainWindow::help},
        {Command::Exit, &MainWindow::exit},
        {Command::ActualSize, &MainWindow::actualSize},
        {Command::Fit, &MainWindow::fitToWindow},
        {Command::Grid, &MainWindow::switchGrid},
    };
    // In the grid, the keys of the photo's view do nothing, and the zoom keys size the tiles.
    if (m_grid->shown() && (command == Command::StepForward || command == Command::StepBack ||
                            command == Command::ActualSize || command == Command::Fit))
        return;
    try {
        switch (command) {
        case Command::StepForward:
        case Command::StepBack:
            step(command == Command::StepForward);
            return;
        case Command::FullScreen:
            m_view->toggleFullScreen();
            return;
        case Command::ZoomIn:
        case Command::ZoomOut:
            if (m_grid->shown())
                m_grid->zoomTiles(command == Command::ZoomIn);
            else if (ownerPresent())
                m_view->zoomStep(command == Command::ZoomIn);
            return;
        default:
            for (const auto& [listed, handler] : kHandlers)
                if (listed == command) (this->*handler)();
        }
    } catch (const Failure& failure) {
        reportUntrapped(m_platform, this, failure);
    } catch (const std::bad_alloc&) {
        reportUntrapped(m_platform, this, Failure(err::OutOfMemory));
    }
}

bool MainWindow::ownerPresent() const {
    return m_session.currentOwner().isSet();
}

void MainWindow::load() {
    // Nothing works here until someone has logged in or registered.
    m_waitsForOwner = !ownerPresent();
    updateEnabled();
    if (m_owners) m_owners->startupOwnerCheck();
    m_info->describe({});
    m_commands->setEnabled(Command::Save, false);
    m_view->viewport().hidePicture();
}

void MainWindow::save() {
    // Nothing to save until a photo is on screen.
    if (!ownerPresent() || !shownPhoto().savable()) return;
    LongWork work(*this);
    if (!work.started()) return;
    // The photo on screen when save was pressed: the dialogs are modal.
    const ShownPhoto photo = shownPhoto();
    m_save->run(photo, m_info->caption(), work.stopToken());
}

const QString& MainWindow::saveTarget() const {
    return m_save->target();
}

void MainWindow::registerOwner() {
    if (ownerPresent() && m_owners) m_owners->showRegistration();
}

void MainWindow::search() {
    if (ownerPresent() && m_search) m_search();
}

void MainWindow::batchWrap() {
    if (ownerPresent() && m_batch) m_batch();
}

void MainWindow::help() {
    openHelp(m_platform, this);
}

void MainWindow::exit() {
    m_grid->stop();
    m_collection->dropPrepared();
    m_photo.endApplication(m_platform);
}

void MainWindow::actualSize() {
    if (ownerPresent()) m_view->actualSize();
}

void MainWindow::fitToWindow() {
    if (ownerPresent()) m_view->fit();
}

void MainWindow::zoomChanged() {
    m_info->showZoom(zoomText(m_view->zoom()), m_view->hasPhoto());
    // Actual size and fit are offered whenever the photo is not shown that way already.
    m_commands->setEnabled(Command::Fit, !m_view->fitted());
    m_commands->setEnabled(Command::ActualSize, m_view->fitted() || m_view->zoom() != 1.0);
}

void MainWindow::lock() {
    if (!ownerPresent()) return;
    m_collection->dropPrepared();
    m_grid->lock();
    m_platform.cancelDialogs();
    if (m_unlock) m_unlock->lock();
    // An unwrap or a save of this window stops; a plain picture's decode goes on.
    if (running() && !m_view->decoding()) requestStop();
    m_photo.lock();
    // Only a plain picture stays on screen. Whatever else the view holds may be an unwrapped
    // photo's pixels, such as those left while a plain picture after it failed to load.
    if (shownPhoto().kind != ShownPhoto::Kind::Picture && !m_view->decoding()) {
        m_view->clear();
        m_info->showZoom({}, false);
    }
    m_info->describe({});
    m_info->setStatus(QStringLiteral("Locked"));
}

void MainWindow::watchDesktopLock() {
    m_lockTriggers->watchDesktop(QDBusConnection::sessionBus(), QDBusConnection::systemBus());
}

void MainWindow::openAfterLogin(const QString& path) {
    if (ownerPresent()) {
        openByName(path);
        return;
    }
    m_openAfterLogin = path;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    WindowBase::resizeEvent(event);
    setBackdrop(mainBackdrop(event->size()));
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && plainKey(event->key())) {
        event->accept();
        return;
    }
    WindowBase::keyPressEvent(event);
}

bool MainWindow::plainKey(int key) {
    if (key == Qt::Key_Escape) {
        isFullScreen() ? m_view->toggleFullScreen() : run(Command::Grid);
        return true;
    }
    // The grid moves its selection itself; what it leaves is not the photo's.
    if (m_grid->shown()) return false;
    PictureViewport& viewport = m_view->viewport();
    // Left and Right step while the photo's width fits the frame, and scroll otherwise.
    if ((key == Qt::Key_Left || key == Qt::Key_Right) && viewport.fitsAcross()) {
        step(key == Qt::Key_Right);
        return true;
    }
    return viewport.scrollByKey(key);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::BackButton || event->button() == Qt::ForwardButton) {
        step(event->button() == Qt::ForwardButton);
        event->accept();
        return;
    }
    WindowBase::mousePressEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (ownerPresent() && !running() && !OpenCommand::droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = OpenCommand::droppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    // After the drop has finished: the file manager waits for it, and opening may ask things.
    QTimer::singleShot(0, this, [this, path] { openByName(path); });
}

void MainWindow::heldChanged(bool) {
    updateEnabled();
}

void MainWindow::updateEnabled() {
    setEnabled(!held() && !m_waitsForOwner);
}

void MainWindow::ownerChanged() {
    m_waitsForOwner = false;
    updateEnabled();
    setWindowTitle(ownerCaption(m_session.currentOwner()));
    if (m_openAfterLogin.isEmpty()) return;
    const QString path = std::exchange(m_openAfterLogin, QString());
    // Once the login or registration window has finished.
    QTimer::singleShot(0, this, [this, path] { openByName(path); });
}

QString MainWindow::captionText() const {
    return m_info->caption();
}

QImage MainWindow::shownPicture() const {
    return m_view->shownPicture();
}

bool MainWindow::preparedAhead(const QString& file) const {
    return m_collection->prepared(file);
}

PhotoDescription MainWindow::description() const {
    return m_info->description();
}

void MainWindow::describe(const PhotoDescription& description) {
    m_info->describe(description);
}

QImage MainWindow::decodeUnwrapped(const QString& path) {
    return loadPicture(path);
}

void MainWindow::placeUnwrapped(QImage picture) {
    m_view->place(std::move(picture), true);
}

void MainWindow::shownChanged(const ShownPhoto& photo, bool pictureLoaded) {
    m_commands->setEnabled(Command::Save, photo.savable());
    if (!pictureLoaded) return;
    // A photo fitted or zoomed while it decoded keeps that view once loaded.
    zoomChanged();
    m_info->setStatus({});
    m_collection->prepareSoon();
}

} // namespace pixa::ui
