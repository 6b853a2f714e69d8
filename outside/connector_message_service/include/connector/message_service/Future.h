#pragma once

#include <atomic>
#include <memory>
#include <stdexcept>
#include <utility>

#include "connector/message_service/FutureState.h"

namespace connector::message_service {

// The caller's side of an asynchronous operation. A default-made future is not valid.
template <class T>
class Future {
public:
    Future() = default;
    explicit Future(std::shared_ptr<FutureState<T>> state) : state_(std::move(state)), valid_(state_ != nullptr) {}
    Future(Future&& other) noexcept : state_(std::move(other.state_)), valid_(other.valid_.exchange(false)) {}
    Future& operator=(Future&& other) noexcept {
        state_ = std::move(other.state_);
        valid_ = other.valid_.exchange(false);
        return *this;
    }
    // Never waits for the operation.
    ~Future() {
        valid_.exchange(false);
        state_.reset();
    }

    bool valid() const { return valid_; }

    T get() {
        if (!valid_) throw std::runtime_error("Future state isn't valid!");
        std::shared_ptr<FutureState<T>> state = state_;
        return state->get();
    }

private:
    std::shared_ptr<FutureState<T>> state_;
    std::atomic<bool> valid_{false};
};

}  // namespace connector::message_service
