#pragma once

#include <cstdint>
#include <cstdio>

#include <QElapsedTimer>

// Counts the saver's scroll steps and paints and, every five seconds, writes one line about
// them to a stream (the standard error output): the steps and how many a second, the paints,
// and the longest gap between two steps from the first frame shown on (the first paint
// prepares its frame while the window stays empty, and is not a stop of the drift). The host
// enables it when QUELM_SAVER_STEP_RATE is set, for measuring how smoothly the map drifts.
class StepRate {
public:
    explicit StepRate(std::FILE* out = stderr);

    void CountStep();
    void CountPaint();

private:
    void Report(std::int64_t now);

    std::FILE* out;
    QElapsedTimer clock;
    std::int64_t periodStart = 0;
    bool shown = false;  // a frame has been painted
    std::int64_t lastStep = -1;
    std::int64_t longestGap = 0;
    std::int64_t steps = 0;
    std::int64_t paints = 0;
};
