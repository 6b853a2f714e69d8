#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <type_traits>

class QThread;

namespace pf::clipboard::detail {

// The thread of the process's Qt GUI application: the application the process already has, or one that this
// object starts on a thread of its own. Work from other threads is queued to it and waited for here; the GUI
// thread itself never waits for a caller, so its event loop keeps answering the desktop.
class GuiThread {
public:
    // The set-up runs on the GUI thread before any work.
    explicit GuiThread(std::function<void()> setUp);
    ~GuiThread();
    GuiThread(const GuiThread&) = delete;
    GuiThread& operator=(const GuiThread&) = delete;

    // Runs the work on the GUI thread and returns its result. Throws std::runtime_error when there is no GUI
    // thread or it does not finish the work in time; what the work throws is thrown again here.
    template <class Work>
    auto call(Work work) -> decltype(work()) {
        using Result = decltype(work());
        if constexpr (std::is_void_v<Result>) {
            run(std::move(work));
        } else {
            // Owned by the task, which may still run after the caller has given up.
            auto result = std::make_shared<std::optional<Result>>();
            run([result, work = std::move(work)]() mutable { *result = work(); });
            return std::move(**result);
        }
    }

    // Throws std::runtime_error when there is no GUI thread.
    void checkAvailable() const;

    static constexpr std::chrono::seconds startTimeout{10};
    static constexpr std::chrono::seconds workTimeout{4};

    struct State;
    struct Task;

private:
    void run(std::function<void()> work);
    void startOwnApplication(std::function<void()> setUp);
    bool onGuiThread() const;

    std::shared_ptr<State> state_;
    std::thread thread_;
    std::thread::id threadId_;  // of the thread this object started
    QThread* adoptedThread_ = nullptr;
};

}  // namespace pf::clipboard::detail
