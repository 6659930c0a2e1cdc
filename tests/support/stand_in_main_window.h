// A main window for window tests: records what the other windows do to it, and shows pictures
// by loading them, so that tests can check what would be on screen.
#pragma once

#include "core/error.h"
#include "core/picture_folder.h"
#include "ui/main_window_link.h"

#include <QImage>
#include <QMap>

namespace pixatest {

class StandInMainWindow final : public pixa::ui::MainWindowLink {
public:
    bool enabled = true;
    QString caption;
    pixa::ui::ShownPhoto shown;
    pixa::ui::ShownPhoto onScreen; // while a wrapped photo waits for its password
    // Where showUnwrapped() finds the incoming picture; set by the harness.
    pixa::UnwrappedPicture* pictures = nullptr;
    QString captionBox;
    QMap<pixa::ui::InfoLabel, QString> labels; // shown labels only
    bool progressShown = false;
    int progressMaximum = 0;
    int progressValue = 0;
    bool busy = false;
    QImage picture;
    bool scrollBarAtWindowEdge = false;
    int ownerChanges = 0;

    void setMainWindowEnabled(bool value) override { enabled = value; }
    void setMainWindowCaption(const QString& value) override { caption = value; }
    QWidget* mainWindowWidget() override { return nullptr; }
    const pixa::ui::ShownPhoto& shownPhoto() const override { return shown; }
    void awaitPassword(const QString& pff) override {
        clearInfoLabels();
        if (shown.kind != pixa::ui::ShownPhoto::Kind::AwaitingPassword) onScreen = shown;
        shown = {pixa::ui::ShownPhoto::Kind::AwaitingPassword, pff, ".PFF"};
    }
    void showUnwrapped(const QString& pff, const QString& ownerLabel) override {
        const QString incoming = QString::fromStdString(pictures->incomingPath().string());
        QImage loaded(incoming);
        if (shown.ws_file == pff) labels[pixa::ui::InfoLabel::Owner] = ownerLabel;
        if (shown.ws_file != pff || loaded.isNull()) {
            pictures->discardIncoming();
            if (loaded.isNull()) passwordNotGiven();
            if (loaded.isNull()) throw pixa::Failure(481, "Invalid picture");
            return;
        }
        pictures->adoptIncoming();
        picture = loaded;
        scrollBarAtWindowEdge = true;
        shown = {pixa::ui::ShownPhoto::Kind::Unwrapped,
                 QString::fromStdString(pictures->path().string()), ".PFF"};
    }
    void passwordNotGiven() override {
        if (shown.kind == pixa::ui::ShownPhoto::Kind::AwaitingPassword) shown = onScreen;
    }
    QString captionText() const override { return captionBox; }
    void setCaptionText(const QString& text) override { captionBox = text; }
    void setInfoLabel(pixa::ui::InfoLabel label, const QString& text) override {
        labels[label] = text;
    }
    void clearInfoLabels() override { labels.clear(); }
    void showProgress(int maximum) override {
        progressShown = true;
        progressMaximum = maximum;
        progressValue = 0;
    }
    void setProgress(int value) override { progressValue = value; }
    void hideProgress() override { progressShown = false; }
    void setBusyPointer(bool value) override { busy = value; }
    QImage shownPicture() const override { return picture; }
    void currentOwnerChanged() override { ++ownerChanges; }
};

} // namespace pixatest
