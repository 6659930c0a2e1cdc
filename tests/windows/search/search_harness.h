// Drives the search window headless: a folder of wrapped photos by two owners, the scripted
// platform, a stand-in main window and the real viewer unlock launcher.
#pragma once

#include "core/clock.h"
#include "core/codepage.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/pff_file.h"
#include "core/session.h"
#include "scripted_platform.h"
#include "stand_in_main_window.h"
#include "ui/image_button.h"
#include "windows/search/caption_search_window.h"
#include "windows/unlock/viewer_unlock.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPointer>
#include <QTemporaryDir>

#include <filesystem>

namespace pixatest {

inline pixa::CurrentOwner owner(const pixa::OwnerStore& store, const char* name, int minute,
                                int second) {
    const pixa::FixedClock clock(10, minute, second);
    const auto pad = [](const char* text, size_t width) {
        return pixa::padField(pixa::toCodePage(text), width);
    };
    return *pixa::registerOwner(store, pad(name, pixa::kNameWidth),
                                pad("own", pixa::kPasswordWidth), pad("view", pixa::kPasswordWidth),
                                pad("", pixa::kHintWidth), clock);
}

struct SearchHarness {
    QTemporaryDir folder;
    QTemporaryDir data;
    pixa::FixedClock clock{10, 7, 5};
    pixa::Session session{std::filesystem::path(data.path().toStdString()), clock};
    pixa::ui::ScriptedPlatform platform;
    pixatest::StandInMainWindow mainWindow{session, platform};
    pixa::ui::ViewerUnlock unlock{session, mainWindow, platform};
    QPointer<pixa::ui::CaptionSearchWindow> window;
    pixa::CurrentOwner anna = owner(session.store(), "Anna", 1, 2);     // factor 33
    pixa::CurrentOwner bruno = owner(session.store(), "Bruno", 59, 58); // factor 1287

    SearchHarness() { mainWindow.unlock = &unlock; }
    ~SearchHarness() { delete window.data(); }

    bool wrap(const QString& name, const std::string& caption, const pixa::CurrentOwner& by) {
        const std::filesystem::path picture =
            std::filesystem::path(data.path().toStdString()) / "picture.bmp";
        {
            QFile file(QString::fromStdString(picture.string()));
            if (!file.open(QIODevice::WriteOnly)) return false;
            file.write(QByteArray("BM") + QByteArray(3000, 'x'));
        }
        pixa::WrapRequest request;
        request.source = picture;
        request.target = folder.filePath(name).toStdString();
        request.tag = caption;
        request.fileType = ".BMP";
        request.owner = by;
        request.clock = &clock;
        std::filesystem::create_directories(request.target.parent_path());
        pixa::encrypt_pff_file(request);
        return true;
    }
    // Opens the window in `subfolder` of the folder (the folder itself by default).
    void open(const QString& subfolder = {}) {
        QDir::setCurrent(folder.filePath(subfolder));
        window = new pixa::ui::CaptionSearchWindow(mainWindow, platform, unlock);
        window->show();
    }
    QListWidget* list() { return window->findChild<QListWidget*>(QStringLiteral("captionList")); }
    QStringList captions() {
        QStringList out;
        for (int j = 0; j < list()->count(); ++j)
            if (!list()->item(j)->isHidden()) out << list()->item(j)->text().trimmed();
        return out;
    }
    pixa::ui::ImageButton* view() {
        return window->findChild<pixa::ui::ImageButton*>(QStringLiteral("viewButton"));
    }
    // Selects the visible entry whose caption starts with `caption` and views it.
    void viewCaption(const QString& caption) {
        for (int j = 0; j < list()->count(); ++j) {
            QListWidgetItem* item = list()->item(j);
            if (!item->isHidden() && item->text().startsWith(caption)) {
                list()->setCurrentItem(item);
                break;
            }
        }
        emit view()->clicked();
    }
};

} // namespace pixatest
