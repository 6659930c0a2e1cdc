// Drives the real windows together headless, as a user walks through them: the main window, the
// owner windows and the viewer unlock window over one private folder, the scripted platform
// answering the dialogs, and the command-line tool run on the same data folder.
#pragma once

#include "core/clock.h"
#include "core/session.h"
#include "scripted_platform.h"
#include "test_photo.h"
#include "trash_question.h"
#include "ui/image_button.h"
#include "windows/main/main_window.h"
#include "windows/owner/login_window.h"
#include "windows/owner/owner_flow.h"
#include "windows/owner/registration_window.h"
#include "windows/unlock/unlock_window.h"
#include "windows/unlock/viewer_unlock.h"

#include <QDirIterator>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace pixatest {

// A clock the test moves, so that owners registered one after the other get different keys.
struct SettableClock final : pixa::Clock {
    std::tm now = pixa::FixedClock(10, 7, 5).localNow();
    std::tm localNow() const override { return now; }
};

inline QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Types each text into the window's box of that name, key by key.
inline void type(QWidget* window, std::initializer_list<std::pair<const char*, QString>> texts) {
    for (const auto& [box, text] : texts)
        QTest::keyClicks(window->findChild<QLineEdit*>(QString::fromLatin1(box)), text);
}

class RoadHarness {
public:
    // With `sharing`, a second running copy of the application on the other's data and runtime
    // folders.
    explicit RoadHarness(const RoadHarness* sharing = nullptr)
        : root(sharing ? sharing->root : dir.path()), session(folder("data"), clock, folder("run")),
          window(session, platform), owners(session, window, platform),
          unlock(session, window, platform) {
        window.attach(owners, unlock);
    }

    QTemporaryDir dir;
    QString root; // the folder of the data and runtime folders, the photos and wrapped photos
    SettableClock clock;
    pixa::Session session;
    pixa::ui::ScriptedPlatform platform;
    pixa::ui::MainWindow window;
    pixa::ui::OwnerFlow owners;
    pixa::ui::ViewerUnlock unlock;

    QString path(const QString& name) const { return QDir(root).filePath(name); }
    QString unwrapped() const { return QString::fromStdString(session.temporaryPicture()); }

    // Shows the main window, whose start-up check finds no owner and opens the registration
    // window, and registers the first owner there.
    bool start(const QString& name, const QString& viewer) {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) return false;
        window.load();
        return platform.takeMessages() == QStringList{"There are no owners declared.\r\n"
                                                      "Create atleast one owner before "
                                                      "continuing."} &&
               registerIn(owners.registrationWindow(), name, viewer);
    }
    // Shows the main window over a store that holds owners, and logs `name` in (password "pw").
    bool startLoggedIn(const QString& name) {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) return false;
        window.load();
        pixa::ui::LoginWindow* login = owners.loginWindow();
        if (!login || !QTest::qWaitForWindowActive(login)) return false;
        type(login, {{"nameEdit", name}, {"passwordEdit", "pw"}});
        QTest::keyClick(login->findChild<QLineEdit*>(QStringLiteral("passwordEdit")),
                        Qt::Key_Return);
        return window.isEnabled() && !platform.applicationEnded();
    }
    // A further owner through the main window's new-owner button.
    bool registerOwner(const QString& name, const QString& viewer) {
        QTest::mouseClick(button("newOwnerButton"), Qt::LeftButton);
        return registerIn(owners.registrationWindow(), name, viewer);
    }
    // Writes a photo-like picture; its path.
    QString picture(const QString& name, QSize size, const QByteArray& format) const {
        if (!QImageWriter(path(name), format).write(photoLike(size))) qFatal("cannot write");
        return path(name);
    }

    // The open and save buttons with their dialogs answered.
    void open(const QString& file, int filterIndex) {
        platform.queueFile(file, filterIndex);
        QTest::mouseClick(button("openButton"), Qt::LeftButton);
    }
    void save(const QString& file, int filterIndex) {
        platform.queueFile(file, filterIndex);
        QTest::mouseClick(button("saveButton"), Qt::LeftButton);
    }
    // Opens the wrapped photo and gives `password` in the unlock window, which disables the
    // main window, by OK or by Enter.
    bool openWrapped(const QString& pff, const QString& password, bool enter = false) {
        open(pff, 1);
        pixa::ui::UnlockWindow* w = unlock.window();
        if (!w || !QTest::qWaitForWindowActive(w) || window.isEnabled()) return false;
        type(w, {{"passwordEdit", password}});
        if (enter) QTest::keyClick(w->findChild<QLineEdit*>("passwordEdit"), Qt::Key_Return);
        if (!enter) QTest::mouseClick(w->findChild<QWidget*>("unlockButton"), Qt::LeftButton);
        return !w->isVisible();
    }

    pixa::ui::ImageButton* button(const char* name) const {
        return window.findChild<pixa::ui::ImageButton*>(QString::fromLatin1(name));
    }
    // The information labels as the user sees them: owner, type, date and time; "" when hidden.
    QStringList labels() const {
        QStringList out;
        for (const char* name : {"ownerLabel", "fileTypeLabel", "dateLabel", "timeLabel"}) {
            const auto* label = window.findChild<QLabel*>(QString::fromLatin1(name));
            out << (label->isVisible() ? label->text() : QString());
        }
        return out;
    }
    // Every unwrapped picture anywhere under the test's folder.
    QStringList unwrappedPictures() const {
        QStringList found;
        QDirIterator it(root, {QString::fromLatin1(pixa::kTemporaryPictureName)},
                        QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    }

    // Runs the command-line tool on the data folder; its standard output when it succeeded.
    std::optional<QByteArray> tool(const QStringList& arguments,
                                   const QMap<QString, QString>& environment = {}) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (auto it = environment.cbegin(); it != environment.cend(); ++it)
            env.insert(it.key(), it.value());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(PIXA_CLI_PATH),
                      QStringList{QStringLiteral("--data-dir"), path("data")} + arguments);
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0) {
            qWarning("%s", process.readAllStandardError().constData());
            return std::nullopt;
        }
        return process.readAllStandardOutput();
    }

private:
    std::filesystem::path folder(const char* name) const {
        QDir(root).mkpath(QString::fromLatin1(name));
        return QDir(root).filePath(QString::fromLatin1(name)).toStdString();
    }
    // Fills the registration window as a user would (owner password "pw"), and registers.
    bool registerIn(pixa::ui::RegistrationWindow* w, const QString& name, const QString& viewer) {
        if (!w || !QTest::qWaitForWindowActive(w)) return false;
        type(w, {{"nameEdit", name},
                 {"ownerPasswordEdit", "pw"},
                 {"ownerPasswordConfirmEdit", "pw"},
                 {"hintEdit", "a hint"},
                 {"viewerPasswordEdit", viewer},
                 {"viewerPasswordConfirmEdit", viewer}});
        QTest::mouseClick(w->findChild<QWidget*>(QStringLiteral("createButton")), Qt::LeftButton);
        return platform.takeMessages().isEmpty() && !w->isVisible() && window.isEnabled() &&
               window.windowTitle() == "PixaMantler - Owner : " + name + " logged in.";
    }
};

} // namespace pixatest
