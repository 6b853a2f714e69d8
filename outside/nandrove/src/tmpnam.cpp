#include "fl/filesystem/tmpnam.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

#include "fl/i18n/conversion.h"

namespace fl::filesystem {

std::u16string tmpnam(const std::u16string& folder, const std::u16string& prefix, const std::u16string& suffix) {
    const std::filesystem::path parent =
        folder.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(fl::i18n::to_string(folder));
    static constexpr char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device entropy;
    std::uniform_int_distribution<int> pick(0, sizeof(alphabet) - 2);
    int error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string random(12, 'x');
        for (char& c : random) c = alphabet[pick(entropy)];
        const auto candidate = parent / (fl::i18n::to_string(prefix) + random + fl::i18n::to_string(suffix));
        if (::mkdir(candidate.c_str(), 0700) == 0) return fl::i18n::to_ustring(candidate.string());
        error = errno;
        if (error != EEXIST) break;
    }
    throw std::filesystem::filesystem_error("cannot create a temporary name", parent,
                                            std::error_code(error, std::generic_category()));
}

}  // namespace fl::filesystem
