#include "app/application.h"

#include "core/error.h"
#include "core/file_io.h"
#include "core/owner_store.h"
#include "ui/main_window_link.h"
#include "windows/owner/owner_flow.h"

#include <QCloseEvent>
#include <QMainWindow>
#include <QTimer>

#include <filesystem>

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

    m_session = Session::forRun(folder, m_clock);
    m_mainWindow = std::make_unique<PlaceholderMainWindow>(m_platform, *m_session);
    m_mainWindow->show();
    m_owners = std::make_unique<ui::OwnerFlow>(*m_session, *m_mainWindow, m_platform);
    // Once the main window is up, as its loading would.
    QTimer::singleShot(0, m_mainWindow.get(), [this] { m_owners->startupOwnerCheck(); });
    return true;
}

} // namespace pixa::app
