#pragma once

#include "settings/converterlaunch.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>

#include <string>

// One run of the save-game converter that the caller waits for: started without a shell,
// waited for in a local event loop (so that a progress window stays alive), ended early by
// Cancel() or by the time limit, and judged by its exit code. The converter's standard
// output is discarded; the last line it writes to standard error is its reason for failing.
class ConverterRun {
public:
    enum class Result { Running, Succeeded, Failed, NotStarted, TimedOut, Cancelled };

    static constexpr int kTimeLimitMs = 2 * 60 * 1000;

    explicit ConverterRun(const ConverterCommand& command, int timeLimitMs = kTimeLimitMs);
    // Stops a converter that is still running.
    ~ConverterRun();
    ConverterRun(const ConverterRun&) = delete;
    ConverterRun& operator=(const ConverterRun&) = delete;

    // Starts the converter and waits until it has started; false, with the result
    // NotStarted, when it cannot be started.
    bool Start();
    // Waits until the converter ends, the time limit (counted from Start) passes or Cancel()
    // is called, processing the thread's events meanwhile; stops the converter unless it
    // ended by itself. Returns the result.
    Result Wait();
    // Makes a running Wait() return Cancelled; the converter is stopped. For the caller's
    // Cancel button.
    void Cancel();

    Result GetResult() const { return result; }
    // Why the run did not succeed, in one line: the converter's own last line on standard
    // error, or what happened to it.
    std::string FailureReason() const;

private:
    void Stop();
    void KeepErrorTail();

    ConverterCommand command;
    int timeLimitMs;
    QProcess process;
    QByteArray errorTail;
    Result result = Result::Running;
    class QEventLoop* waiting = nullptr;
    QElapsedTimer sinceStart;
};
