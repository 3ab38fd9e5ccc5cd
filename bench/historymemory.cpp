// Memory of a read history: reads one converter text into an empty history and reports the
// process's resident size before the reading, at its peak and after it, next to the size of
// the text. Without a path it reads the generated text of the reading benchmark (2,000
// frames × 150 territories × 6 stacks), or of --frames N frames.
//
// Run: build/bench/quelm_history_memory [--frames N] [converter-text]

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "game/convertertextreader.h"
#include "game/gamehistory.h"
#include "historytext.h"

namespace fs = std::filesystem;

namespace {

// A "Vm..." line of /proc/self/status in bytes, or -1 when it cannot be read.
std::int64_t StatusBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, field.size() + 1, field + ":") != 0) continue;
        return std::strtoll(line.c_str() + field.size() + 1, nullptr, 10) * 1024;
    }
    return -1;
}

// Starts the peak resident size afresh at the current resident size.
void ResetPeak() {
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
}

double Mebibytes(std::int64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

struct Options {
    std::int64_t frames = 2000;
    std::string path;
    bool valid = true;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--frames" && i + 1 < argc) {
            options.frames = std::strtoll(argv[++i], nullptr, 10);
            options.valid = options.valid && options.frames > 0;
        } else if (!argument.empty() && argument[0] != '-' && options.path.empty()) {
            options.path = argument;
        } else {
            options.valid = false;
        }
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    if (!options.valid) {
        std::fprintf(stderr, "usage: quelm_history_memory [--frames N] [converter-text]\n");
        return 2;
    }
    std::string path = options.path;
    const bool generated = path.empty();
    if (generated) {
        HistoryShape shape;
        shape.frames = options.frames;
        path = (fs::temp_directory_path() /
                ("quelm-history-memory-" + std::to_string(shape.frames) + ".txt"))
                   .string();
        std::ofstream out(path, std::ios::binary);
        WriteHistoryText(out, shape);
    }
    std::error_code error;
    const auto textBytes = static_cast<std::int64_t>(fs::file_size(path, error));
    if (error) {
        std::fprintf(stderr, "quelm_history_memory: cannot read %s: %s\n", path.c_str(),
                     error.message().c_str());
        return 1;
    }

    ResetPeak();
    const std::int64_t before = StatusBytes("VmRSS");
    GameHistory history;
    ReadConverterText(history, path);
    const std::int64_t peak = StatusBytes("VmHWM");
    const std::int64_t after = StatusBytes("VmRSS");
    if (generated) fs::remove(path, error);

    std::printf("text:                %8.1f MiB, %zu frames read\n", Mebibytes(textBytes),
                history.frames.size());
    std::printf("resident before:     %8.1f MiB\n", Mebibytes(before));
    std::printf("resident at peak:    %8.1f MiB (%.2f times the text)\n", Mebibytes(peak),
                static_cast<double>(peak) / static_cast<double>(textBytes));
    std::printf("resident after:      %8.1f MiB\n", Mebibytes(after));
    std::printf("growth by reading:   %8.1f MiB at peak, %.1f MiB held\n", Mebibytes(peak - before),
                Mebibytes(after - before));
    return 0;
}
