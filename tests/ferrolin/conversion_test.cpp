#include <gtest/gtest.h>

#include "fl/i18n/conversion.h"
#include "fl/i18n/lcctype.h"

using fl::i18n::to_string;
using fl::i18n::to_ustring;

TEST(Conversion, RoundTripsEveryPlaneOfText) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a é € 😀
    const std::u16string wide = to_ustring(text);
    EXPECT_EQ(wide, u"a\u00E9\u20AC\U0001F600");
    EXPECT_EQ(to_string(wide), text);
}

TEST(Conversion, InvalidUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(to_ustring("\xFF"), u"\uFFFD");
    EXPECT_EQ(to_ustring("a\xC3"), u"a\uFFFD");               // truncated sequence
    EXPECT_EQ(to_ustring("\xC0\xAF"), u"\uFFFD");            // overlong form
    EXPECT_EQ(to_ustring("\xED\xA0\x80"), u"\uFFFD");       // encoded surrogate
    EXPECT_EQ(to_ustring("\xE2\x82z"), u"\uFFFDz");          // continuation missing, next byte kept
}

TEST(Conversion, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(to_string(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(to_string(std::u16string{char16_t(0xDC00), u'x'}), "\xEF\xBF\xBDx");
}

TEST(Lcctype, HighBytesAreNeitherDigitsNorSpace) {
    EXPECT_TRUE(fl::i18n::lcctype::isdigit_ascii('7'));
    EXPECT_TRUE(fl::i18n::lcctype::isspace_ascii('\r'));
    EXPECT_FALSE(fl::i18n::lcctype::isdigit_ascii(static_cast<signed char>('\xB2')));
    EXPECT_FALSE(fl::i18n::lcctype::isspace_ascii(static_cast<signed char>('\xA0')));
}
