#pragma once

#include <atomic>
#include <compare>
#include <cstddef>
#include <utility>

// Base of every reference-counted engine object. A holder calls AddRef when it takes a reference
// and Release when it drops it; the object deletes itself on its last Release.
class CefBaseRefCounted {
public:
    virtual void AddRef() const = 0;
    // True when this call released the last reference (the object is gone).
    virtual bool Release() const = 0;
    virtual bool HasOneRef() const = 0;
    virtual bool HasAtLeastOneRef() const = 0;

protected:
    virtual ~CefBaseRefCounted() = default;
};

// A thread-safe count for implementations of CefBaseRefCounted.
class CefRefCount {
public:
    void AddRef() const { count_.fetch_add(1, std::memory_order_relaxed); }
    // True when the count reached zero.
    bool Release() const { return count_.fetch_sub(1, std::memory_order_acq_rel) == 1; }
    bool HasOneRef() const { return count_.load(std::memory_order_acquire) == 1; }
    bool HasAtLeastOneRef() const { return count_.load(std::memory_order_acquire) != 0; }

private:
    mutable std::atomic<int> count_{0};
};

// Implements the counting operations of Interface with a CefRefCount; the object deletes itself.
template <class Interface>
class CefRefCountedImpl : public Interface {
public:
    using Interface::Interface;
    void AddRef() const override { count_.AddRef(); }
    bool Release() const override {
        if (!count_.Release()) return false;
        delete this;
        return true;
    }
    bool HasOneRef() const override { return count_.HasOneRef(); }
    bool HasAtLeastOneRef() const override { return count_.HasAtLeastOneRef(); }

private:
    CefRefCount count_;
};

// Holds one counted reference to a T (anything with AddRef and Release), or nothing.
template <class T>
class scoped_refptr {
public:
    using element_type = T;

    scoped_refptr() = default;
    scoped_refptr(std::nullptr_t) {}
    scoped_refptr(T* object) : ptr_(object) { acquire(); }
    scoped_refptr(const scoped_refptr& other) : ptr_(other.ptr_) { acquire(); }
    scoped_refptr(scoped_refptr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    template <class U>
    scoped_refptr(const scoped_refptr<U>& other) : ptr_(other.get()) { acquire(); }
    template <class U>
    scoped_refptr(scoped_refptr<U>&& other) noexcept : ptr_(other.release()) {}
    ~scoped_refptr() { drop(); }

    scoped_refptr& operator=(scoped_refptr other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    scoped_refptr& operator=(std::nullptr_t) {
        reset();
        return *this;
    }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    T& operator*() const { return *ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    void reset() { scoped_refptr().swap(*this); }
    void swap(scoped_refptr& other) noexcept { std::swap(ptr_, other.ptr_); }
    // Gives up the reference without releasing it; the caller now owns it.
    [[nodiscard]] T* release() { return std::exchange(ptr_, nullptr); }

    // Compared by object identity.
    template <class U>
    bool operator==(const scoped_refptr<U>& other) const { return ptr_ == other.get(); }
    bool operator==(std::nullptr_t) const { return ptr_ == nullptr; }
    bool operator==(const T* other) const { return ptr_ == other; }
    template <class U>
    std::strong_ordering operator<=>(const scoped_refptr<U>& other) const {
        return std::compare_three_way()(static_cast<const void*>(ptr_), static_cast<const void*>(other.get()));
    }

private:
    void acquire() const {
        if (ptr_) ptr_->AddRef();
    }
    void drop() {
        if (ptr_) std::exchange(ptr_, nullptr)->Release();
    }

    T* ptr_ = nullptr;
};

// The engine's name for the same holder.
template <class T>
using CefRefPtr = scoped_refptr<T>;
