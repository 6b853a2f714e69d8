#include "install/tambrel/logger.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <mutex>

#include "fl/i18n/conversion.h"
#include "install/tambrel/testing.h"

namespace install::tambrel::logger {
namespace {

std::mutex fileMutex;
std::atomic<detail::observer> currentObserver{nullptr};

std::string toUtf8(const std::wstring& text) {
    std::u16string wide;
    for (wchar_t c : text) {
        auto code = static_cast<char32_t>(c);
        if (code >= 0x10000) {
            code -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(code));
        }
    }
    return fl::i18n::to_string(wide);
}

}  // namespace

void append_message(const std::wstring& message) {
    if (auto observer = currentObserver.load()) observer(message);
    const char* path = std::getenv("TAMBREL_INSTALLER_LOG");
    if (path == nullptr || *path == '\0') return;
    std::lock_guard lock(fileMutex);
    std::ofstream(path, std::ios::app) << toUtf8(message) << '\n';
}

namespace detail {
void set_observer(observer callback) { currentObserver.store(callback); }
}  // namespace detail

}  // namespace install::tambrel::logger
