// The layer over the platform's blocking window services: message boxes, file dialogs, help and
// ending the application. Windows call it; tests replace it with a scripted one.
#pragma once

#include <QString>

#include <string_view>

class QWidget;

namespace pixa::ui {

// The application's title, the caption of every message box.
inline const QString kAppTitle = QStringLiteral("PixaMantler");

// A text of the core's message table (UTF-8) as a message box shows it.
inline QString coreText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

struct FileDialogRequest {
    QString filter;            // "description|pattern|description|pattern..."
    int filterIndex = 1;       // 1-based pair selected when the dialog opens
    QString fileName;          // preselected file name or path
    QString directory;         // starting folder; empty for the dialog's own choice
    bool hideReadOnly = false; // accepted and ignored
};

struct FileDialogResult {
    QString fileName;    // full path chosen
    int filterIndex = 1; // 1-based pair selected when the user confirmed
};

class Platform {
public:
    virtual ~Platform() = default;

    // A message box with OK only, the application's title and no icon; waits until closed.
    virtual void message(QWidget* parent, const QString& text) = 0;
    // A message box with Yes and No (Yes the default); true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& text) = 0;
    // File dialogs. A cancel throws pixa::Failure with number 32755 (err::DialogCancelled).
    virtual FileDialogResult openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual FileDialogResult saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // Shows the help document at `path` without waiting; throws pixa::Failure (32751 when help
    // cannot be started).
    virtual void showHelp(QWidget* parent, const QString& path) = 0;
    // Ends the application at once, without asking any window.
    virtual void endApplication(int exitCode = 0) = 0;
};

} // namespace pixa::ui
