#include "cef/values.h"

namespace {

class ListValue : public CefRefCountedImpl<CefListValue> {
public:
    std::size_t GetSize() const override {
        std::lock_guard lock(mutex_);
        return values_.size();
    }
    bool SetSize(std::size_t size) override {
        std::lock_guard lock(mutex_);
        values_.resize(size);
        return true;
    }
    CefValueType GetType(std::size_t index) const override {
        std::lock_guard lock(mutex_);
        if (index >= values_.size()) return VTYPE_INVALID;
        static constexpr CefValueType types[] = {VTYPE_NULL, VTYPE_BOOL, VTYPE_INT, VTYPE_STRING};
        return types[values_[index].index()];
    }
    bool SetNull(std::size_t index) override { return set(index, std::monostate()); }
    bool SetBool(std::size_t index, bool value) override { return set(index, value); }
    bool SetInt(std::size_t index, int value) override { return set(index, value); }
    bool SetString(std::size_t index, const CefString& value) override { return set(index, value); }
    bool GetBool(std::size_t index) const override { return get<bool>(index); }
    int GetInt(std::size_t index) const override { return get<int>(index); }
    CefString GetString(std::size_t index) const override { return get<CefString>(index); }

private:
    using Value = std::variant<std::monostate, bool, int, CefString>;

    bool set(std::size_t index, Value value) {
        std::lock_guard lock(mutex_);
        if (index >= values_.size()) values_.resize(index + 1);
        values_[index] = std::move(value);
        return true;
    }
    template <class T>
    T get(std::size_t index) const {
        std::lock_guard lock(mutex_);
        if (index >= values_.size()) return T();
        const T* value = std::get_if<T>(&values_[index]);
        return value ? *value : T();
    }

    mutable std::mutex mutex_;
    std::vector<Value> values_;
};

}  // namespace

CefRefPtr<CefListValue> CefListValue::Create() { return new ListValue(); }
