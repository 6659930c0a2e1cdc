// A main window for window tests: records what the other windows do to it, and shows pictures
// by loading them, so that tests can check what would be on screen.
#pragma once

#include "core/error.h"
#include "ui/main_window_link.h"

#include <QImage>
#include <QMap>

namespace pixatest {

class StandInMainWindow final : public pixa::ui::MainWindowLink {
public:
    bool enabled = true;
    QString caption;
    pixa::ui::MainWindowVariables vars;
    QString captionBox;
    QMap<pixa::ui::InfoLabel, QString> labels; // shown labels only
    bool progressShown = false;
    int progressMaximum = 0;
    int progressValue = 0;
    bool busy = false;
    QImage picture;
    bool scrollBarAtWindowEdge = false;
    bool saveEnabled = false;
    int ownerChanges = 0;

    void setMainWindowEnabled(bool value) override { enabled = value; }
    void setMainWindowCaption(const QString& value) override { caption = value; }
    QWidget* mainWindowWidget() override { return nullptr; }
    pixa::ui::MainWindowVariables& variables() override { return vars; }
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
    void showPictureFile(const QString& path, bool atWindowEdge) override {
        QImage loaded(path);
        if (loaded.isNull()) throw pixa::Failure(481, "Invalid picture");
        picture = loaded;
        scrollBarAtWindowEdge = atWindowEdge;
    }
    QImage shownPicture() const override { return picture; }
    void setSaveEnabled(bool value) override { saveEnabled = value; }
    void currentOwnerChanged() override { ++ownerChanges; }
};

} // namespace pixatest
