// The plainest pipe peer: reads frames until its input ends and writes frames straight back. With an
// argument N it writes back only every N-th frame, so that a batch of one-way frames costs one answer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const long answerEvery = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1;
    if (answerEvery < 1) return 2;
    std::string payload;
    unsigned char header[4];
    for (long count = 1; std::fread(header, 1, 4, stdin) == 4; ++count) {
        const std::uint32_t length = header[0] | header[1] << 8 | header[2] << 16 | std::uint32_t(header[3]) << 24;
        payload.resize(length);
        if (std::fread(payload.data(), 1, length, stdin) != length) return 1;
        if (count % answerEvery != 0) continue;
        std::fwrite(header, 1, 4, stdout);
        std::fwrite(payload.data(), 1, length, stdout);
        std::fflush(stdout);
    }
    return 0;
}
