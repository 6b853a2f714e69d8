#include "platform/module.h"

#include <limits.h>
#include <unistd.h>

#include "fl/i18n/conversion.h"

namespace platform {

std::u16string moduleFileName() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return {};
    return fl::i18n::to_ustring(std::string_view(buffer, static_cast<std::size_t>(length)));
}

}  // namespace platform
