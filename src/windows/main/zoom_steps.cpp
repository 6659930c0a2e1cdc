#include "windows/main/zoom_steps.h"

#include <algorithm>
#include <cmath>

namespace pixa::ui {

namespace {

constexpr int kStepsPerDoubling = 4;
constexpr int kFirstStep = -16; // 1/16
constexpr int kLastStep = 12;   // 8
// A zoom this close to a step counts as that step, whatever rounding made it.
constexpr double kOnStep = 1e-6;

double zoomOfStep(int step) {
    return std::exp2(double(step) / kStepsPerDoubling);
}

double stepOf(double zoom) {
    return std::log2(zoom) * kStepsPerDoubling;
}

} // namespace

double zoomStepIn(double zoom) {
    const int step = int(std::floor(stepOf(zoom) + kOnStep)) + 1;
    return std::max(zoom, zoomOfStep(std::clamp(step, kFirstStep, kLastStep)));
}

double zoomStepOut(double zoom) {
    const int step = int(std::ceil(stepOf(zoom) - kOnStep)) - 1;
    return std::min(zoom, zoomOfStep(std::clamp(step, kFirstStep, kLastStep)));
}

QString zoomText(double zoom) {
    return QStringLiteral("Zoom : %1 %").arg(std::max(1L, std::lround(zoom * 100)));
}

} // namespace pixa::ui
