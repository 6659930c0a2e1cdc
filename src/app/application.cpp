#include "app/application.h"

#include "app/start_trace.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/owner_store.h"
#include "ui/main_window_link.h"
#include "windows/owner/owner_flow.h"
#include "windows/title/pixa_mantler_title.h"

#include <QCloseEvent>
#include <QMainWindow>
#include <QTimer>

#include <filesystem>
#include <utility>

namespace pixa::app {

namespace fs = std::filesystem;

// Stands in for the main photo window until it is built: an empty window that the owner windows
// enable, disable and caption, and whose closing ends the application.
class PlaceholderMainWindow final : public QMainWindow, public ui::MainWindowLink {
public:
    PlaceholderMainWindow(ui::Platform& platform, const Session& session)
        : m_platform(platform), m_session(session) {
        setFixedSize(800, 600);
    }

    // Opens `path` as the open command would, once an owner has logged in; the placeholder
    // shows no pictures.
    void openAfterLogin(const QString&) {}

    void setMainWindowEnabled(bool enabled) override { setEnabled(enabled); }
    void setMainWindowCaption(const QString& caption) override { setWindowTitle(caption); }
    QWidget* mainWindowWidget() override { return this; }
    ui::MainWindowVariables& variables() override { return m_variables; }
    QString captionText() const override { return {}; }
    void setCaptionText(const QString&) override {}
    void setInfoLabel(ui::InfoLabel, const QString&) override {}
    void clearInfoLabels() override {}
    void showProgress(int) override {}
    void setProgress(int) override {}
    void hideProgress() override {}
    void setBusyPointer(bool) override {}
    void showPictureFile(const QString&, bool) override {}
    QImage shownPicture() const override { return {}; }
    void setSaveEnabled(bool) override {}
    void currentOwnerChanged() override {}

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        std::error_code ignored;
        fs::remove(m_session.temporaryPicture(), ignored);
        m_platform.endApplication();
    }

private:
    ui::Platform& m_platform;
    const Session& m_session;
    ui::MainWindowVariables m_variables;
};

Application::Application() = default;

Application::~Application() {
    m_title.reset();
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

    m_session = std::make_unique<Session>(folder, m_clock);
    m_mainWindow = std::make_unique<PlaceholderMainWindow>(m_platform, *m_session);
    m_owners = std::make_unique<ui::OwnerFlow>(*m_session, *m_mainWindow, m_platform);
    m_title = std::make_unique<ui::PixaMantlerTitle>(m_platform, [this] { showMainWindow(); });
    traceTitle(*m_title);
    // Inside the event loop, so that ending the application from the title ends it cleanly.
    QTimer::singleShot(0, m_title.get(), [this] { m_title->Form_Load(); });
    return true;
}

void Application::showMainWindow() {
    if (!m_pendingFile.isEmpty()) m_mainWindow->openAfterLogin(std::exchange(m_pendingFile, {}));
    m_mainWindow->show();
    // Once the main window is up, as its loading would.
    QTimer::singleShot(0, m_mainWindow.get(), [this] { m_owners->startupOwnerCheck(); });
}

} // namespace pixa::app
