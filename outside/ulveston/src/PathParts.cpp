#include "PathParts.h"

namespace install::ulveston {

std::vector<std::string_view> partsOf(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t begin = 0;
    while (begin <= path.size()) {
        size_t end = path.find('/', begin);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(begin, end - begin);
        begin = end + 1;
        if (!part.empty() && part != ".") parts.push_back(part);
    }
    return parts;
}

std::string_view parentOf(std::string_view place) {
    const size_t slash = place.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : place.substr(0, slash);
}

}  // namespace install::ulveston
