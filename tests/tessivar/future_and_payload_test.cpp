#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "connector/message_service/Future.h"
#include "connector/message_service/JsonMessage.h"
#include "connector/message_service/PayloadBuffer.h"

namespace {

namespace ms = connector::message_service;
using Value = std::shared_ptr<int>;

void expectRuntimeError(const std::function<void()>& call, const std::string& text) {
    try {
        call();
        ADD_FAILURE() << "no error, expected " << text;
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(error.what(), text);
    }
}

TEST(Future, GivesTheValueOnceAndThenRefuses) {
    auto state = std::make_shared<ms::FutureState<Value>>();
    ms::Future<Value> future(state);
    state->setValue(std::make_shared<int>(7));
    state->setValue(std::make_shared<int>(8));  // the first settlement stands
    EXPECT_EQ(*future.get(), 7);
    expectRuntimeError([&] { future.get(); },
                       "Future already returned it's value or has an associated continuation.");
}

TEST(Future, ReportsCancellationStoredErrorsAndInvalidity) {
    auto cancelled = std::make_shared<ms::FutureState<Value>>();
    cancelled->cancel();
    expectRuntimeError([&] { ms::Future<Value>(cancelled).get(); }, "Future has been cancelled.");

    auto failed = std::make_shared<ms::FutureState<Value>>();
    failed->setException(std::make_exception_ptr(std::out_of_range("gone")));
    EXPECT_THROW(ms::Future<Value>(failed).get(), std::out_of_range);

    ms::Future<Value> empty;
    EXPECT_FALSE(empty.valid());
    expectRuntimeError([&] { empty.get(); }, "Future state isn't valid!");

    ms::Future<Value> moved(std::make_shared<ms::FutureState<Value>>());
    ms::Future<Value> target = std::move(moved);
    EXPECT_FALSE(moved.valid());
    EXPECT_TRUE(target.valid());
}

TEST(Future, GetBlocksUntilAnotherThreadSettles) {
    auto state = std::make_shared<ms::FutureState<Value>>();
    ms::Future<Value> future(state);
    std::thread producer([state] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        state->setValue(std::make_shared<int>(3));
    });
    EXPECT_EQ(*future.get(), 3);
    producer.join();
}

TEST(PayloadBuffer, HoldsExactlyTheTextsBytes) {
    ms::PayloadBuffer empty{std::string()};
    EXPECT_EQ(empty.data(), nullptr);
    EXPECT_EQ(empty.capacity(), 0u);
    EXPECT_EQ(ms::JsonMessage(empty).payload(), "");

    const std::string text("{\"a\":\0\"b\"}", 10);
    ms::PayloadBuffer buffer(text);
    EXPECT_EQ(buffer.size(), 10u);
    EXPECT_EQ(buffer.capacity(), 10u);
    EXPECT_EQ(ms::JsonMessage(buffer).payload(), text);
}

TEST(PayloadBuffer, GrowsToTwiceItsCapacityOrToWhatIsNeeded) {
    ms::PayloadBuffer buffer(std::string("abcd"));
    buffer.append("0123456789", 10);
    EXPECT_EQ(buffer.capacity(), 14u);
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "abcd0123456789");

    ms::PayloadBuffer full(std::string(16, 'x'));
    full.append("y", 1);
    EXPECT_EQ(full.capacity(), 32u);
    EXPECT_EQ(full.size(), 17u);
    full.append("", 0);
    EXPECT_EQ(full.size(), 17u);

    ms::PayloadBuffer reserved;
    reserved.reserve(5);
    EXPECT_EQ(reserved.capacity(), 5u);
    reserved.reserve(3);
    EXPECT_EQ(reserved.capacity(), 5u);
    reserved.reserve(6);
    EXPECT_EQ(reserved.capacity(), 10u);
    EXPECT_EQ(reserved.size(), 0u);
}

TEST(PayloadBuffer, RefusesSizesBeyondMemoryAndKeepsWhatItHeld) {
    // Read at run time, so that the compiler does not judge the impossible sizes itself.
    volatile std::size_t everything = SIZE_MAX;
    ms::PayloadBuffer buffer(std::string("kept"));
    expectRuntimeError([&] { buffer.append("x", everything); }, "Out of memory!");
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "kept");
    EXPECT_EQ(buffer.capacity(), 4u);

    // A size the allocator refuses: the memory held before is still the buffer's.
    expectRuntimeError([&] { buffer.reserve(everything / 2); }, "Out of memory!");
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "kept");
    EXPECT_EQ(buffer.capacity(), 4u);
    buffer.append("!", 1);
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "kept!");
}

}  // namespace
