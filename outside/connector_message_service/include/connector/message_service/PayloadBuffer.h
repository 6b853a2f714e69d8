#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

namespace connector::message_service {

// The bytes of one published message, in memory of its own.
class PayloadBuffer {
public:
    PayloadBuffer() = default;
    explicit PayloadBuffer(const std::string& text) {
        if (text.empty()) return;
        growTo(text.size());
        append(text.data(), text.size());
    }
    PayloadBuffer(const PayloadBuffer&) = delete;
    PayloadBuffer& operator=(const PayloadBuffer&) = delete;
    PayloadBuffer(PayloadBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          capacity_(std::exchange(other.capacity_, 0)),
          size_(std::exchange(other.size_, 0)) {}
    PayloadBuffer& operator=(PayloadBuffer&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(capacity_, other.capacity_);
        std::swap(size_, other.size_);
        return *this;
    }
    ~PayloadBuffer() { std::free(data_); }

    void append(const void* bytes, std::size_t count) {
        if (count == 0) return;
        if (count > std::numeric_limits<std::size_t>::max() - size_) throw std::runtime_error("Out of memory!");
        if (size_ + count > capacity_ || data_ == nullptr) growTo(std::max(doubledCapacity(), size_ + count));
        std::memcpy(data_ + size_, bytes, count);
        size_ += count;
    }
    void reserve(std::size_t count) {
        if (count > capacity_ || data_ == nullptr) growTo(std::max(doubledCapacity(), count));
    }

    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }

private:
    std::size_t doubledCapacity() const {
        return capacity_ > std::numeric_limits<std::size_t>::max() / 2 ? capacity_ : 2 * capacity_;
    }
    // On failure the buffer keeps the memory it had.
    void growTo(std::size_t count) {
        if (count == 0 || (data_ != nullptr && capacity_ >= count)) return;
        void* grown = data_ == nullptr ? std::malloc(count) : std::realloc(data_, count);
        if (grown == nullptr) throw std::runtime_error("Out of memory!");
        data_ = static_cast<char*>(grown);
        capacity_ = count;
    }

    char* data_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

}  // namespace connector::message_service
