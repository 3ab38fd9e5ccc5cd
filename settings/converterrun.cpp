#include "settings/converterrun.h"

#include "base/pathutil.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <string>

namespace {

// Enough of the converter's standard error for its last lines; Java can be talkative.
constexpr qsizetype kErrorTailBytes = 8192;
// How long a converter asked to stop may take to remove its scratch file and end.
constexpr int kStopGraceMs = 5000;

std::string LastNonBlankLine(const QByteArray& text) {
    const QList<QByteArray> lines = text.split('\n');
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        const QByteArray trimmed = line->trimmed();
        if (!trimmed.isEmpty()) return trimmed.toStdString();
    }
    return {};
}

}  // namespace

ConverterRun::ConverterRun(const ConverterCommand& converterCommand, int timeLimit)
    : command(converterCommand), timeLimitMs(timeLimit) {
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
}

ConverterRun::~ConverterRun() { Stop(); }

bool ConverterRun::Start() {
    sinceStart.start();
    process.start();
    if (process.waitForStarted()) return true;
    result = Result::NotStarted;
    return false;
}

ConverterRun::Result ConverterRun::Wait() {
    if (result == Result::Running && process.state() != QProcess::NotRunning) {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QObject::connect(&process, &QProcess::readyReadStandardError, &loop,
                         [this] { KeepErrorTail(); });
        limit.start(std::max<qint64>(0, timeLimitMs - sinceStart.elapsed()));
        waiting = &loop;
        loop.exec();
        waiting = nullptr;
    }
    if (result != Result::Running) {
        Stop();
        return result;
    }
    if (process.state() != QProcess::NotRunning) {
        Stop();
        result = Result::TimedOut;
        return result;
    }
    KeepErrorTail();
    const bool succeeded = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    result = succeeded ? Result::Succeeded : Result::Failed;
    return result;
}

void ConverterRun::Cancel() {
    if (result != Result::Running) return;
    result = Result::Cancelled;
    if (waiting) waiting->quit();
}

void ConverterRun::Stop() {
    if (process.state() == QProcess::NotRunning) return;
    // Asked politely first, the converter removes its scratch file on the way out.
    process.terminate();
    if (process.waitForFinished(kStopGraceMs)) return;
    process.kill();
    process.waitForFinished();
}

void ConverterRun::KeepErrorTail() {
    errorTail += process.readAllStandardError();
    if (errorTail.size() > kErrorTailBytes) errorTail = errorTail.right(kErrorTailBytes);
}

std::string ConverterRun::FailureReason() const {
    switch (result) {
        case Result::Running:
        case Result::Succeeded:
            return {};
        case Result::NotStarted:
            return "\"" + PathBytes(command.Unmasked(command.program)) +
                   "\" could not be started: " + process.errorString().toStdString();
        case Result::TimedOut: {
            const int seconds = (timeLimitMs + 999) / 1000;
            return "the converter was stopped after " + std::to_string(seconds) +
                   (seconds == 1 ? " second" : " seconds") + " without finishing";
        }
        case Result::Cancelled:
            return "the import was cancelled";
        case Result::Failed:
            break;
    }
    const std::string own = PathBytes(command.Unmasked(PathText(LastNonBlankLine(errorTail))));
    if (!own.empty()) return own;
    if (process.exitStatus() == QProcess::CrashExit) return "the converter stopped unexpectedly";
    return "the converter ended with exit code " + std::to_string(process.exitCode());
}
