// Drives the viewer unlock window headless: a private folder, a .pff written by the core for an
// owner with a known viewer password, the scripted platform and the stand-in main window.
#pragma once

#include "core/owner_codec.h"
#include "core/pff_file.h"
#include "core/session.h"
#include "scripted_platform.h"
#include "stand_in_main_window.h"
#include "windows/unlock/unlock_window.h"
#include "windows/unlock/viewer_unlock.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace pixatest {

namespace fs = std::filesystem;

// A 24-bit bitmap large enough for several 1026-byte blocks and a remainder.
inline QByteArray bitmapBytes(int side = 61) {
    QImage image(side, side, QImage::Format_RGB888);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixelColor(x, y, QColor(x * 4 % 256, y * 4 % 256, (x * y) % 256));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

class UnlockHarness {
public:
    UnlockHarness() : session(fs::path(dir.path().toStdString()), clock) {}

    QTemporaryDir dir;
    pixa::FixedClock clock{14, 25, 36};
    pixa::Session session;
    pixa::ui::ScriptedPlatform platform;
    StandInMainWindow mainWindow{session, platform};
    pixa::ui::ViewerUnlock unlock{session, mainWindow, platform};

    // Wraps `picture` into photo.pff for the owner "Alice Martin" with viewer password `viewer`.
    fs::path wrap(const QByteArray& picture, const char* viewer) {
        const fs::path source = session.dataFolder() / "source.bmp";
        const fs::path pff = session.dataFolder() / "photo.pff";
        std::ofstream(source, std::ios::binary).write(picture.data(), picture.size());
        using pixa::padField;
        const auto owner = pixa::registerOwner(
            session.store(), padField("Alice Martin", pixa::kNameWidth),
            padField("owner123", pixa::kPasswordWidth), padField(viewer, pixa::kPasswordWidth),
            padField("", pixa::kHintWidth), clock);
        pixa::encrypt_pff_file({source, pff, "Harbour at dusk", ".BMP", *owner, &clock});
        fs::remove(source);
        return pff;
    }

    // Names the file in the main window and shows the window, as the open command does.
    pixa::ui::UnlockWindow* open(const fs::path& pff) {
        if (unlock.open(QString::fromStdString(pff.string())) !=
            pixa::ui::ViewerUnlock::Opening::Asking)
            return nullptr;
        auto* window = unlock.window();
        return window && QTest::qWaitForWindowActive(window) ? window : nullptr;
    }

    // The files of the data folder and of this copy's picture folder.
    QStringList files() const {
        QStringList out = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        const QString pictures =
            QString::fromStdString(session.unwrappedPicture().folder().string());
        for (const QString& name : QDir(pictures).entryList(QDir::Files | QDir::Hidden))
            out << QStringLiteral("copy/") + name;
        return out;
    }
};

inline QLineEdit* box(QWidget* window, const char* name) {
    return window->findChild<QLineEdit*>(QString::fromLatin1(name));
}

} // namespace pixatest
