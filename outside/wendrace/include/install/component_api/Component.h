#pragma once

#include <set>
#include <string>

namespace install::component_api {

// One installable part of a product, shipped as one archive.
class Component {
public:
    Component(std::u16string key, std::u16string name, std::u16string archiveFileName,
              std::set<std::u16string> platforms)
        : key_(std::move(key)), name_(std::move(name)), archiveFileName_(std::move(archiveFileName)),
          platforms_(std::move(platforms)) {}
    virtual ~Component() = default;

    virtual const std::u16string& getKey() const { return key_; }
    virtual const std::u16string& getArchiveFileName() const { return archiveFileName_; }
    virtual const std::set<std::u16string>& getPlatforms() const { return platforms_; }
    virtual const std::u16string& getName() const { return name_; }

private:
    std::u16string key_;
    std::u16string name_;
    std::u16string archiveFileName_;
    std::set<std::u16string> platforms_;
};

}  // namespace install::component_api
