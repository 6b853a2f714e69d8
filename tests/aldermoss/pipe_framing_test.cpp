#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "aldermoss/cefclient_utils.h"

namespace {

using cefclient_utils::readMessageFromPipe;
using cefclient_utils::sendMessageToPipe;

std::string frameHeader(std::uint32_t length) {
    return std::string{static_cast<char>(length & 0xff), static_cast<char>(length >> 8 & 0xff),
                       static_cast<char>(length >> 16 & 0xff), static_cast<char>(length >> 24 & 0xff)};
}

TEST(PipeFraming, MessagesComeBackWholeAndInOrder) {
    const std::string binary("\0\x01\xff\r\n\x1a", 6);
    const std::string large(300000, 'q');
    std::stringstream pipe;
    ASSERT_TRUE(sendMessageToPipe(pipe, "ProcessCreated"));
    ASSERT_TRUE(sendMessageToPipe(pipe, ""));
    ASSERT_TRUE(sendMessageToPipe(pipe, binary));
    ASSERT_TRUE(sendMessageToPipe(pipe, large));

    std::string message = "stale";
    ASSERT_TRUE(readMessageFromPipe(pipe, message));
    EXPECT_EQ(message, "ProcessCreated");
    ASSERT_TRUE(readMessageFromPipe(pipe, message));
    EXPECT_EQ(message, "");
    ASSERT_TRUE(readMessageFromPipe(pipe, message));
    EXPECT_EQ(message, binary);
    ASSERT_TRUE(readMessageFromPipe(pipe, message));
    EXPECT_EQ(message, large);
    EXPECT_FALSE(readMessageFromPipe(pipe, message));
    EXPECT_TRUE(message.empty());
}

TEST(PipeFraming, ReadingFrameAfterFrameReusesTheStringsStorage) {
    std::stringstream pipe;
    ASSERT_TRUE(sendMessageToPipe(pipe, std::string(200, 'a')));
    ASSERT_TRUE(sendMessageToPipe(pipe, std::string(100, 'b')));

    std::string message;
    ASSERT_TRUE(readMessageFromPipe(pipe, message));
    const char* storage = message.data();
    ASSERT_TRUE(readMessageFromPipe(pipe, message));
    EXPECT_EQ(message, std::string(100, 'b'));
    EXPECT_EQ(message.data(), storage);
}

TEST(PipeFraming, LengthIsLittleEndianBeforeThePayload) {
    std::ostringstream pipe;
    ASSERT_TRUE(sendMessageToPipe(pipe, std::string(0x0102, 'a')));
    const std::string bytes = pipe.str();
    ASSERT_EQ(bytes.size(), 4u + 0x0102);
    EXPECT_EQ(bytes.substr(0, 4), frameHeader(0x0102));
}

TEST(PipeFraming, DeclaredLengthOverTheLimitFailsTheStream) {
    std::istringstream pipe(frameHeader(cefclient_utils::kMaxPipeMessageSize + 1) + "abc");
    std::string message;
    EXPECT_FALSE(readMessageFromPipe(pipe, message));
    EXPECT_TRUE(pipe.fail());
    EXPECT_TRUE(message.empty());

    std::istringstream hugeLength(frameHeader(0xffffffffu));
    EXPECT_FALSE(readMessageFromPipe(hugeLength, message));
    EXPECT_TRUE(hugeLength.fail());
}

TEST(PipeFraming, LengthAtTheLimitIsAccepted) {
    std::string frame = frameHeader(cefclient_utils::kMaxPipeMessageSize);
    frame.resize(frame.size() + cefclient_utils::kMaxPipeMessageSize, 'z');
    std::istringstream pipe(std::move(frame));
    std::string message;
    ASSERT_TRUE(readMessageFromPipe(pipe, message));
    EXPECT_EQ(message.size(), cefclient_utils::kMaxPipeMessageSize);
    EXPECT_EQ(message.back(), 'z');
}

TEST(PipeFraming, StreamEndingInsideAFrameFails) {
    std::string message;
    std::istringstream insideLength(std::string("\x05\x00", 2));
    EXPECT_FALSE(readMessageFromPipe(insideLength, message));
    EXPECT_TRUE(insideLength.fail());

    std::istringstream insidePayload(frameHeader(10) + "short");
    EXPECT_FALSE(readMessageFromPipe(insidePayload, message));
    EXPECT_TRUE(insidePayload.fail());
    EXPECT_TRUE(message.empty());

    // Only a frame cut short fails; the frame before it still arrives.
    std::istringstream secondCut(frameHeader(2) + "ok" + frameHeader(8) + "cut");
    ASSERT_TRUE(readMessageFromPipe(secondCut, message));
    EXPECT_EQ(message, "ok");
    EXPECT_FALSE(readMessageFromPipe(secondCut, message));
}

TEST(PipeFraming, FailedStreamCannotBeWritten) {
    std::ostringstream pipe;
    pipe.setstate(std::ios::badbit);
    EXPECT_FALSE(sendMessageToPipe(pipe, "lost"));
}

}  // namespace
