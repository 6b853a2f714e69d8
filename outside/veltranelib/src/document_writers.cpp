#include "document_writers.h"

#include <array>
#include <cstdint>
#include <sstream>
#include <vector>

#include <zlib.h>

namespace veltranelib::detail {
namespace {

void appendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xff);
}

void appendChunk(std::string& out, const char type[4], const std::string& data) {
    appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    std::string body(type, 4);
    body += data;
    out += body;
    appendBigEndian(out, static_cast<std::uint32_t>(
                             ::crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

}  // namespace

std::string plainPicture(int width, int height) {
    if (width <= 0 || height <= 0) return {};
    // Each row: a filter byte, then grey samples.
    const std::size_t rowSize = static_cast<std::size_t>(width) + 1;
    std::vector<Bytef> raw(rowSize * static_cast<std::size_t>(height), 0xff);
    for (int row = 0; row < height; ++row) raw[static_cast<std::size_t>(row) * rowSize] = 0;
    uLongf packedSize = ::compressBound(static_cast<uLong>(raw.size()));
    std::vector<Bytef> packed(packedSize);
    if (::compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size())) != Z_OK) return {};

    std::string header;
    appendBigEndian(header, static_cast<std::uint32_t>(width));
    appendBigEndian(header, static_cast<std::uint32_t>(height));
    header += std::string{8, 0, 0, 0, 0};  // 8-bit grey, deflate, no filter, no interlace

    std::string picture("\x89PNG\r\n\x1a\n", 8);
    appendChunk(picture, "IHDR", header);
    appendChunk(picture, "IDAT", std::string(reinterpret_cast<const char*>(packed.data()), packedSize));
    appendChunk(picture, "IEND", std::string());
    return picture;
}

std::string emptyPageDocument(int width, int height) {
    std::ostringstream mediaBox;
    mediaBox << "[0 0 " << width << ' ' << height << ']';
    const std::array<std::string, 4> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox " + mediaBox.str() + " /Contents 4 0 R /Resources << >> >>",
        "<< /Length 0 >>\nstream\n\nendstream",
    };
    std::string document = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(document.size());
        document += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = document.size();
    document += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        std::string entry = std::to_string(offset);
        document += std::string(10 - entry.size(), '0') + entry + " 00000 n \n";
    }
    document += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
                std::to_string(xref) + "\n%%EOF\n";
    return document;
}

}  // namespace veltranelib::detail
