#include "pf/graphics/PFGraphics.h"

#include <stdexcept>

#include "GraphicsBytes.h"
#include "base64.h"

namespace pf::graphics {
namespace {

// An image kept as the bytes it was made from.
class EncodedImage final : public PFGraphics {
public:
    explicit EncodedImage(std::vector<std::byte> bytes) : bytes_(std::move(bytes)) {}

    void exportGraphics(PFGraphicsBuffer& buffer, int format, int,
                        const PFGraphicsVectorExportData&) const override {
        switch (format) {
            case PFGraphicsExportRaw: buffer.assign(bytes_); break;
            case PFGraphicsExportBase64: buffer.assign(detail::encodeBase64(bytes_)); break;
            default: throw std::invalid_argument("unsupported graphics export format");
        }
    }

private:
    std::vector<std::byte> bytes_;
};

}  // namespace

PFGraphics::~PFGraphics() = default;

std::unique_ptr<PFGraphics> constructPFGraphicsFromBase64(const std::string& base64) {
    return detail::graphicsFromBytes(detail::decodeBase64(base64));
}

namespace detail {

std::unique_ptr<PFGraphics> graphicsFromBytes(std::vector<std::byte> bytes) {
    if (bytes.empty()) throw std::invalid_argument("an image needs at least one byte");
    return std::make_unique<EncodedImage>(std::move(bytes));
}

}  // namespace detail

}  // namespace pf::graphics
