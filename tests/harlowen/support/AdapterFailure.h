#pragma once

#include <functional>
#include <string>

#include "install/tambrel/InstallerException.h"

namespace harlowen_test {

struct ExpectedFailure {
    std::string code;
    std::string title;
    std::string context;
    std::string detailPart;  // the detail must hold this text
};

// Runs the call and checks that it throws Exception with the expected texts.
template <class Exception>
void expectAdapterFailure(const std::function<void()>& call, const ExpectedFailure& expected);

void checkInstallerException(const install::tambrel::InstallerException& error, const ExpectedFailure& expected);

template <class Exception>
void expectAdapterFailure(const std::function<void()>& call, const ExpectedFailure& expected) {
    bool thrown = false;
    try {
        call();
    } catch (const Exception& error) {
        thrown = true;
        checkInstallerException(error, expected);
    }
    if (!thrown) checkInstallerException(install::tambrel::InstallerException("", "nothing thrown", "", ""), expected);
}

}  // namespace harlowen_test
