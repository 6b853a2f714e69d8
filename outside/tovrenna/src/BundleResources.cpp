#include "tovrenna/BundleResources.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <vector>

namespace tovrenna {
namespace {

// The bytes of an ELF file, wherever they lie. Every offset and length comes from the file, so each
// is checked against its size first.
class ElfFile {
public:
    // Fills count bytes at offset, which lie within size; false when that fails.
    using ReadAt = std::function<bool(std::uint64_t offset, char* into, std::uint64_t count)>;

    ElfFile(std::uint64_t size, ReadAt readAt) : size_(size), readAt_(std::move(readAt)) {}

    void read(std::uint64_t offset, void* into, std::uint64_t count) {
        checkWithin(offset, count);
        if (!readAt_(offset, static_cast<char*>(into), count)) throw std::runtime_error("the file cannot be read");
    }
    std::string readBytes(std::uint64_t offset, std::uint64_t count) {
        checkWithin(offset, count);
        std::string bytes(count, '\0');
        read(offset, bytes.data(), count);
        return bytes;
    }
    template <class T>
    T read(std::uint64_t offset) {
        T value;
        read(offset, &value, sizeof value);
        return value;
    }

    std::uint64_t size() const { return size_; }

private:
    void checkWithin(std::uint64_t offset, std::uint64_t count) const {
        if (offset > size_ || count > size_ - offset) throw std::runtime_error("the file is cut short");
    }

    std::uint64_t size_;
    ReadAt readAt_;
};

Elf64_Ehdr readHeader(ElfFile& file) {
    if (file.size() < SELFMAG || file.readBytes(0, SELFMAG) != std::string(ELFMAG, SELFMAG)) {
        throw std::runtime_error("not an ELF file");
    }
    auto header = file.read<Elf64_Ehdr>(0);
    if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB) {
        throw std::runtime_error("not a 64-bit little-endian ELF file");
    }
    if (header.e_shoff == 0) throw std::runtime_error("the ELF file has no section table");
    if (header.e_shentsize != sizeof(Elf64_Shdr)) throw std::runtime_error("unexpected ELF section entry size");
    return header;
}

std::vector<Elf64_Shdr> readSections(ElfFile& file, const Elf64_Ehdr& header) {
    // Past 0xff00 sections the count lives in the first entry.
    std::uint64_t count = header.e_shnum;
    if (count == 0) count = file.read<Elf64_Shdr>(header.e_shoff).sh_size;
    if (count == 0) throw std::runtime_error("the ELF file has no sections");
    if (count > file.size() / sizeof(Elf64_Shdr)) throw std::runtime_error("the file is cut short");
    std::vector<Elf64_Shdr> sections(count);
    file.read(header.e_shoff, sections.data(), count * sizeof(Elf64_Shdr));
    return sections;
}

std::string sectionData(ElfFile& file, const Elf64_Shdr& section) {
    if (section.sh_type == SHT_NOBITS) return {};
    return file.readBytes(section.sh_offset, section.sh_size);
}

std::string resourcesIn(ElfFile& file) {
    const auto header = readHeader(file);
    const auto sections = readSections(file, header);
    std::uint64_t namesIndex = header.e_shstrndx == SHN_XINDEX ? sections[0].sh_link : header.e_shstrndx;
    if (namesIndex >= sections.size()) throw std::runtime_error("the ELF file has no section names");
    const std::string names = sectionData(file, sections[namesIndex]);

    const std::string wanted = bundleResourcesSection;
    for (const auto& section : sections) {
        if (section.sh_name >= names.size()) continue;
        // The names table may lack its final terminator; never read past it.
        const char* name = names.data() + section.sh_name;
        if (std::string(name, strnlen(name, names.size() - section.sh_name)) == wanted) {
            return sectionData(file, section);
        }
    }
    throw std::runtime_error("no " + wanted + " section");
}

}  // namespace

std::string readBundleResourcesInMemory(std::string_view image) {
    ElfFile file(image.size(), [image](std::uint64_t offset, char* into, std::uint64_t count) {
        image.copy(into, count, offset);
        return true;
    });
    return resourcesIn(file);
}

std::string readBundleResources(const std::filesystem::path& plugin) {
    std::ifstream in(plugin, std::ios::binary | std::ios::ate);
    const auto end = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (end < 0) throw std::runtime_error("cannot read " + plugin.string());
    ElfFile file(static_cast<std::uint64_t>(end), [&in](std::uint64_t offset, char* into, std::uint64_t count) {
        in.seekg(static_cast<std::streamoff>(offset));
        return static_cast<bool>(in.read(into, static_cast<std::streamsize>(count)));
    });
    return resourcesIn(file);
}

}  // namespace tovrenna
