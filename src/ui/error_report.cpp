#include "ui/error_report.h"

#include "ui/platform.h"

#include <QWidget>

namespace pixa::ui {
namespace {

// The window's arrow again. The application's busy pointer is its holders' own (BusyPointer),
// each of which takes it back as the failure unwinds it; another window's stays.
void restorePointer(QWidget* window) {
    if (window) window->unsetCursor();
}

} // namespace

void reportError(Platform& platform, QWidget* window, ErrorVariant variant, const Failure& failure,
                 bool cancelCheck) {
    if (variant == ErrorVariant::File) {
        restorePointer(window);
        if (cancelCheck && failure.number() == err::DialogCancelled) return;
    }
    const auto texts = errorMessages(variant, failure.number(), failure.description());
    for (const std::string& text : texts)
        platform.message(window, QString::fromStdString(text));
    if (variant == ErrorVariant::Help && failure.number() == err::DeviceIO) restorePointer(window);
}

void reportUntrapped(Platform& platform, QWidget* window, const Failure& failure) {
    restorePointer(window);
    platform.message(window, QString::number(failure.number()) + QLatin1Char(' ') +
                                 QString::fromStdString(failure.description()));
}

} // namespace pixa::ui
