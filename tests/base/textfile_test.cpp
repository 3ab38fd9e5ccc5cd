#include <iconv.h>
#include <unistd.h>

#include <optional>
#include <set>

#include <gtest/gtest.h>

#include "base/regularfile.h"
#include "base/textfile.h"
#include "testsupport.h"

namespace {

class ReadTextFileTest : public ::testing::Test {
protected:
    // Reads bytes written to a file and expects success.
    QString Read(const std::string& bytes) {
        QString text = "stale";
        const std::string path = folder.Write("text.txt", bytes);
        EXPECT_EQ(ReadTextFile(path, text), 0);
        return text;
    }
    TemporaryFolder folder;
};

TEST_F(ReadTextFileTest, EmptyFileGivesEmptyText) { EXPECT_EQ(Read(""), QString()); }

TEST_F(ReadTextFileTest, Utf16LittleEndianStartsAfterItsMark) {
    EXPECT_EQ(Read(std::string("\xFF\xFE" "G\0e\0r\0\xE4\0", 10)), QString::fromUtf16(u"Ger\u00E4"));
}

TEST_F(ReadTextFileTest, OneByteFFIsNoByteOrderMark) {
    EXPECT_EQ(Read("\xFF"), QString(QChar(0xFF)));
}

TEST_F(ReadTextFileTest, Utf8WithAndWithoutMark) {
    EXPECT_EQ(Read("\xEF\xBB\xBFGermany=1"), "Germany=1");
    EXPECT_EQ(Read("\xC3\x84gypten"), QString::fromUtf16(u"\u00C4gypten"));
}

TEST_F(ReadTextFileTest, InvalidUtf8IsWindows1252) {
    // 0xC4 alone is not UTF-8; in Windows-1252 it is an A with diaeresis, 0x80 the euro sign.
    EXPECT_EQ(Read("\xC4gypten \x80"), QString::fromUtf16(u"\u00C4gypten \u20AC"));
}

// The character the C library's own Windows-1252 converter gives for one byte, or nothing
// for the bytes the code page leaves unassigned.
std::optional<char16_t> LibraryWindows1252(unsigned char byte) {
    const iconv_t converter = iconv_open("UTF-16LE", "CP1252");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "the C library has no Windows-1252 converter";
        return std::nullopt;
    }
    char in[1] = {static_cast<char>(byte)};
    unsigned char out[4] = {};
    char* inPointer = in;
    char* outPointer = reinterpret_cast<char*>(out);
    std::size_t inLeft = sizeof in;
    std::size_t outLeft = sizeof out;
    const std::size_t converted = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    iconv_close(converter);
    if (converted == static_cast<std::size_t>(-1) || outLeft != 2) return std::nullopt;
    return static_cast<char16_t>(out[0] | out[1] << 8);
}

TEST_F(ReadTextFileTest, Windows1252BytesFrom80To9FAreTheCodePagesCharacters) {
    // Windows gives the five bytes the code page leaves unassigned the C1 control characters
    // of the same value.
    const std::set<unsigned char> unassigned = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
    std::string bytes;
    for (int byte = 0x80; byte <= 0x9F; ++byte) bytes += static_cast<char>(byte);
    const QString text = Read(bytes);
    ASSERT_EQ(text.size(), 32);
    for (int value = 0x80; value <= 0x9F; ++value) {
        const auto byte = static_cast<unsigned char>(value);
        const std::optional<char16_t> library = LibraryWindows1252(byte);
        const bool isUnassigned = unassigned.count(byte) > 0;
        ASSERT_EQ(library.has_value(), !isUnassigned) << "byte 0x" << std::hex << value;
        const char16_t expected = isUnassigned ? char16_t{byte} : *library;
        EXPECT_EQ(text[value - 0x80].unicode(), expected) << "byte 0x" << std::hex << value;
    }
}

TEST_F(ReadTextFileTest, BigEndianMarkIsNotRecognised) {
    const QString text = Read("\xFE\xFFX");
    EXPECT_EQ(text.size(), 3);
    EXPECT_EQ(text.back(), QChar('X'));
}

TEST_F(ReadTextFileTest, FailuresAreNegativeCodesAndLeaveTheTextAlone) {
    QString text = "kept";
    EXPECT_EQ(ReadTextFile(folder.File("missing.txt"), text), static_cast<HResult>(0x80070002u));
    EXPECT_LT(ReadTextFile(folder.Path(), text), 0);  // a folder is not a text file
    EXPECT_EQ(text, "kept");
}

// Even a pipe that holds text and has been closed for writing is no text file.
TEST_F(ReadTextFileTest, FilesThatAreNotRegularAreRefused) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ASSERT_EQ(::write(pipeEnds[1], "Germans=FF0000", 14), 14);
    ::close(pipeEnds[1]);
    QString text = "kept";
    EXPECT_EQ(ReadTextFile("/dev/fd/" + std::to_string(pipeEnds[0]), text), kResultNotRegularFile);
    ::close(pipeEnds[0]);
    EXPECT_EQ(text, "kept");
}

TEST_F(ReadTextFileTest, CarriageReturnsAndNulsArriveUnchanged) {
    EXPECT_EQ(Read(std::string("a\r\nb\0c", 6)), QString::fromUtf16(u"a\r\nb\0c", 6));
}

}  // namespace
