#include "base64.h"

#include <array>
#include <stdexcept>

namespace pf::graphics::detail {
namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int notInAlphabet = -1;

constexpr std::array<int, 256> makeDecodingTable() {
    std::array<int, 256> table{};
    for (auto& entry : table) entry = notInAlphabet;
    for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(alphabet[i])] = i;
    return table;
}

constexpr auto decodingTable = makeDecodingTable();

[[noreturn]] void refuse() { throw std::invalid_argument("not standard base64 text"); }

}  // namespace

std::vector<std::byte> decodeBase64(const std::string& text) {
    if (text.size() % 4 != 0) refuse();
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
    std::vector<std::byte> bytes;
    bytes.reserve(text.size() / 4 * 3);
    const std::size_t significant = text.size() - padding;
    std::uint32_t bits = 0;
    int bitCount = 0;
    for (std::size_t i = 0; i < significant; ++i) {
        const int sextet = decodingTable[static_cast<unsigned char>(text[i])];
        if (sextet == notInAlphabet) refuse();
        bits = (bits << 6) | static_cast<std::uint32_t>(sextet);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes.push_back(static_cast<std::byte>((bits >> bitCount) & 0xFF));
        }
    }
    // Bits left over must be zero, so that one byte sequence has exactly one text.
    if ((bits & ((1u << bitCount) - 1)) != 0) refuse();
    return bytes;
}

std::vector<std::byte> encodeBase64(const std::vector<std::byte>& bytes) {
    std::vector<std::byte> text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    auto put = [&text](std::uint32_t sextet) { text.push_back(static_cast<std::byte>(alphabet[sextet & 0x3F])); };
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const auto group = std::to_integer<std::uint32_t>(bytes[i]) << 16 |
                           std::to_integer<std::uint32_t>(bytes[i + 1]) << 8 | std::to_integer<std::uint32_t>(bytes[i + 2]);
        put(group >> 18);
        put(group >> 12);
        put(group >> 6);
        put(group);
    }
    const std::size_t rest = bytes.size() - i;
    if (rest != 0) {
        std::uint32_t group = std::to_integer<std::uint32_t>(bytes[i]) << 16;
        if (rest == 2) group |= std::to_integer<std::uint32_t>(bytes[i + 1]) << 8;
        put(group >> 18);
        put(group >> 12);
        if (rest == 2) {
            put(group >> 6);
        } else {
            text.push_back(std::byte{'='});
        }
        text.push_back(std::byte{'='});
    }
    return text;
}

}  // namespace pf::graphics::detail
