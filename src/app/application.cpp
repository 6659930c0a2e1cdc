#include "app/application.h"

#include "core/error.h"
#include "core/file_io.h"
#include "core/owner_store.h"
#include "windows/main/pixaform.h"
#include "windows/owner/owner_flow.h"
#include "windows/unlock/viewer_unlock.h"

#include <QTimer>

#include <filesystem>

namespace pixa::app {

namespace fs = std::filesystem;

Application::Application() = default;

Application::~Application() {
    // The windows that point at the main window go first.
    m_unlock.reset();
    m_owners.reset();
    m_mainWindow.reset();
}

bool Application::start() {
    fs::path folder;
    try {
        folder = resolveDataFolder();
    } catch (const Failure& failure) {
        m_platform.message(nullptr, QStringLiteral("PixaMantler cannot start: %1.")
                                        .arg(QString::fromStdString(failure.detail())));
        return false;
    }
    removeStaleTemporaries(folder);

    m_session = std::make_unique<Session>(folder, m_clock);
    m_mainWindow = std::make_unique<ui::pixaform>(*m_session, m_platform);
    m_owners = std::make_unique<ui::OwnerFlow>(*m_session, *m_mainWindow, m_platform);
    m_unlock = std::make_unique<ui::ViewerUnlock>(*m_session, *m_mainWindow, m_platform);
    m_mainWindow->attach(*m_owners, *m_unlock);
    showMainWindow();
    return true;
}

void Application::showMainWindow() {
    m_mainWindow->show();
    // Once the main window is up, so that the owner windows open over it.
    QTimer::singleShot(0, m_mainWindow.get(), [this] { m_mainWindow->Form_Load(); });
}

} // namespace pixa::app
