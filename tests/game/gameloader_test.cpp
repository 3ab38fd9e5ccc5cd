#include <filesystem>
#include <set>

#include <zlib.h>

#include <gtest/gtest.h>

#include "gametestsupport.h"
#include "testsupport.h"

namespace fs = std::filesystem;

namespace {

const std::string kUnits = "Germans|10|infantry/Germans/3,infantry/Germans/02";

class GameLoaderInputsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateGameLoader(loader.Receive());
        loader->SetGameFile(TestDataFile("definition-edges.xml"));
    }

    std::string WriteGzip(const std::string& name, const std::string& bytes) {
        const std::string path = folder.File(name);
        gzFile file = gzopen(path.c_str(), "wb");
        gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size()));
        gzclose(file);
        return path;
    }

    // Nothing but the files the test made itself is left in the folder.
    void ExpectOnly(std::set<std::string> names) {
        std::set<std::string> present;
        for (const auto& entry : fs::directory_iterator(folder.Path())) {
            present.insert(entry.path().filename().string());
        }
        EXPECT_EQ(present, names);
    }

    Ref<GameLoader> loader;
    TemporaryFolder folder;
};

TEST_F(GameLoaderInputsTest, GameFileIsReadOnlyWhenItsPathChanges) {
    const std::string text = folder.Write("Trevo.txt", "TrevoConvert\n");
    loader->SetConverterOutput(text);  // clears all units, leaves no frame
    loader->SetGameFile(TestDataFile("definition-edges.xml"));
    EXPECT_EQ(loader->GetFrameCount(nullptr), 0);

    Ref<GameLoader> fresh;
    CreateGameLoader(fresh.Receive());
    fresh->SetGameFile("");
    EXPECT_EQ(fresh->GetFrameCount(nullptr), 0);
}

TEST_F(GameLoaderInputsTest, ConverterOutputIsReadEveryTimeAndEmptyReadsNothing) {
    const std::string text = folder.Write("Trevo.txt",
                                          "TrevoConvert\nStep:a\n-\nPlayer:p\n-\n-\n-\n"
                                          "Germany\nOwner:Russians\nEnd Territory\n"
                                          "End Frame\n");
    loader->SetConverterOutput(text);
    loader->SetConverterOutput("");
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Russians|10|");
    Ref<TerritoryState> germany;
    loader->FindTerritory(0, "Germany", germany.Receive());
    germany->SetOwner("changed");
    loader->SetConverterOutput(text);
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Russians|10|");
}

TEST_F(GameLoaderInputsTest, SaveGameIsUnpackedAndNoScratchFileStays) {
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes += "saved game data " + std::to_string(i) + "\n";
    const std::string save = WriteGzip("game.tsvg", bytes);
    loader->SetSaveGame(save);
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans|10|");
    ExpectOnly({"game.tsvg"});

    // The same path again does nothing, not even the clearing.
    loader->SetGameFile(folder.Write("copy.xml", ""));
    loader->SetGameFile(TestDataFile("definition-edges.xml"));
    loader->SetSaveGame(save);
    EXPECT_EQ(Board(*loader, 0, "Germany"), kUnits);
}

TEST_F(GameLoaderInputsTest, BadSavesLeaveNoScratchFileEither) {
    loader->SetSaveGame(folder.File("missing.tsvg"));
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans|10|");
    folder.Write("plain.tsvg", "not compressed at all");
    loader->SetSaveGame(folder.File("plain.tsvg"));
    const std::string whole = WriteGzip("whole.tsvg", std::string(100000, 'z'));
    const std::string compressed = ReadBytes(whole);
    folder.Write("truncated.tsvg", compressed.substr(0, compressed.size() / 2));
    loader->SetSaveGame(folder.File("truncated.tsvg"));
    ExpectOnly({"plain.tsvg", "whole.tsvg", "truncated.tsvg"});
}

// A link where the scratch file would go is not written through.
TEST_F(GameLoaderInputsTest, ScratchNameTakenByALinkIsRefused) {
    const std::string save = WriteGzip("game.tsvg", "saved game");
    const std::string target = folder.Write("precious.txt", "keep me");
    fs::create_symlink(target, save + "_unzipped");
    loader->SetSaveGame(save);
    EXPECT_EQ(ReadBytes(target), "keep me");
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans|10|");
}

}  // namespace
