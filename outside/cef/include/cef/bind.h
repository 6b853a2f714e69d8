#pragma once

#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

#include "cef/ref_counted.h"

namespace base {

// A task with everything it needs bound in: copyable, run any number of times.
class Closure {
public:
    Closure() = default;
    explicit Closure(std::function<void()> task) : task_(std::move(task)) {}

    void Run() const {
        if (task_) task_();
    }
    bool is_null() const { return !task_; }
    explicit operator bool() const { return static_cast<bool>(task_); }

private:
    std::function<void()> task_;
};

using OnceClosure = Closure;

namespace detail {

template <class T>
T* object_of(const scoped_refptr<T>& holder) { return holder.get(); }
template <class T>
T* object_of(T* object) { return object; }

}  // namespace detail

// Binds a member function to its object and copies of the arguments. A scoped_refptr object
// keeps the object alive until the closure is gone; a raw pointer does not.
template <class Method, class Object, class... Args>
    requires std::is_member_function_pointer_v<Method>
Closure Bind(Method method, Object&& object, Args&&... args) {
    return Closure(std::function<void()>(
        [method, object = std::decay_t<Object>(std::forward<Object>(object)),
         bound = std::make_tuple(std::decay_t<Args>(std::forward<Args>(args))...)]() {
            std::apply([&](const auto&... values) { std::invoke(method, detail::object_of(object), values...); },
                       bound);
        }));
}

// Binds a function or function object to copies of the arguments.
template <class Function, class... Args>
    requires(!std::is_member_function_pointer_v<std::decay_t<Function>>)
Closure Bind(Function&& function, Args&&... args) {
    return Closure(std::function<void()>(
        [function = std::decay_t<Function>(std::forward<Function>(function)),
         bound = std::make_tuple(std::decay_t<Args>(std::forward<Args>(args))...)]() {
            std::apply([&](const auto&... values) { std::invoke(function, values...); }, bound);
        }));
}

template <class... Args>
Closure BindOnce(Args&&... args) {
    return Bind(std::forward<Args>(args)...);
}

}  // namespace base
