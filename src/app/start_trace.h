// Start-up timing for the start-up benchmark: with PIXAMANTLER_TRACE_START set, the moments the
// title reaches the screen and finishes drawing go to standard error.
#pragma once

namespace pixa::ui {
class TitleWindow;
}

namespace pixa::app {

// Lines "pixamantler-trace title-shown <ns>" and "pixamantler-trace title-drawn <ns> <ns>": the
// steady clock (CLOCK_MONOTONIC, shared by all processes) when it happened, and for the drawing
// also how long it took. Nothing without the variable.
void traceTitle(ui::TitleWindow& title);

} // namespace pixa::app
