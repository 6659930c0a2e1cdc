// The platform layer on real Qt message boxes, file dialogs and the application's help window.
#pragma once

#include "ui/platform.h"

#include <QStringList>

#include <memory>

namespace pixa::ui {

class HelpWindow;

// Turns "description|pattern|description|pattern..." into one Qt name filter per pair. Patterns
// separated by ";" match without regard to letter case ("*.pff" also lists PHOTO.PFF); the
// description is what the dialog shows. A description without a pattern matches every file.
QStringList nameFiltersFromPairs(const QString& filter);

class QtPlatform : public Platform {
public:
    QtPlatform();
    ~QtPlatform() override;

    void message(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
    FileDialogResult openFile(QWidget* parent, const FileDialogRequest& request) override;
    FileDialogResult saveFile(QWidget* parent, const FileDialogRequest& request) override;
    void showHelp(QWidget* parent, const QString& path) override;
    // Hides every window and leaves the event loop with `exitCode`; before the event loop runs,
    // ends the process directly. The caller returns from its handler right after.
    void endApplication(int exitCode = 0) override;

    // The help window once help has been shown; null before.
    HelpWindow* helpWindow() const { return m_help.get(); }

private:
    FileDialogResult runFileDialog(QWidget* parent, const FileDialogRequest& request, bool save);

    std::unique_ptr<HelpWindow> m_help;
};

} // namespace pixa::ui
