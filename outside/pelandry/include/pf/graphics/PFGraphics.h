#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "pf/pelandry_export.h"

namespace pf::graphics {

// Export formats: the image bytes as they are, or their standard base64 text.
enum PFGraphicsExportFormat { PFGraphicsExportRaw = 1, PFGraphicsExportBase64 = 2 };

// Receives the bytes of an export.
class PELANDRY_EXPORT PFGraphicsBuffer {
public:
    const std::vector<std::byte>& bytes() const { return bytes_; }
    void assign(std::vector<std::byte> bytes) { bytes_ = std::move(bytes); }

private:
    std::vector<std::byte> bytes_;
};

// Options of vector exports; raster images need none.
struct PFGraphicsVectorExportData {};

// An image held by the platform.
class PELANDRY_EXPORT PFGraphics {
public:
    virtual ~PFGraphics();
    // Writes the image to the buffer in the format; an unknown format throws std::invalid_argument.
    virtual void exportGraphics(PFGraphicsBuffer& buffer, int format, int flags,
                                const PFGraphicsVectorExportData& vectorData) const = 0;
};

// An image from the standard base64 text of its bytes; any other text, or an empty image, throws
// std::invalid_argument.
PELANDRY_EXPORT std::unique_ptr<PFGraphics> constructPFGraphicsFromBase64(const std::string& base64);

}  // namespace pf::graphics
