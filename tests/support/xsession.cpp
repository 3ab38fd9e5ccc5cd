#include "xsession.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>

QString XSession::MissingTools() {
    for (const char* tool : {"Xvfb", "xdotool"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) return QString(tool) + " is not installed";
    }
    return QString();
}

XSession::XSession() {
    // Xvfb picks a free display itself and writes its number to the descriptor given.
    server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x900x24", "-nolisten", "tcp"});
    if (!server.waitForStarted(5000)) return;
    QElapsedTimer clock;
    clock.start();
    QByteArray number;
    while (!number.contains('\n') && clock.elapsed() < 10000) {
        server.waitForReadyRead(200);
        number += server.readAllStandardOutput();
    }
    if (number.trimmed().isEmpty()) return;
    display = ":" + QString::fromLatin1(number.trimmed());
}

XSession::~XSession() {
    for (auto& program : programs) {
        program->terminate();
        if (!program->waitForFinished(3000)) program->kill();
        program->waitForFinished(3000);
    }
    server.terminate();
    server.waitForFinished(3000);
}

QProcess* XSession::Start(const QString& program, const QStringList& arguments,
                          const QStringList& environment) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert("DISPLAY", display);
    variables.insert("QT_QPA_PLATFORM", "xcb");
    for (const QString& entry : environment) {
        variables.insert(entry.section('=', 0, 0), entry.section('=', 1));
    }
    process->setProcessEnvironment(variables);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, arguments);
    process->waitForStarted(5000);
    programs.push_back(std::move(process));
    return programs.back().get();
}

bool XSession::RunTool(const QString& program, const QStringList& arguments, QString* output,
                       int timeoutMs) {
    QProcess tool;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert("DISPLAY", display);
    tool.setProcessEnvironment(variables);
    tool.start(program, arguments);
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished(1000);
        return false;
    }
    if (output) *output = QString::fromUtf8(tool.readAllStandardOutput());
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QString XSession::WaitForWindow(const QString& name, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        QString found;
        if (RunTool("xdotool", {"search", "--onlyvisible", "--name", name}, &found) &&
            !found.trimmed().isEmpty()) {
            return found.trimmed().split('\n').last();
        }
        QThread::msleep(200);
    }
    return QString();
}

bool XSession::SendKey(const QString& window, const QString& key) {
    return RunTool("xdotool", {"key", "--window", window, key});
}

QImage XSession::Screenshot() {
    const QString path = scratch.filePath("screen.png");
    if (!RunTool(QStringLiteral(QUELM_SCREENGRAB_PROGRAM), {path})) return QImage();
    return QImage(path);
}
