#include "saver/steprate.h"

namespace {

constexpr std::int64_t kReportPeriodMilliseconds = 5000;

}  // namespace

StepRate::StepRate(std::FILE* out) : out(out) { clock.start(); }

void StepRate::CountStep(std::int64_t workMicroseconds) {
    const std::int64_t now = clock.elapsed();
    if (shown && workMicroseconds > longestWork) longestWork = workMicroseconds;
    if (shown && lastStep >= 0 && now - lastStep > longestGap) longestGap = now - lastStep;
    lastStep = now;
    ++steps;
    if (now - periodStart >= kReportPeriodMilliseconds) Report(now);
}

void StepRate::CountPaint(std::int64_t workMicroseconds) {
    ++paints;
    if (shown) {
        if (workMicroseconds > longestWork) longestWork = workMicroseconds;
        return;
    }
    shown = true;
    lastStep = clock.elapsed();
}

void StepRate::Report(std::int64_t now) {
    const double seconds = static_cast<double>(now - periodStart) / 1000.0;
    std::fprintf(out,
                 "quelm: %.2f s: %lld steps (%.1f a second), %lld paints, longest gap %lld ms, "
                 "longest step or paint %.1f ms of processor time\n",
                 seconds, static_cast<long long>(steps), static_cast<double>(steps) / seconds,
                 static_cast<long long>(paints), static_cast<long long>(longestGap),
                 static_cast<double>(longestWork) / 1000.0);
    std::fflush(out);
    periodStart = now;
    steps = 0;
    paints = 0;
    longestGap = 0;
    longestWork = 0;
}
