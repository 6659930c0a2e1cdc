#include "app/start_trace.h"

#include "windows/title/title_window.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace pixa::app {
namespace {

long long monotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

} // namespace

void traceTitle(ui::TitleWindow& title) {
    const char* wanted = std::getenv("PIXAMANTLER_TRACE_START");
    if (!wanted || !*wanted) return;
    QObject::connect(&title, &ui::TitleWindow::shownOnScreen, &title, [] {
        std::fprintf(stderr, "pixamantler-trace title-shown %lld\n", monotonicNow());
        std::fflush(stderr);
    });
    QObject::connect(&title, &ui::TitleWindow::drawingEnded, &title, [](qint64 nanoseconds) {
        std::fprintf(stderr, "pixamantler-trace title-drawn %lld %lld\n", monotonicNow(),
                     static_cast<long long>(nanoseconds));
        std::fflush(stderr);
    });
}

} // namespace pixa::app
