#pragma once

#include <filesystem>
#include <string>

#include "tovrenna/Bundle.h"

namespace tovrenna {

// The bundle described by the manifest in a plug-in's resource archive; plugin is the file the
// library will be loaded from. Throws std::runtime_error or nlohmann::json::exception.
Bundle::Description describeBundle(const std::string& resources, const std::filesystem::path& plugin);

}  // namespace tovrenna
