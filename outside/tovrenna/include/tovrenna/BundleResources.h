#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tovrenna {

// The section of a plug-in file that carries its bundle's resources as a zip archive.
inline constexpr const char* bundleResourcesSection = "US_RESOURCES";

// The bytes of that section, read from the file without loading it. Throws std::runtime_error when
// the file cannot be read, is no 64-bit little-endian ELF file, is cut short, or has no such section.
std::string readBundleResources(const std::filesystem::path& plugin);
// The same from a plug-in file's bytes held in memory.
std::string readBundleResourcesInMemory(std::string_view image);

}  // namespace tovrenna
