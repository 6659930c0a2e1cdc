// A platform layer for tests: scripted answers for questions and file dialogs, and a record of
// every message, dialog, help request and end of the application, in order.
#pragma once

#include "ui/platform.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace pixa::ui {

class ScriptedPlatform : public Platform {
public:
    enum class Kind { Message, Question, OpenDialog, SaveDialog, Help, End };

    // One thing a window asked of the platform.
    struct Call {
        Kind kind;
        QString text;              // message or question text; help path; dialog filter
        QString windowTitle;       // title of the calling window ("" without one)
        FileDialogRequest request; // dialogs only
        bool scripted = true;      // false when no answer was queued (see unscriptedCalls())
        Default defaultButton = Default::Yes; // questions only
    };

    // Answers, used in the order queued. An unscripted question is answered No and an
    // unscripted dialog is cancelled; both are listed by unscriptedCalls().
    void queueAnswer(bool yes);
    void queueFile(const QString& path, int filterIndex = 1); // for the next open or save dialog
    void queueCancel();                                       // the next dialog is cancelled
    // The next showHelp() fails with `number` (32751: help cannot be started).
    void failNextHelp(int number);
    // Runs `hook` inside the next message() call, while the "box" is up: for tests that act
    // while a handler waits on a message.
    void onNextMessage(std::function<void()> hook);

    // Every call, in order; and filtered views of it.
    const QList<Call>& calls() const { return m_calls; }
    QStringList messages() const; // texts of the OK boxes and questions
    QStringList takeMessages();   // messages(), then forgets all calls recorded so far
    QList<Call> callsOf(Kind kind) const;
    QList<Call> unscriptedCalls() const;
    QStringList helpPaths() const;
    bool answersLeft() const; // some queued answer was never asked for
    void clear();             // forgets calls and queued answers

    // endApplication() stops the long work and ends messages and dialogs as the real platform
    // does, but ends nothing else here: it records the code and sets the flag. A window's
    // handler returns right after calling it, as it would under the real platform.
    bool applicationEnded() const { return m_exitCode.has_value(); }
    std::optional<int> exitCode() const { return m_exitCode; }

    void showHelp(QWidget* parent, const QString& path) override;

protected:
    void showMessage(QWidget* parent, const QString& text) override;
    bool showQuestion(QWidget* parent, const QString& text, Default defaultButton) override;
    FileDialogResult showOpenDialog(QWidget* parent, const FileDialogRequest& request) override;
    FileDialogResult showSaveDialog(QWidget* parent, const FileDialogRequest& request) override;
    void quit(int exitCode) override;

private:
    struct FileAnswer {
        bool cancel = false;
        FileDialogResult result;
    };
    FileDialogResult fileDialog(Kind kind, QWidget* parent, const FileDialogRequest& request);
    void record(Kind kind, QWidget* parent, const QString& text, bool scripted = true,
                const FileDialogRequest& request = {});

    QList<Call> m_calls;
    std::deque<bool> m_answers;
    std::deque<FileAnswer> m_files;
    std::optional<int> m_helpFailure;
    std::function<void()> m_messageHook;
    std::optional<int> m_exitCode;
};

} // namespace pixa::ui
