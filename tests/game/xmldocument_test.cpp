#include "game/xmldocument.h"

#include <optional>

#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

std::string Repeat(const std::string& text, std::size_t times) {
    std::string result;
    result.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i) result += text;
    return result;
}

class XmlDocumentTest : public ::testing::Test {
protected:
    // Parses the text from a file; returns the error when Parse throws.
    std::optional<XMLException> Parse(const std::string& text) {
        return ParsePath(folder.Write("document.xml", text));
    }
    std::optional<XMLException> ParsePath(const std::string& path) {
        try {
            document.Parse(path);
        } catch (const XMLException& error) {
            return error;
        }
        return std::nullopt;
    }
    static void ExpectError(const std::optional<XMLException>& error, std::int32_t code,
                            std::int32_t line, const std::string& text) {
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->code, code);
        EXPECT_EQ(error->line, line);
        EXPECT_EQ(error->text, text);
    }

    TemporaryFolder folder;
    XmlDocument document;
};

TEST_F(XmlDocumentTest, BuildsElementsAttributesLinesAndValues) {
    ASSERT_FALSE(
        Parse("<?xml version=\"1.0\"?>\n<game b=\"two\" a=\"1\">\n  <map>\n"
              "    <territory name=\"Germany\"/>\n  </map>\n"
              "  <info>Revised <b> x </b> 1.3 &amp;</info>\n</game>\n"));
    ASSERT_EQ(document.ChildCount(), 1);
    const XmlNode& game = document.ChildAt(0);
    EXPECT_EQ(game.Name(), "game");
    EXPECT_EQ(game.Line(), 2);
    EXPECT_EQ(game.Parent(), &document);
    EXPECT_EQ(game.Attribute("b").Value(), "two");
    EXPECT_EQ(game.Attribute("a").Line(), 2);
    EXPECT_EQ(game.FindAttribute("A"), nullptr);
    EXPECT_FALSE(game.HasValue());  // only white space between its tags

    const XmlNode& map = game.Child("map");
    EXPECT_EQ(map.Line(), 3);
    EXPECT_FALSE(map.HasValue());
    EXPECT_EQ(map.Child("territory").Line(), 4);
    EXPECT_EQ(map.Child("territory").Attribute("name").Value(), "Germany");

    const XmlNode& info = game.ChildAt(1);
    EXPECT_EQ(info.Value(), "Revised  1.3 &");
    EXPECT_EQ(info.Child("b").Value(), " x ");
}

TEST_F(XmlDocumentTest, MissingChildrenAndAttributesThrowWithTheSearchedElementsLine) {
    ASSERT_FALSE(Parse("<notgame>\n  <map name=\"x\"/>\n</notgame>"));
    try {
        document.Child("game");
        ADD_FAILURE() << "no exception";
    } catch (const XMLException& error) {
        ExpectError(error, XMLException::kMissingChild, 0, "game");
    }
    const XmlNode& top = document.ChildAt(0);
    try {
        top.Child("Map");
        ADD_FAILURE() << "no exception";
    } catch (const XMLException& error) {
        ExpectError(error, XMLException::kMissingChild, 1, "Map");
    }
    try {
        top.Child("map").Attribute("Name");
        ADD_FAILURE() << "no exception";
    } catch (const XMLException& error) {
        ExpectError(error, XMLException::kMissingAttribute, 2, "Name");
    }
}

TEST_F(XmlDocumentTest, UnreadableFilesAreCode2AndBrokenDocumentsCode3) {
    ExpectError(ParsePath(folder.File("missing.xml")), XMLException::kCannotRead, 0, "");
    ExpectError(ParsePath(folder.Path()), XMLException::kCannotRead, 0, "");
    ExpectError(Parse("<game>\n<map>\n</game>\n"), XMLException::kNotWellFormed, 3, "");
    ExpectError(Parse("<game>\n<map>\n"), XMLException::kNotWellFormed, 3, "");  // truncated
    ExpectError(Parse(""), XMLException::kNotWellFormed, 1, "");
    ExpectError(Parse(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)),
                XMLException::kNotWellFormed, 1, "");
    // A name that is not UTF-8 in a UTF-8 document.
    ExpectError(Parse("<game>\n<terr\xFF\xFE name=\"x\"/></game>"), XMLException::kNotWellFormed, 2,
                "");
}

TEST_F(XmlDocumentTest, TextsArriveAsUtf8WhateverTheDeclaredEncoding) {
    ASSERT_FALSE(Parse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><game n=\"\xC4gypten\"/>"));
    EXPECT_EQ(document.Child("game").Attribute("n").Value(), "\xC3\x84gypten");
}

TEST_F(XmlDocumentTest, HundredThousandLevelsParseAndAreDestroyedWithoutRecursion) {
    constexpr std::size_t kDepth = 100000;
    ASSERT_FALSE(
        Parse("<game>" + Repeat("<a>", kDepth) + "deep" + Repeat("</a>", kDepth) + "</game>"));
    const XmlNode* node = &document.Child("game");
    std::size_t depth = 0;
    while (node->ChildCount() > 0) {
        node = &node->ChildAt(0);
        ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    EXPECT_EQ(node->Value(), "deep");
    EXPECT_EQ(node->Line(), 1);
}

TEST_F(XmlDocumentTest, EntityExpansionBombIsRefused) {
    std::string bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE game [\n<!ENTITY e0 \"lol\">\n";
    for (int i = 1; i < 10; ++i) {
        bomb += "<!ENTITY e" + std::to_string(i) + " \"" +
                Repeat("&e" + std::to_string(i - 1) + ";", 10) + "\">\n";
    }
    bomb += "]>\n<game>&e9;</game>\n";
    const std::optional<XMLException> error = Parse(bomb);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->code, XMLException::kNotWellFormed);
}

TEST_F(XmlDocumentTest, LongEntityChainDoesNotExhaustTheStack) {
    constexpr int kChain = 100000;
    std::string chain = "<!DOCTYPE game [\n<!ENTITY e0 \"end\">\n";
    for (int i = 1; i < kChain; ++i) {
        chain += "<!ENTITY e" + std::to_string(i) + " \"&e" + std::to_string(i - 1) + ";\">\n";
    }
    chain += "]>\n<game>&e" + std::to_string(kChain - 1) + ";</game>\n";
    ASSERT_FALSE(Parse(chain));
    EXPECT_EQ(document.Child("game").Value(), "end");
}

TEST_F(XmlDocumentTest, TenMegabyteLineIsReadWhole) {
    const std::string value(10 * 1024 * 1024, 'x');
    ASSERT_FALSE(Parse("<game name=\"" + value + "\">" + value + "</game>"));
    EXPECT_EQ(document.Child("game").Attribute("name").Value().size(), value.size());
    EXPECT_EQ(document.Child("game").Value().size(), value.size());
}

}  // namespace
