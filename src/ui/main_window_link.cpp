#include "ui/main_window_link.h"

namespace pixa::ui {

MainWindowHold::MainWindowHold(const std::shared_ptr<Count>& count) : m_holds(count) {
    if (++count->holds == 1) count->changed(true);
}

MainWindowHold& MainWindowHold::operator=(MainWindowHold&& other) noexcept {
    if (this != &other) {
        release();
        m_holds = std::move(other.m_holds);
        other.m_holds.reset();
    }
    return *this;
}

void MainWindowHold::release() {
    const std::shared_ptr<Count> count = m_holds.lock();
    m_holds.reset();
    if (count && --count->holds == 0) count->changed(false);
}

MainWindowLink::MainWindowLink() : m_holds(std::make_shared<MainWindowHold::Count>()) {
    m_holds->changed = [this](bool isHeld) { heldChanged(isHeld); };
}

MainWindowHold MainWindowLink::holdMainWindow() {
    return MainWindowHold(m_holds);
}

} // namespace pixa::ui
