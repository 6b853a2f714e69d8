#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "pf/graphics/PFGraphics.h"

using namespace pf::graphics;

namespace {

std::string exportAs(const PFGraphics& graphics, int format) {
    PFGraphicsBuffer buffer;
    graphics.exportGraphics(buffer, format, 1, PFGraphicsVectorExportData{});
    const auto& bytes = buffer.bytes();
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

TEST(Graphics, DecodesStandardBase64AndGivesItBack) {
    for (const char* text : {"AAAA", "AA==", "AAA=", "/+8=", "aGVsbG8gd29ybGQ=", "iVBORw0KGgo="}) {
        auto image = constructPFGraphicsFromBase64(text);
        EXPECT_EQ(exportAs(*image, PFGraphicsExportBase64), text);
    }
    EXPECT_EQ(exportAs(*constructPFGraphicsFromBase64("aGVsbG8="), PFGraphicsExportRaw), "hello");
    EXPECT_EQ(exportAs(*constructPFGraphicsFromBase64("AAAA"), PFGraphicsExportRaw), std::string(3, '\0'));
}

TEST(Graphics, RefusesEverythingElse) {
    for (const char* text : {"", "A", "AAA", "AAAAA", "A===", "====", "AB=C", "AA=A", "AAAA====", "AB==", "AAB=",
                             "AA AA", "AA\nA", "-_AA", "AA.A", "AAA\xC3"}) {
        EXPECT_THROW(constructPFGraphicsFromBase64(text), std::invalid_argument) << text;
    }
}

TEST(Graphics, UnknownExportFormatThrows) {
    auto image = constructPFGraphicsFromBase64("AAAA");
    EXPECT_THROW(exportAs(*image, 7), std::invalid_argument);
}

}  // namespace
