// The layer over the platform's blocking window services: message boxes, file dialogs, help and
// ending the application, which also knows the long work running in any window. Windows call
// it; tests replace it with a scripted one.
#pragma once

#include <QString>

#include <stop_token>
#include <string_view>
#include <utility>
#include <vector>

class QWidget;

namespace pixa::ui {

// The application's title, the caption of every message box.
inline const QString kAppTitle = QStringLiteral("PixaMantler");

// A text of the core's message table (UTF-8) as a message box shows it.
inline QString coreText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

struct FileDialogRequest {
    QString filter;      // "description|pattern|description|pattern..."
    int filterIndex = 1; // 1-based pair selected when the dialog opens
    QString fileName;    // preselected file name or path
    QString directory;   // starting folder; empty for the dialog's own choice
};

struct FileDialogResult {
    QString fileName;    // full path chosen
    int filterIndex = 1; // 1-based pair selected when the user confirmed
};

// What long work runs in the application (a wrap, an unwrap, a batch, a listing), whatever
// window started it, so that ending the application stops every piece of it.
class WorkList {
public:
    // `stop` stops the work `id`; called when the work starts, and remove() when it has ended.
    void add(const void* id, std::stop_source stop);
    void remove(const void* id);
    // Asks every running work to stop at its next block or file.
    void stopAll();
    bool empty() const { return m_work.empty(); }

private:
    std::vector<std::pair<const void*, std::stop_source>> m_work;
};

class Platform {
public:
    virtual ~Platform() = default;

    // A message box with OK only, the application's title and no icon; waits until closed.
    void message(QWidget* parent, const QString& text);
    // Which button of a question Enter presses.
    enum class Default { Yes, No };
    // A message box with Yes and No (Yes the default unless `defaultButton` says No); true for
    // Yes.
    bool askYesNo(QWidget* parent, const QString& text, Default defaultButton = Default::Yes);
    // File dialogs. A cancel throws pixa::Failure with number 32755 (err::DialogCancelled).
    FileDialogResult openFile(QWidget* parent, const FileDialogRequest& request);
    FileDialogResult saveFile(QWidget* parent, const FileDialogRequest& request);
    // Closes a file dialog that is up as its cancel would (a lock of the application).
    void cancelDialogs() { closeDialogs(); }
    // Shows the help document at `path` without waiting; throws pixa::Failure (32751 when help
    // cannot be started).
    virtual void showHelp(QWidget* parent, const QString& path) = 0;

    // Ends the application at once, without asking any window: every long work is asked to stop
    // (it ends at its next block or file, discarding what it was writing), no message box or
    // dialog opens any more (a question is answered No, a dialog cancelled), and the event loop
    // ends once the handlers that ran the work have returned. The caller returns from its
    // handler right after.
    void endApplication(int exitCode = 0);
    // True once endApplication() was called.
    bool ending() const { return m_ending; }
    // The long work running now; LongWork keeps it.
    WorkList& work() { return m_work; }

protected:
    virtual void showMessage(QWidget* parent, const QString& text) = 0;
    virtual bool showQuestion(QWidget* parent, const QString& text, Default defaultButton) = 0;
    virtual FileDialogResult showOpenDialog(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual FileDialogResult showSaveDialog(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual void closeDialogs() {}
    // Ends the event loop with `exitCode`.
    virtual void quit(int exitCode) = 0;

private:
    WorkList m_work;
    bool m_ending = false;
};

} // namespace pixa::ui
