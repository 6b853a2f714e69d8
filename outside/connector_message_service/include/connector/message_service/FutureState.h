#pragma once

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <utility>

namespace connector::message_service {

// The result of one asynchronous operation, shared by its producer and its future. The producer
// settles it once; later settlements are ignored.
template <class T>
class FutureState {
public:
    enum State { pending = 0, valueReady = 1, exceptionStored = 2, cancelled = 3 };

    void setValue(T value) {
        settle(valueReady, [&] { value_ = std::move(value); });
    }
    void setException(std::exception_ptr error) {
        settle(exceptionStored, [&] { error_ = std::move(error); });
    }
    void cancel() {
        settle(cancelled, [] {});
    }

    // Blocks while pending; the value can be taken once.
    T get() {
        std::unique_lock lock(mutex_);
        if (retrieved_) {
            throw std::runtime_error("Future already returned it's value or has an associated continuation.");
        }
        retrieved_ = true;
        settled_.wait(lock, [this] { return state_ != pending; });
        switch (state_) {
        case valueReady: {
            T value = std::move(*value_);
            value_.reset();
            return value;
        }
        case exceptionStored:
            std::rethrow_exception(error_);
        case cancelled:
            throw std::runtime_error("Future has been cancelled.");
        default:
            throw std::runtime_error("Invalid Future state reached.");
        }
    }

private:
    template <class Store>
    void settle(State state, Store store) {
        {
            std::lock_guard lock(mutex_);
            if (state_ != pending) return;
            store();
            state_ = state;
        }
        settled_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable settled_;
    std::optional<T> value_;
    std::exception_ptr error_;
    bool retrieved_ = false;
    State state_ = pending;
};

}  // namespace connector::message_service
