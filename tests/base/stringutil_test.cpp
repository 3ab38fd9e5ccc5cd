#include <climits>

#include <gtest/gtest.h>

#include "base/stringutil.h"

namespace {

using Pieces = std::vector<std::string>;

TEST(SplitString, EmptyPiecesCount) {
    EXPECT_EQ(SplitString("Germany", '='), Pieces{"Germany"});
    EXPECT_EQ(SplitString("a==b", '='), (Pieces{"a", "", "b"}));
    EXPECT_EQ(SplitString("=a=", '='), (Pieces{"", "a", ""}));
    EXPECT_EQ(SplitString("", '='), Pieces{""});
}

TEST(Trimming, TrimSpaceAndTrimBlanksRemoveDifferentSets) {
    EXPECT_EQ(TrimSpace(u"\t\r\n Sea Zone 1 \r\n"), "Sea Zone 1");
    EXPECT_EQ(TrimSpace(u"\v x \f"), "\v x \f");
    EXPECT_EQ(TrimSpace(u" \t "), "");
    EXPECT_EQ(TrimBlanks(" \t Germans \t"), "Germans");
    EXPECT_EQ(TrimBlanks("\rGermans\n"), "\rGermans\n");
}

TEST(ParseHex, DigitsInEitherCaseAfterAnOptionalPrefix) {
    EXPECT_EQ(ParseHex("ff8000"), 0xFF8000);
    EXPECT_EQ(ParseHex("FF8000"), 0xFF8000);
    EXPECT_EQ(ParseHex("0x1A"), 0x1A);
    EXPECT_EQ(ParseHex("0X1a"), 0x1A);
    EXPECT_EQ(ParseHex("12g4"), 0x12);
    EXPECT_EQ(ParseHex(""), 0);
    EXPECT_EQ(ParseHex("zz"), 0);
    EXPECT_EQ(ParseHex(" 12"), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(ParseHex("FFFFFFFF")), 0xFFFFFFFFu);
}

TEST(ReadLeadingInteger, FollowsAtoi) {
    EXPECT_EQ(ReadLeadingInteger(" \t\n-42abc"), -42);
    EXPECT_EQ(ReadLeadingInteger("+7"), 7);
    EXPECT_EQ(ReadLeadingInteger("007"), 7);
    EXPECT_EQ(ReadLeadingInteger("abc"), 0);
    EXPECT_EQ(ReadLeadingInteger("- 5"), 0);
    EXPECT_EQ(ReadLeadingInteger(""), 0);
    EXPECT_EQ(ReadLeadingInteger("99999999999999999999"), INT_MAX);
    EXPECT_EQ(ReadLeadingInteger("-2147483648"), INT_MIN);
    EXPECT_EQ(ReadLeadingInteger("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(ReadLeadingInteger(QStringView(u" 12)")), 12);
}

TEST(FormatString, ReplacesTheContentWithAResultOfAnyLength) {
    std::string out = "old";
    FormatString(out, "%d", 42);
    EXPECT_EQ(out, "42");
    const std::string longText(5000, 'x');
    FormatString(out, "[%s]", longText.c_str());
    EXPECT_EQ(out, "[" + longText + "]");
    FormatString(out, "%s", "");
    EXPECT_EQ(out, "");
}

TEST(ReplaceFirst, OnlyTheFirstOccurrence) {
    std::string text = "percent_s/x/percent_s";
    ReplaceFirst(text, "percent_s", "%s");
    EXPECT_EQ(text, "%s/x/percent_s");
    ReplaceFirst(text, "absent", "y");
    EXPECT_EQ(text, "%s/x/percent_s");
    ReplaceFirst(text, "", "y");
    EXPECT_EQ(text, "%s/x/percent_s");
}

}  // namespace
