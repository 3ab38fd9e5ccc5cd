#include "settings/converterrun.h"

#include "standinconverter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/types.h>

namespace fs = std::filesystem;

namespace {

// Waits, within a generous limit, for a stand-in converter to make path.
bool Appears(const std::string& path) {
    QElapsedTimer clock;
    clock.start();
    while (!fs::exists(path)) {
        if (clock.elapsed() > 60000) return false;
        QThread::msleep(10);
    }
    return true;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ConverterRunTest : public ::testing::Test {
protected:
    // Waiting runs an event loop, which needs an application object.
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "quelm_settings_tests";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    }

    ConverterCommand StandIn(const std::string& body) {
        const std::string script =
            WriteStandInConverter(folder, "java" + std::to_string(++scripts), body);
        return {QString::fromStdString(script),
                {"-classpath", "/Q:/Q/xstream.jar:/TA/triplea.jar", "TextGameConverter",
                 QString::fromStdString(folder.File("game.tsvg")),
                 QString::fromStdString(folder.File("Trevo.txt"))},
                {}};
    }

    TemporaryFolder folder;
    int scripts = 0;
};

TEST_F(ConverterRunTest, ExitCodeDecidesAndTheLastErrorLineIsTheReason) {
    struct Case {
        const char* body;
        ConverterRun::Result result;
        std::string reason;
    };
    for (const Case& c : {
             Case{"exit 0", ConverterRun::Result::Succeeded, ""},
             // Java's own chatter before the converter's line, and more than the kept tail.
             Case{"i=0; while [ $i -lt 400 ]; do echo 'INFO: some log line of the runtime' >&2; "
                  "i=$((i+1)); done\necho 'TextGameConverter: bad.tsvg is damaged' >&2\n"
                  "echo >&2\nexit 1",
                  ConverterRun::Result::Failed, "TextGameConverter: bad.tsvg is damaged"},
             Case{"echo 'all fine' >&2; exit 0", ConverterRun::Result::Succeeded, ""},
             Case{"exit 3", ConverterRun::Result::Failed, "the converter ended with exit code 3"},
             Case{"kill -KILL $$", ConverterRun::Result::Failed,
                  "the converter stopped unexpectedly"},
         }) {
        ConverterRun run(StandIn(c.body));
        ASSERT_TRUE(run.Start()) << c.body;
        EXPECT_EQ(run.Wait(), c.result) << c.body;
        EXPECT_EQ(run.GetResult(), c.result);
        EXPECT_EQ(run.FailureReason(), c.reason) << c.body;
    }
}

TEST_F(ConverterRunTest, ProgramThatCannotStartIsReported) {
    ConverterCommand command = StandIn("exit 0");
    command.program = QString::fromStdString(folder.File("no java here"));
    ConverterRun run(command);
    EXPECT_FALSE(run.Start());
    EXPECT_EQ(run.Wait(), ConverterRun::Result::NotStarted);
    EXPECT_EQ(run.FailureReason().rfind(
                  "\"" + folder.File("no java here") + "\" could not be started: ", 0),
              0u)
        << run.FailureReason();
}

TEST_F(ConverterRunTest, TimeLimitStopsTheConverter) {
    // A converter that would have ended on its own gives another result.
    ConverterRun run(StandIn("exec sleep 30"), 300);
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(run.Wait(), ConverterRun::Result::TimedOut);
    EXPECT_EQ(run.FailureReason(), "the converter was stopped after 1 second without finishing");
}

// Stopped politely first, the converter can remove its scratch file.
TEST_F(ConverterRunTest, CancelStopsTheConverterWhichCleansUp) {
    const std::string scratch = folder.File("Trevo.txt.1234.part");
    ConverterRun run(
        StandIn("trap 'rm -f \"$5.1234.part\"; exit 143' TERM\n: > \"$5.1234.part\"\n"
                "while :; do sleep 0.05; done"));
    ASSERT_TRUE(run.Start());
    // Cancelled while it waits, once the stand-in is ready for the signal.
    ASSERT_TRUE(Appears(scratch));
    QTimer::singleShot(0, [&run] { run.Cancel(); });
    EXPECT_EQ(run.Wait(), ConverterRun::Result::Cancelled);
    EXPECT_EQ(run.FailureReason(), "the import was cancelled");
    EXPECT_FALSE(fs::exists(scratch));
}

TEST_F(ConverterRunTest, ConverterStillRunningIsStoppedWithTheRun) {
    const std::string pidFile = folder.File("Trevo.txt.pid");
    pid_t pid = 0;
    {
        ConverterRun run(
            StandIn("echo $$ > \"$5.pid.new\"; mv \"$5.pid.new\" \"$5.pid\"; exec sleep 30"));
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(Appears(pidFile));
        pid = static_cast<pid_t>(std::stol(ReadText(pidFile)));
        ASSERT_EQ(::kill(pid, 0), 0);
    }
    EXPECT_EQ(::kill(pid, 0), -1);
}

}  // namespace
