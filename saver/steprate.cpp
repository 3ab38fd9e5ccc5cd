#include "saver/steprate.h"

namespace {

constexpr std::int64_t kReportPeriodMilliseconds = 5000;

}  // namespace

StepRate::StepRate(std::FILE* out) : out(out) { clock.start(); }

void StepRate::CountStep() {
    const std::int64_t now = clock.elapsed();
    if (shown && lastStep >= 0 && now - lastStep > longestGap) longestGap = now - lastStep;
    lastStep = now;
    ++steps;
    if (now - periodStart >= kReportPeriodMilliseconds) Report(now);
}

void StepRate::CountPaint() {
    ++paints;
    if (shown) return;
    shown = true;
    lastStep = clock.elapsed();
}

void StepRate::Report(std::int64_t now) {
    const double seconds = static_cast<double>(now - periodStart) / 1000.0;
    std::fprintf(out,
                 "quelm: %.2f s: %lld steps (%.1f a second), %lld paints, longest gap %lld ms\n",
                 seconds, static_cast<long long>(steps), static_cast<double>(steps) / seconds,
                 static_cast<long long>(paints), static_cast<long long>(longestGap));
    std::fflush(out);
    periodStart = now;
    steps = 0;
    paints = 0;
    longestGap = 0;
}
