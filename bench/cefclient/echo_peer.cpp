// The plainest pipe peer: writes every frame it reads straight back, until its input ends.
#include <cstdint>
#include <cstdio>
#include <string>

int main() {
    std::string payload;
    unsigned char header[4];
    while (std::fread(header, 1, 4, stdin) == 4) {
        const std::uint32_t length = header[0] | header[1] << 8 | header[2] << 16 | std::uint32_t(header[3]) << 24;
        payload.resize(length);
        if (std::fread(payload.data(), 1, length, stdin) != length) return 1;
        std::fwrite(header, 1, 4, stdout);
        std::fwrite(payload.data(), 1, length, stdout);
        std::fflush(stdout);
    }
    return 0;
}
