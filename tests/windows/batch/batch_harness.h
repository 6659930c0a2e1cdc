// Drives the batch window headless: a source and a destination folder, a registered current
// owner, the scripted platform and a stand-in main window.
#pragma once

#include "core/clock.h"
#include "core/codepage.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/session.h"
#include "scripted_platform.h"
#include "ui/file_browsers.h"
#include "windows/batch/batch_wrap_window.h"

#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>

#include <filesystem>

namespace pixatest {

// A picture-like file of `size` bytes whose bytes tell it from others.
inline bool writePhoto(const QString& path, int size, char seed = 'p') {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QByteArray bytes(size, '\0');
    bytes[0] = 'B';
    if (size > 1) bytes[1] = 'M';
    for (int i = 2; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i % 7);
    return file.write(bytes) == size;
}

struct BatchHarness {
    QTemporaryDir sources;
    QTemporaryDir destination;
    pixa::FixedClock clock{10, 7, 5};
    pixa::Session session{std::filesystem::path(destination.path().toStdString()) / "data", clock};
    pixa::ui::ScriptedPlatform platform;
    QPointer<pixa::ui::BatchWrapWindow> window;

    BatchHarness() {
        std::filesystem::create_directories(session.dataFolder());
        const auto pad = [](const char* text, size_t width) {
            return pixa::padField(pixa::toCodePage(text), width);
        };
        session.setCurrentOwner(*registerOwner(
            session.store(), pad("Anna", pixa::kNameWidth), pad("owner1", pixa::kPasswordWidth),
            pad("viewer", pixa::kPasswordWidth), pad("hint", pixa::kHintWidth), clock));
        window = new pixa::ui::BatchWrapWindow(session, platform);
        window->show();
    }
    ~BatchHarness() { delete window.data(); }

    template <typename T> T* control(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    // Lists the source folder and the destination, and selects the named files.
    void select(const QStringList& names) {
        control<pixa::ui::FolderList>("sourceFolders")->setPath(sources.path());
        control<pixa::ui::FolderList>("destinationFolders")->setPath(destination.path());
        pixa::ui::FileList* files = control<pixa::ui::FileList>("photoList");
        for (int i = 0; i < files->entryCount(); ++i)
            files->item(i)->setSelected(names.contains(files->name(i)));
    }
    QString status() { return control<QLabel>("statusLabel")->text(); }
    bool written(const QString& name) { return QFile::exists(destination.filePath(name)); }
};

} // namespace pixatest
