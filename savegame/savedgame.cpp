#include "savegame/savedgame.h"
#include "savegame/savedgamefile.h"

#include <zlib.h>

#include <cstdio>

#include "base/filehandle.h"
#include "base/regularfile.h"
#include "savegame/javastream.h"
#include "savegame/savedhistory.h"
#include "savegame/tripleagame.h"

namespace {

// TripleA's saves unpack to a few megabytes; this bounds the memory a hostile one can take.
constexpr std::size_t kMaxUnpackedBytes = 256u << 20;
constexpr std::size_t kChunk = 1u << 16;

bool Fail(SavedGameError& error, SavedGameProblem problem, const std::string& path,
          const std::string& why) {
    error.problem = problem;
    error.message = path + " " + why;
    return false;
}

}  // namespace

// Unpacks the gzip'd save whole, its check sum included. Bytes after the gzip stream
// (which Java's reader ignores as well) are not read.
bool UnpackSavedGame(const std::string& path, std::string& bytes, SavedGameError& error) {
    const FileHandle file = OpenRegularStream(path);
    if (!file) return Fail(error, SavedGameProblem::kUnreadable, path, "cannot be read");
    z_stream zip{};
    if (inflateInit2(&zip, 16 + MAX_WBITS) != Z_OK)
        return Fail(error, SavedGameProblem::kUnreadable, path, "cannot be unpacked");
    std::string packed(kChunk, '\0');
    int status = Z_OK;
    bool sawInput = false;
    while (status == Z_OK) {
        if (zip.avail_in == 0) {
            const std::size_t read = std::fread(packed.data(), 1, packed.size(), file.get());
            if (read == 0) break;
            sawInput = true;
            zip.next_in = reinterpret_cast<Bytef*>(packed.data());
            zip.avail_in = static_cast<uInt>(read);
        }
        const std::size_t before = bytes.size();
        if (before + kChunk > kMaxUnpackedBytes) {
            inflateEnd(&zip);
            return Fail(error, SavedGameProblem::kDamaged, path,
                        "unpacks to more than " + std::to_string(kMaxUnpackedBytes >> 20) +
                            " MB, more than any saved game");
        }
        bytes.resize(before + kChunk);
        zip.next_out = reinterpret_cast<Bytef*>(bytes.data() + before);
        zip.avail_out = static_cast<uInt>(kChunk);
        status = inflate(&zip, Z_NO_FLUSH);
        bytes.resize(before + kChunk - zip.avail_out);
        if (status == Z_BUF_ERROR) status = Z_OK;  // more input needed
    }
    const std::string reason = zip.msg ? zip.msg : "";
    inflateEnd(&zip);
    if (status == Z_STREAM_END) return true;
    if (!sawInput || (bytes.empty() && status == Z_DATA_ERROR))
        return Fail(error, SavedGameProblem::kNotASave, path, "is not a TripleA saved game");
    if (status == Z_OK)
        return Fail(error, SavedGameProblem::kDamaged, path, "is damaged: it ends too early");
    return Fail(error, SavedGameProblem::kDamaged, path,
                "is damaged: " + (reason.empty() ? std::string("it cannot be unpacked") : reason));
}

namespace {

SavedGameProblem ProblemOf(javastream::Failure failure) {
    switch (failure) {
        case javastream::Failure::kNotAStream:
            return SavedGameProblem::kNotASave;
        case javastream::Failure::kUnsupported:
            return SavedGameProblem::kUnsupported;
        default:
            return SavedGameProblem::kDamaged;
    }
}

SavedGameProblem ProblemOf(tripleagame::Problem problem) {
    switch (problem) {
        case tripleagame::Problem::kNotASave:
            return SavedGameProblem::kNotASave;
        case tripleagame::Problem::kUnsupported:
            return SavedGameProblem::kUnsupported;
        default:
            return SavedGameProblem::kDamaged;
    }
}

}  // namespace

bool ReadSavedGameFile(const std::string& path, tripleagame::Game& game, savedhistory::Tree& tree,
                       SavedGameError& error) {
    javastream::Graph graph;
    if (!UnpackSavedGame(path, graph.bytes, error)) return false;
    return ReadSavedGameBytes(path, graph, game, tree, error);
}

bool ReadSavedGameBytes(const std::string& path, javastream::Graph& graph, tripleagame::Game& game,
                        savedhistory::Tree& tree, SavedGameError& error) {
    javastream::ReadLimits limits;
    limits.maxRoots = 2;  // the version and the game; the delegates' states follow
    javastream::ReadError streamError;
    if (!javastream::ReadStream(graph, tripleagame::ClassesWithoutDefaultFields(), limits,
                                streamError)) {
        if (streamError.failure == javastream::Failure::kNotAStream)
            return Fail(error, SavedGameProblem::kNotASave, path, "is not a TripleA saved game");
        return Fail(error, ProblemOf(streamError.failure), path,
                    "is damaged: " + streamError.message);
    }
    tripleagame::ReadError gameError;
    if (!tripleagame::ReadGame(graph, game, gameError)) {
        const SavedGameProblem problem = ProblemOf(gameError.problem);
        if (problem == SavedGameProblem::kNotASave)
            return Fail(error, problem, path,
                        "is not a TripleA saved game (" + gameError.message + ")");
        const char* lead =
            problem == SavedGameProblem::kUnsupported ? "cannot be read: " : "is damaged: ";
        return Fail(error, problem, path, lead + gameError.message);
    }
    std::string why;
    if (!savedhistory::BuildTree(game, tree, why))
        return Fail(error, SavedGameProblem::kDamaged, path, "is damaged: " + why);
    return true;
}

bool ReadSavedGameText(const std::string& path, std::string& text, SavedGameError& error) {
    text.clear();
    tripleagame::Game game;
    savedhistory::Tree tree;
    if (!ReadSavedGameFile(path, game, tree, error)) return false;
    text = savedhistory::ConverterText(game, tree);
    return true;
}

bool DescribeSavedGame(const std::string& path, std::string& tree, SavedGameError& error) {
    tree.clear();
    tripleagame::Game game;
    savedhistory::Tree history;
    if (!ReadSavedGameFile(path, game, history, error)) return false;
    tree = "TripleA " + game.engineVersion + ", round " + std::to_string(game.currentRound) + ", " +
           std::to_string(game.ChangeCount()) + " changes\n" +
           savedhistory::DescribeTree(game, history);
    return true;
}
