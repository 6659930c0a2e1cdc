#include "ui/platform.h"

#include "core/error.h"

#include <algorithm>

namespace pixa::ui {

void WorkList::add(const void* id, std::stop_source stop) {
    m_work.emplace_back(id, std::move(stop));
}

void WorkList::remove(const void* id) {
    std::erase_if(m_work, [id](const auto& work) { return work.first == id; });
}

void WorkList::stopAll() {
    for (auto& work : m_work)
        work.second.request_stop();
}

void Platform::message(QWidget* parent, const QString& text) {
    if (!m_ending) showMessage(parent, text);
}

bool Platform::askYesNo(QWidget* parent, const QString& text, Default defaultButton) {
    return !m_ending && showQuestion(parent, text, defaultButton);
}

FileDialogResult Platform::openFile(QWidget* parent, const FileDialogRequest& request) {
    if (m_ending) throw Failure(err::DialogCancelled);
    return showOpenDialog(parent, request);
}

FileDialogResult Platform::saveFile(QWidget* parent, const FileDialogRequest& request) {
    if (m_ending) throw Failure(err::DialogCancelled);
    return showSaveDialog(parent, request);
}

void Platform::endApplication(int exitCode) {
    m_ending = true;
    m_work.stopAll();
    quit(exitCode);
}

} // namespace pixa::ui
