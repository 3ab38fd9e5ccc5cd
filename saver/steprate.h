#pragma once

#include <cstdint>
#include <cstdio>

#include <QElapsedTimer>

// Counts the saver's scroll steps and paints and, every five seconds, writes one line about
// them to a stream (the standard error output): the steps and how many a second, the paints,
// the longest gap between two steps, and the most processor time one step or paint took the
// window's thread (which, unlike the gaps, does not grow with what else the machine runs);
// both from the first frame shown on (the first paint prepares its frame while the window
// stays empty). The host enables it when QUELM_SAVER_STEP_RATE is set, for measuring how
// smoothly the map drifts.
class StepRate {
public:
    explicit StepRate(std::FILE* out = stderr);

    // Each with the processor time that the step or the paint took the window's thread.
    void CountStep(std::int64_t workMicroseconds);
    void CountPaint(std::int64_t workMicroseconds);

private:
    void Report(std::int64_t now);

    std::FILE* out;
    QElapsedTimer clock;
    std::int64_t periodStart = 0;
    bool shown = false;  // a frame has been painted
    std::int64_t lastStep = -1;
    std::int64_t longestGap = 0;
    std::int64_t longestWork = 0;  // microseconds
    std::int64_t steps = 0;
    std::int64_t paints = 0;
};
