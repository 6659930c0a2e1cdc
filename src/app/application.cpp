#include "app/application.h"

#include "app/start_trace.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/owner_store.h"
#include "ui/end_on_signals.h"
#include "ui/window_base.h"
#include "windows/batch/batch_wrap_window.h"
#include "windows/main/main_window.h"
#include "windows/owner/owner_flow.h"
#include "windows/search/caption_search_window.h"
#include "windows/title/title_window.h"
#include "windows/unlock/viewer_unlock.h"

#include <QApplication>
#include <QTimer>

#include <chrono>

#include <filesystem>
#include <utility>

namespace pixa::app {

namespace fs = std::filesystem;

Application::Application() = default;

Application::~Application() {
    // The windows that point at the main window go first.
    m_endOnSignals.reset();
    m_title.reset();
    delete m_batch.data();
    delete m_search.data();
    m_unlock.reset();
    m_owners.reset();
    m_mainWindow.reset();
}

bool Application::start(const QString& pendingFile) {
    m_pendingFile = pendingFile;
    fs::path folder;
    try {
        folder = resolveDataFolder();
    } catch (const Failure& failure) {
        m_platform.message(nullptr, QStringLiteral("PixaMantler cannot start: %1.")
                                        .arg(QString::fromStdString(failure.detail())));
        return false;
    }
    removeStaleTemporaries(folder);

    m_session = Session::forRun(folder, m_clock);
    m_mainWindow = std::make_unique<ui::MainWindow>(*m_session, m_platform);
    m_owners = std::make_unique<ui::OwnerFlow>(*m_session, *m_mainWindow, m_platform);
    m_unlock = std::make_unique<ui::ViewerUnlock>(*m_session, *m_mainWindow, m_platform);
    m_mainWindow->attach(*m_owners, *m_unlock);
    m_mainWindow->setBatchAction([this] {
        if (!m_batch) m_batch = new ui::BatchWrapWindow(*m_session, m_platform);
        ui::presentOver(m_batch, m_mainWindow.get());
    });
    m_mainWindow->setSearchAction([this] {
        if (!m_search) m_search = new ui::CaptionSearchWindow(*m_mainWindow, m_platform, *m_unlock);
        ui::presentOver(m_search, m_mainWindow.get());
    });
    // SIGTERM, SIGINT and SIGHUP, and the end of the desktop session, do what the exit button
    // does: every long work stops, this copy's unwrapped picture goes, the process ends; a work
    // held in a system call cannot keep it alive more than a second.
    m_platform.setEndDeadline(std::chrono::seconds(1));
    m_endOnSignals = std::make_unique<ui::EndOnSignals>(m_mainWindow.get(),
                                                        [this] { m_mainWindow->exit(); });
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, m_mainWindow.get(),
                     [this] { m_mainWindow->exit(); });
    m_title = std::make_unique<ui::TitleWindow>(m_platform, [this] { showMainWindow(); });
    traceTitle(*m_title);
    // Inside the event loop, so that ending the application from the title ends it cleanly.
    QTimer::singleShot(0, m_title.get(), [this] { m_title->load(); });
    return true;
}

void Application::showMainWindow() {
    if (!m_pendingFile.isEmpty()) m_mainWindow->openAfterLogin(std::exchange(m_pendingFile, {}));
    m_mainWindow->show();
    // Once the main window is up, so that the owner windows open over it.
    QTimer::singleShot(0, m_mainWindow.get(), [this] {
        m_mainWindow->load();
        m_mainWindow->watchDesktopLock();
    });
}

} // namespace pixa::app
