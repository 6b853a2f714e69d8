#include <string>

#include <gtest/gtest.h>

#include "exchange_harness.h"

namespace {

using namespace exchange_test;

exchange::wire::Frame replyFrame(std::uint64_t id) {
    exchange::wire::Frame frame;
    frame.mutable_reply()->set_id(id);
    return frame;
}

std::string lengthOnly(std::uint32_t length) {
    return std::string{static_cast<char>(length & 0xff), static_cast<char>((length >> 8) & 0xff),
                       static_cast<char>((length >> 16) & 0xff), static_cast<char>(length >> 24)};
}

TEST(FrameReader, FramesSplitAnywhereComeOutWholeAndInOrder) {
    const std::string stream = exchange::encodeFrame(replyFrame(1)) + exchange::encodeFrame(replyFrame(70000)) +
                               exchange::encodeFrame(replyFrame(3));
    exchange::FrameReader reader;
    std::vector<std::uint64_t> ids;
    for (char byte : stream) {
        reader.append(std::string_view(&byte, 1));
        while (auto frame = reader.next()) ids.push_back(frame->reply().id());
    }
    EXPECT_EQ(ids, (std::vector<std::uint64_t>{1, 70000, 3}));
    EXPECT_EQ(reader.buffered(), 0u);
}

TEST(FrameReader, LengthIsLittleEndian) {
    const std::string bytes = exchange::encodeFrame(replyFrame(5));
    const std::string body = replyFrame(5).SerializeAsString();
    EXPECT_EQ(bytes, lengthOnly(static_cast<std::uint32_t>(body.size())) + body);
}

TEST(FrameReader, OversizeLengthFailsAtOnceWithoutWaitingForTheBody) {
    exchange::FrameReader reader;
    reader.append(lengthOnly(exchange::kMaxFrameLength + 1));
    EXPECT_THROW(reader.next(), exchange::FrameError);
    reader.append(exchange::encodeFrame(replyFrame(1)));
    EXPECT_THROW(reader.next(), exchange::FrameError) << "a failed stream stays failed";
    EXPECT_EQ(reader.buffered(), 4u) << "nothing more is kept once failed";

    exchange::FrameReader atLimit;
    atLimit.append(lengthOnly(exchange::kMaxFrameLength));
    EXPECT_FALSE(atLimit.next().has_value()) << "the largest accepted length waits for its body";
}

TEST(FrameReader, BodiesThatAreNoFrameFail) {
    for (const std::string& body : {std::string(), std::string("\xff\xff\xff", 3), std::string("\x08\x01", 2)}) {
        exchange::FrameReader reader;
        reader.append(lengthOnly(static_cast<std::uint32_t>(body.size())) + body);
        EXPECT_THROW(reader.next(), exchange::FrameError) << "body of " << body.size() << " bytes";
    }
}

TEST(FrameReader, TakenBytesDoNotPileUp) {
    exchange::FrameReader reader;
    const std::string frame = exchange::encodeFrame(replyFrame(9));
    for (int i = 0; i < 10000; ++i) {
        reader.append(frame);
        ASSERT_TRUE(reader.next().has_value());
    }
    EXPECT_EQ(reader.buffered(), 0u);
}

}  // namespace
