// Tests of the settings text: normalisation, case-insensitive search and number parsing.
#include "settings/settings_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dt {
namespace {

std::string Normalise(const std::string& input) {
    std::vector<char> buffer(input.begin(), input.end());
    buffer.push_back('\x7f');  // must be overwritten by the NUL
    uint32_t length = NormaliseSettingsText(buffer.data(), static_cast<uint32_t>(input.size()));
    EXPECT_EQ(buffer[length], '\0');
    return std::string(buffer.data(), length);
}

struct NormaliseCase {
    const char* name;
    std::string input;
    std::string expected;
};

TEST(NormaliseTest, FollowsTheLineGrammar) {
    const NormaliseCase cases[] = {
        {"empty", "", ""},
        {"plain", "[A]\r\nk=v\r\n", "[A]\r\nk=v"},
        {"LF-only endings load empty", "[A]\nk=v\nj=w\n", ""},
        {"a BOM spoils the first header", "\xEF\xBB\xBF[A]\r\nk=v\r\n", ""},
        {"a BOM spoils only the first section", "\xEF\xBB\xBF[A]\r\nk=v\r\n[B]\r\nx=1",
         "[B]\r\nx=1"},
        {"key lines before the first header", "k=v\r\nj=w\r\n[A]\r\nx=1", "[A]\r\nx=1"},
        {"junk after a header's ] drops it; its keys join the section above",
         "[A]\r\nk=1\r\n[B] junk\r\nx=2", "[A]\r\nk=1\r\nx=2"},
        {"spaces inside brackets", "[  My \t Sec \t]\r\nk=v", "[My   Sec]\r\nk=v"},
        {"spaces around key, = and value", "[A]\r\n  key  =  two  spaces  \r\n",
         "[A]\r\nkey=two  spaces"},
        {"tab, VT and FF become one space each",
         "[A]\r\nk\tk=a\tb\x0b\x0c"
         "c",
         "[A]\r\nk k=a b  c"},
        {"empty value dropped", "[A]\r\nk=\r\nk2=  \t\r\nj=1", "[A]\r\nj=1"},
        {"line without =", "[A]\r\nnoequals\r\nj=1", "[A]\r\nj=1"},
        {"second = is part of the value", "[A]\r\nk=a=b", "[A]\r\nk=a=b"},
        {"line beginning with =", "[A]\r\n  =v\r\nk=1", "[A]\r\nk=1"},
        {"header followed by a header", "[A]\r\n[B]\r\nk=v", "[B]\r\nk=v"},
        {"header at the end", "[A]\r\nk=v\r\n[B]\r\n", "[A]\r\nk=v"},
        {"header at the end without CR LF", "[A]\r\nk=v\r\n[B]", "[A]\r\nk=v"},
        {"empty section in the middle", "[A]\r\nk=1\r\n[B]\r\nbad\r\n[C]\r\nm=2",
         "[A]\r\nk=1\r\n[C]\r\nm=2"},
        {"only empty sections", "[A]\r\n[B]\r\n\r\n[C]\r\n", ""},
        {"second [ in a header", "[A[B]\r\nk=v", ""},
        {"second ] in a header", "[A]]\r\nk=v\r\n[B]\r\nx=1", "[B]\r\nx=1"},
        {"[ after a header's ]", "[A]\r\nk=1\r\n[B][C]\r\nx=2", "[A]\r\nk=1\r\nx=2"},
        {"= left out of a header", "[A=B ]\r\nk=v", "[AB]\r\nk=v"},
        {"= and spaces just inside [", "[= \tA]\r\nk=v", "[A]\r\nk=v"},
        {"empty header name", "[ ]\r\nk=v\r\n[=]\r\nj=w", ""},
        {"unclosed header", "[A]\r\nk=1\r\n[B\r\nx=2", "[A]\r\nk=1\r\nx=2"},
        {"brackets in values, [ in keys", "[A]\r\nk[1]=[x]\r\nj]=a]b[",
         "[A]\r\nk[1]=[x]\r\nj]=a]b["},
        {"value ending with = on the last line is kept", "[A]\r\nk=a=", "[A]\r\nk=a="},
        {"= as the last byte with an empty value", "[A]\r\nj=1\r\nk=", "[A]\r\nj=1"},
        {"[ as the last byte", "[A]\r\nk=v\r\n[", "[A]\r\nk=v"},
        {"lone CR inside a line drops it", "[A]\r\nk=v\rx\r\nj=1", "[A]\r\nj=1"},
        {"lone CR at a line start drops that line", "[A]\r\n\rk=v\r\nj=1\r\nm=2",
         "[A]\r\nj=1\r\nm=2"},
        {"LF at a line start swallows the next line", "[A]\r\nk=1\r\n\nj=2\r\nm=3",
         "[A]\r\nk=1\r\nm=3"},
        {"LF without CR after content", "[A]\r\nk=1\nj=2\r\nm=3", "[A]\r\nm=3"},
        {"blank and whitespace-only lines", "\r\n[A]\r\n\r\n \t \r\nk=v\r\n\r\n", "[A]\r\nk=v"},
        {"trailing line breaks and spaces", "[A]\r\nk=v  \r\n\r\n  \r\n", "[A]\r\nk=v"},
        {"last line without CR LF", "[A]\r\nk=v   ", "[A]\r\nk=v"},
        {"last line ending in a lone CR", "[A]\r\nk=v\r", "[A]\r\nk=v"},
        {"last line a key without =", "[A]\r\nk=v\r\nj", "[A]\r\nk=v"},
        {"spaces after a header's ]", "[A]  \t\r\nk=v", "[A]\r\nk=v"},
        {"duplicates are kept", "[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3",
         "[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3"},
        {"a key line alone", "k=v", ""},
        {"no line break anywhere", "[A]", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Normalise(c.input), c.expected);
        // A normalised text is its own normal form.
        EXPECT_EQ(Normalise(c.expected), c.expected);
    }
}

TEST(NormaliseTest, KeepsOtherBytesAsTheyAre) {
    // NUL and high bytes inside a value are data like any other.
    std::string input("[A]\r\nk=a\0b\xe9\r\n", 13);
    EXPECT_EQ(Normalise(input), std::string("[A]\r\nk=a\0b\xe9", 11));
}

TEST(FindNoCaseTest, MatchesWithinTheBound) {
    const char text[] = "abcABCxyz\r\nKEY=1";
    const uint32_t n = sizeof text - 1;
    EXPECT_EQ(FindNoCase(text, n, "", 0, 0), 0);
    EXPECT_EQ(FindNoCase(text, 0, "a", 1, 10), -1);
    EXPECT_EQ(FindNoCase(text, 2, "abc", 3, 10), -1);
    EXPECT_EQ(FindNoCase(text, n, "ABCX", 4, n), 3);
    EXPECT_EQ(FindNoCase(text, n, "\r\nkey=", 6, n), 9);
    // The match may begin at the bound and run past it, but not begin after it.
    EXPECT_EQ(FindNoCase(text, n, "\r\nkey=", 6, 9), 9);
    EXPECT_EQ(FindNoCase(text, n, "\r\nkey=", 6, 8), -1);
    EXPECT_EQ(FindNoCase(text, n, "cab", 3, 2), 2);
    EXPECT_EQ(FindNoCase(text, n, "cab", 3, 1), -1);
    EXPECT_EQ(FindNoCase(text, n, "zz", 2, n), -1);
    // Only ASCII letters fold.
    EXPECT_EQ(FindNoCase("\xe9", 1, "\xc9", 1, 1), -1);
    EXPECT_EQ(FindNoCase("[x]", 3, "[", 1, 5), 0);
}

// The grammar in full is fuzzed against a reference parse; these are the limits.
TEST(ParseIntTest, Limits) {
    int32_t v32 = 0;
    EXPECT_TRUE(ParseInt32("2147483647", &v32) && v32 == 2147483647);
    EXPECT_TRUE(ParseInt32("-2147483647", &v32) && v32 == -2147483647);
    EXPECT_FALSE(ParseInt32("-2147483648", &v32));  // the most negative value is refused
    EXPECT_FALSE(ParseInt32("2147483648", &v32));
    EXPECT_TRUE(ParseInt32("0000000001", &v32) && v32 == 1);
    EXPECT_FALSE(ParseInt32("00000000001", &v32));  // leading zeros count
    EXPECT_TRUE(ParseInt32("+ 7", &v32) && v32 == 7);
    EXPECT_TRUE(ParseInt32("\t- 5 \r\n", &v32) && v32 == -5);
    EXPECT_TRUE(ParseInt32("-0", &v32) && v32 == 0);
    for (const char* bad : {"", " ", "+", "1 2", "1 -", "--1", "12a", "0x10"}) {
        EXPECT_FALSE(ParseInt32(bad, &v32)) << bad;
    }
    int64_t v64 = 0;
    EXPECT_TRUE(ParseInt64("-9223372036854775807", &v64) && v64 == -INT64_MAX);
    EXPECT_FALSE(ParseInt64("-9223372036854775808", &v64));
    EXPECT_TRUE(ParseInt64("0000000000000000001", &v64) && v64 == 1);
    EXPECT_FALSE(ParseInt64("00000000000000000001", &v64));
}

}  // namespace
}  // namespace dt
