// UTF-8 checking: what counts as one character and what is no UTF-8 at all.
#include <gtest/gtest.h>

#include <string>

#include "platform/utf8.h"

TEST(Utf8, WellFormedSequencesHaveTheirLength)
{
    const std::string text = "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb5\x7f\xdf\xbf\xef\xbf\xbf\xf4\x8f\xbf\xbf";
    size_t lengths[] = {1, 2, 3, 4, 1, 2, 3, 4};
    size_t i = 0;
    for (size_t length : lengths) {
        EXPECT_EQ(utf8SequenceLength(text, i), length) << "at byte " << i;
        i += length;
    }
    EXPECT_EQ(i, text.size());
    EXPECT_TRUE(isUtf8(text));
    EXPECT_TRUE(isUtf8(""));
    EXPECT_TRUE(isUtf8(std::string("nul \0 is text", 13)));
}

TEST(Utf8, AnythingElseStartsNoSequence)
{
    const char* const notUtf8[] = {
        "\x80",              // a stray continuation byte
        "\xc0\xaf",          // overlong forms of '/'
        "\xe0\x80\xaf",      //
        "\xf0\x80\x80\xaf",  //
        "\xc1\xbf",          // overlong U+007F
        "\xed\xa0\x80",      // the surrogate U+D800
        "\xed\xbf\xbf",      // the surrogate U+DFFF
        "\xf4\x90\x80\x80",  // past U+10FFFF
        "\xf5\x80\x80\x80",  // no such lead byte
        "\xff",              //
        "\xe2\x82",          // cut short
        "\xc3(",             // a second byte that continues nothing
    };
    for (const char* bytes : notUtf8) {
        EXPECT_EQ(utf8SequenceLength(bytes, 0), 0u) << testing::PrintToString(bytes);
        EXPECT_FALSE(isUtf8(bytes)) << testing::PrintToString(bytes);
        EXPECT_FALSE(isUtf8(std::string("ok ") + bytes + " ok")) << testing::PrintToString(bytes);
    }
    // The bytes after a bad one are judged on their own.
    EXPECT_EQ(utf8SequenceLength("\xe2\x82"
                                 "a",
                                 2),
              1u);
}
