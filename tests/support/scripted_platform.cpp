#include "scripted_platform.h"

#include "core/error.h"

#include <QWidget>

#include <utility>

namespace pixa::ui {

void ScriptedPlatform::queueAnswer(bool yes) {
    m_answers.push_back(yes);
}

void ScriptedPlatform::queueFile(const QString& path, int filterIndex) {
    m_files.push_back({false, {path, filterIndex}});
}

void ScriptedPlatform::queueCancel() {
    m_files.push_back({true, {}});
}

void ScriptedPlatform::failNextHelp(int number) {
    m_helpFailure = number;
}

void ScriptedPlatform::onNextMessage(std::function<void()> hook) {
    m_messageHook = std::move(hook);
}

QStringList ScriptedPlatform::messages() const {
    QStringList out;
    for (const Call& call : m_calls)
        if (call.kind == Kind::Message || call.kind == Kind::Question) out << call.text;
    return out;
}

QStringList ScriptedPlatform::takeMessages() {
    QStringList out = messages();
    m_calls.clear();
    return out;
}

QList<ScriptedPlatform::Call> ScriptedPlatform::callsOf(Kind kind) const {
    QList<Call> out;
    for (const Call& call : m_calls)
        if (call.kind == kind) out << call;
    return out;
}

QList<ScriptedPlatform::Call> ScriptedPlatform::unscriptedCalls() const {
    QList<Call> out;
    for (const Call& call : m_calls)
        if (!call.scripted) out << call;
    return out;
}

QStringList ScriptedPlatform::helpPaths() const {
    QStringList out;
    for (const Call& call : callsOf(Kind::Help))
        out << call.text;
    return out;
}

bool ScriptedPlatform::answersLeft() const {
    return !m_answers.empty() || !m_files.empty();
}

void ScriptedPlatform::clear() {
    m_calls.clear();
    m_answers.clear();
    m_files.clear();
    m_helpFailure.reset();
    m_messageHook = nullptr;
    m_exitCode.reset();
}

void ScriptedPlatform::record(Kind kind, QWidget* parent, const QString& text, bool scripted,
                              const FileDialogRequest& request) {
    const QString title = parent ? parent->window()->windowTitle() : QString();
    m_calls.append({kind, text, title, request, scripted});
}

void ScriptedPlatform::showMessage(QWidget* parent, const QString& text) {
    record(Kind::Message, parent, text);
    if (m_messageHook) std::exchange(m_messageHook, nullptr)();
}

bool ScriptedPlatform::showQuestion(QWidget* parent, const QString& text, Default defaultButton) {
    const bool scripted = !m_answers.empty();
    record(Kind::Question, parent, text, scripted);
    m_calls.back().defaultButton = defaultButton;
    if (!scripted) return false;
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

FileDialogResult ScriptedPlatform::showOpenDialog(QWidget* parent, const FileDialogRequest& request) {
    return fileDialog(Kind::OpenDialog, parent, request);
}

FileDialogResult ScriptedPlatform::showSaveDialog(QWidget* parent, const FileDialogRequest& request) {
    return fileDialog(Kind::SaveDialog, parent, request);
}

FileDialogResult ScriptedPlatform::fileDialog(Kind kind, QWidget* parent,
                                              const FileDialogRequest& request) {
    const bool scripted = !m_files.empty();
    record(kind, parent, request.filter, scripted, request);
    if (!scripted) throw Failure(err::DialogCancelled);
    const FileAnswer answer = m_files.front();
    m_files.pop_front();
    if (answer.cancel) throw Failure(err::DialogCancelled);
    return answer.result;
}

void ScriptedPlatform::showHelp(QWidget* parent, const QString& path) {
    record(Kind::Help, parent, path);
    if (const auto failure = std::exchange(m_helpFailure, std::nullopt)) throw Failure(*failure);
}

void ScriptedPlatform::quit(int exitCode) {
    record(Kind::End, nullptr, QString::number(exitCode));
    m_exitCode = exitCode;
}

} // namespace pixa::ui
