// Writes a converter text of a chosen size, for benchmarks and for trying the viewer on
// long games:  quelm_make_history [--frames F] [--territories T] [--stacks U] [--units N] FILE
// ("-" as FILE writes to the standard output).

#include <cstdio>
#include <fstream>
#include <iostream>

#include <QCommandLineParser>
#include <QCoreApplication>

#include "historytext.h"

namespace {

bool ReadCount(const QCommandLineParser& parser, const QString& name, std::int64_t minimum,
               std::int64_t& count) {
    if (!parser.isSet(name)) return true;
    bool ok = false;
    count = parser.value(name).toLongLong(&ok);
    if (ok && count >= minimum) return true;
    std::cerr << "quelm_make_history: --" << name.toStdString()
              << " needs a whole number of at least " << minimum << "\n";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Writes a converter text of frames x territories x stacks.");
    parser.addHelpOption();
    parser.addOptions({
        {"frames", "Number of frames (default 2000).", "F"},
        {"territories", "Territories per frame (default 150).", "T"},
        {"stacks", "Unit stacks per territory (default 6).", "U"},
        {"units", "Units per stack (default 1).", "N"},
    });
    parser.addPositionalArgument("file", "The text file to write, or - for the standard output.");
    parser.process(application);

    HistoryShape shape;
    if (!ReadCount(parser, "frames", 0, shape.frames) ||
        !ReadCount(parser, "territories", 0, shape.territories) ||
        !ReadCount(parser, "stacks", 0, shape.stacks) ||
        !ReadCount(parser, "units", 1, shape.unitsPerStack)) {
        return 2;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        std::cerr << "quelm_make_history: name one file to write (see --help)\n";
        return 2;
    }
    const std::string path = files.front().toStdString();
    if (path == "-") {
        WriteHistoryText(std::cout, shape);
        return std::cout.flush() ? 0 : 1;
    }
    std::ofstream out(path, std::ios::binary);
    if (out) WriteHistoryText(out, shape);
    out.close();
    if (!out) {
        std::cerr << "quelm_make_history: cannot write " << path << "\n";
        return 1;
    }
    return 0;
}
