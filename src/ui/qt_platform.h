// The platform layer on real Qt message boxes, file dialogs and the application's help window.
#pragma once

#include "ui/platform.h"

#include <QFileDialog>
#include <QPointer>
#include <QStringList>

#include <chrono>
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

    void showHelp(QWidget* parent, const QString& path) override;

    // From the end on, how long work that does not stop may hold the process (a system call
    // that blocks): then the process ends in any case. None by default.
    void setEndDeadline(std::chrono::milliseconds deadline) { m_endDeadline = deadline; }

    // The help window once help has been shown; null before.
    HelpWindow* helpWindow() const { return m_help.get(); }

protected:
    void showMessage(QWidget* parent, const QString& text) override;
    bool showQuestion(QWidget* parent, const QString& text, Default defaultButton) override;
    FileDialogResult showOpenDialog(QWidget* parent, const FileDialogRequest& request) override;
    FileDialogResult showSaveDialog(QWidget* parent, const FileDialogRequest& request) override;
    // Hides every window and leaves every event loop with `exitCode` (message boxes and dialogs
    // that are up close); before the event loop runs, ends the process directly.
    void quit(int exitCode) override;
    void closeDialogs() override;

private:
    FileDialogResult runFileDialog(QWidget* parent, const FileDialogRequest& request, bool save);

    std::unique_ptr<HelpWindow> m_help;
    QPointer<QFileDialog> m_fileDialog;
    std::chrono::milliseconds m_endDeadline{0};
    bool m_deadlineSet = false;
};

} // namespace pixa::ui
