// A main window for window tests: follows the main window's own shown-photo rules, records what
// the other windows ask of it, and shows pictures by loading them, so that tests can check what
// would be on screen.
#pragma once

#include "core/error.h"
#include "core/session.h"
#include "ui/main_window_link.h"
#include "ui/main_window_rules.h"
#include "windows/unlock/viewer_unlock.h"

#include <QImage>

namespace pixatest {

class StandInMainWindow final : public pixa::ui::MainWindowLink, private pixa::ui::PhotoScreen {
public:
    StandInMainWindow(pixa::Session& session, pixa::ui::Platform& platform)
        : session(session), platform(platform), rules(*this, session.unwrappedPicture()) {}

    pixa::Session& session;
    pixa::ui::Platform& platform;
    pixa::ui::ShownPhotoRules rules;
    bool enabled = true;
    QString caption;
    // The caption box and the labels; a label without text is hidden.
    pixa::ui::PhotoDescription shownDescription;
    QImage picture;
    bool scrollBarAtWindowEdge = false;
    int ownerChanges = 0;
    // What a view asked for is opened through it; the list kept for the steps.
    pixa::ui::ViewerUnlock* unlock = nullptr;
    QStringList stepList;

    const pixa::ui::ShownPhoto& shown() const { return rules.shown(); }

    QWidget* mainWindowWidget() override { return nullptr; }
    const pixa::ui::ShownPhoto& shownPhoto() const override { return rules.shown(); }
    void awaitPassword(const QString& pff) override { rules.awaitPassword(pff); }
    void showUnwrapped(const pixa::ui::UnwrapResult& result) override {
        rules.showUnwrapped(result);
    }
    void passwordNotGiven() override { rules.passwordNotGiven(); }
    void viewPhoto(const QString& file, const QStringList& list) override {
        stepList = list;
        if (unlock) unlock->open(file);
    }
    void ownerChanged() override {
        ++ownerChanges;
        caption = pixa::ui::ownerCaption(session.currentOwner());
    }
    void endApplication() override { rules.endApplication(platform); }

private:
    void heldChanged(bool held) override { enabled = !held; }
    pixa::ui::PhotoDescription description() const override { return shownDescription; }
    void describe(const pixa::ui::PhotoDescription& text) override { shownDescription = text; }
    QImage decodeUnwrapped(const QString& path) override {
        QImage loaded(path);
        if (loaded.isNull()) throw pixa::Failure(481, "Invalid picture");
        return loaded;
    }
    void placeUnwrapped(QImage shown) override {
        picture = std::move(shown);
        scrollBarAtWindowEdge = true;
    }
    void shownChanged(const pixa::ui::ShownPhoto&, bool) override {}
};

} // namespace pixatest
