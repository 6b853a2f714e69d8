// The standalone window's position switch.
#include <gtest/gtest.h>

#include "cefclient/StandaloneWindowOptions.h"

TEST(StandaloneWindowOptions, PositionTokensAreSplitAtCommasAndBlanks) {
    EXPECT_EQ(parseWindowPosition("10, 20, 300, 400"), CefRect(10, 20, 300, 400));
    EXPECT_EQ(parseWindowPosition("10,20,300,400"), CefRect(10, 20, 300, 400));
    EXPECT_EQ(parseWindowPosition("  -10 ,, +20  "), CefRect(-10, 20, 0, 0));
    EXPECT_EQ(parseWindowPosition("10 20"), CefRect(10, 20, 0, 0));
    EXPECT_EQ(parseWindowPosition(""), CefRect(0, 0, 0, 0));
}

TEST(StandaloneWindowOptions, NonNumericOrSurplusTokensAreRejected) {
    EXPECT_FALSE(parseWindowPosition("10,20,wide,400"));
    EXPECT_FALSE(parseWindowPosition("1,2,3,4,5"));
    EXPECT_FALSE(parseWindowPosition("10;20"));
    EXPECT_FALSE(parseWindowPosition("1,2,3,99999999999"));
}
