#include "AdapterFailure.h"

#include <gtest/gtest.h>

namespace harlowen_test {

void checkInstallerException(const install::tambrel::InstallerException& error, const ExpectedFailure& expected) {
    EXPECT_EQ(error.getCode(), expected.code);
    EXPECT_EQ(error.getTitle(), expected.title);
    EXPECT_EQ(error.getContext(), expected.context);
    EXPECT_NE(error.getDetail().find(expected.detailPart), std::string::npos)
        << "detail \"" << error.getDetail() << "\" lacks \"" << expected.detailPart << "\"";
    EXPECT_EQ(std::string(error.what()), error.getDetail());
}

}  // namespace harlowen_test
