// A connection looks for its partner's next bytes only while no other connection is being read: the look would
// keep its thread from their input.
#include <gtest/gtest.h>

#include "read_connections.h"

namespace {

using foundation::msg_svc::exchange::detail::ReadConnections;
using namespace std::chrono_literals;

const ReadConnections::Clock::time_point kStart{1h};

}  // namespace

TEST(ReadConnections, OneConnectionReadOftenIsAlone) {
    ReadConnections reads;
    const int connection = 0;
    for (int i = 0; i < 100; ++i) reads.readFrom(&connection, kStart + i * 10us);
    EXPECT_FALSE(reads.several(kStart + 1ms));
}

TEST(ReadConnections, TwoReadCloseTogetherAreSeveralForAWhile) {
    ReadConnections reads;
    const int first = 0, second = 0;
    reads.readFrom(&first, kStart);
    reads.readFrom(&second, kStart + 200us);
    EXPECT_TRUE(reads.several(kStart + 300us));
    EXPECT_TRUE(reads.several(kStart + 40ms));
    EXPECT_FALSE(reads.several(kStart + 60ms)) << "a connection read alone again looks again";
}

TEST(ReadConnections, ReadsFarApartAreNotSeveral) {
    ReadConnections reads;
    const int first = 0, second = 0;
    reads.readFrom(&first, kStart);
    reads.readFrom(&second, kStart + 5ms);
    reads.readFrom(&first, kStart + 10ms);
    EXPECT_FALSE(reads.several(kStart + 10ms));
}
