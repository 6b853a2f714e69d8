#include "GuiThread.h"

#include <xcb/xcb.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <clocale>
#include <cstdlib>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

namespace pf::clipboard::detail {

struct GuiThread::Task {
    explicit Task(std::function<void()> work) : work(std::move(work)) {}

    // False when the caller gave up before the work began; the work is then dropped.
    bool begin() {
        std::lock_guard lock(mutex);
        started = !finished;
        return started;
    }
    void execute() {
        if (!begin()) return;
        std::exception_ptr thrown;
        try {
            work();
        } catch (...) {
            thrown = std::current_exception();
        }
        finish(thrown);
    }
    void fail(const std::string& reason) { finish(std::make_exception_ptr(std::runtime_error(reason))); }

    void finish(std::exception_ptr thrown) {
        {
            std::lock_guard lock(mutex);
            error = std::move(thrown);
            finished = true;
        }
        done.notify_all();
    }

    std::function<void()> work;
    std::mutex mutex;
    std::condition_variable done;
    bool started = false;
    bool finished = false;
    std::exception_ptr error;
};

// Shared with the GUI thread, which may outlive the GuiThread object.
struct GuiThread::State {
    // Queues the task and wakes the GUI thread when the queue was empty.
    void enqueue(std::shared_ptr<Task> task) {
        std::lock_guard lock(mutex);
        if (waker == nullptr) throw std::runtime_error(failure);
        queue.push_back(std::move(task));
        if (queue.size() == 1) QCoreApplication::postEvent(waker, new QEvent(wakeUpEvent));
    }

    void runQueued() {
        for (;;) {
            std::shared_ptr<Task> task;
            {
                std::lock_guard lock(mutex);
                if (queue.empty()) return;
                task = std::move(queue.front());
                queue.pop_front();
            }
            task->execute();
        }
    }

    // No more work is taken; what is queued fails with the reason.
    void close(const std::string& reason) {
        std::deque<std::shared_ptr<Task>> pending;
        {
            std::lock_guard lock(mutex);
            waker = nullptr;
            if (failure.empty()) failure = reason;
            pending.swap(queue);
        }
        for (const auto& task : pending) task->fail(reason);
    }

    std::mutex mutex;
    std::condition_variable started;
    bool starting = true;
    bool abandoned = false;  // the start took too long and nobody waits for it any more
    QObject* waker = nullptr;  // lives on the GUI thread; null when there is none
    std::string failure;       // why there is none
    std::deque<std::shared_ptr<Task>> queue;

    static constexpr QEvent::Type wakeUpEvent = QEvent::User;
};

namespace {

constexpr const char* closedReason = "the desktop clipboard has closed";
constexpr std::chrono::milliseconds wakeInterval{10};

// Runs the queued work when a wake-up reaches it on the GUI thread; the application's child, so that the end of
// the application closes the GUI thread. Wake-ups are plain events, so that no data of the caller's travels
// through Qt.
class Waker final : public QObject {
public:
    static constexpr QEvent::Type quitEvent = static_cast<QEvent::Type>(GuiThread::State::wakeUpEvent + 1);

    // Made on another thread when the application was there first, hence the atomic.
    explicit Waker(std::shared_ptr<GuiThread::State> state) : keep_(std::move(state)) {
        state_.store(keep_.get(), std::memory_order_release);
    }
    ~Waker() override { state_.load(std::memory_order_acquire)->close(closedReason); }

    bool event(QEvent* event) override {
        GuiThread::State* state = state_.load(std::memory_order_acquire);
        QEvent::Type type;
        {
            // Wake-ups are made under the state's lock: taking it orders their making before this read also for
            // tools that do not see the locks inside Qt.
            std::lock_guard lock(state->mutex);
            type = event->type();
        }
        if (type == quitEvent) {
            QCoreApplication::quit();
            return true;
        }
        if (type != GuiThread::State::wakeUpEvent) return QObject::event(event);
        if (parent() == nullptr) setParent(QCoreApplication::instance());
        state->runQueued();
        return true;
    }

private:
    std::shared_ptr<GuiThread::State> keep_;
    std::atomic<GuiThread::State*> state_;
};

// Qt ends the process when it cannot reach the display, so the display is tried first. The trial connection is
// held until Qt has its own: a virtual display resets when its last client leaves, and Qt could not connect then.
using DisplayTrial = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

DisplayTrial tryDisplay() { return DisplayTrial(xcb_connect(nullptr, nullptr), &xcb_disconnect); }

std::string displayProblem(const DisplayTrial& trial) {
    if (xcb_connection_has_error(trial.get()) == 0) return {};
    const char* display = std::getenv("DISPLAY");
    return std::string("cannot open the display \"") + (display ? display : "") + "\"";
}

// When another thread touched Qt first, Qt took it for the main thread and wakes that thread for the display's
// events, not this one: this thread's loop is then woken on a timer, so that other programs reading a selection
// get answers.
void keepLoopTurning(QGuiApplication& application) {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (QCoreApplication::eventDispatcher() == dispatcher) return;
    auto* timer = new QTimer(&application);
    QObject::connect(timer, &QTimer::timeout, [dispatcher] { dispatcher->wakeUp(); });
    timer->start(wakeInterval);
}

// Creates the application, runs the set-up and the event loop until quit, on the calling thread.
void runApplication(const std::shared_ptr<GuiThread::State>& state, const std::function<void()>& setUp) {
    DisplayTrial trial = tryDisplay();
    std::string problem = displayProblem(trial);
    std::unique_ptr<QGuiApplication> application;
    Waker* waker = nullptr;
    if (problem.empty()) {
        static int argc = 3;
        static char name[] = "pelandry", platformOption[] = "-platform", platform[] = "xcb";
        static char* argv[] = {name, platformOption, platform, nullptr};
        // Qt takes the locale of the environment; the process keeps the one it had.
        const std::string locale = std::setlocale(LC_ALL, nullptr);
        application = std::make_unique<QGuiApplication>(argc, argv);
        trial.reset();
        std::setlocale(LC_ALL, locale.c_str());
        keepLoopTurning(*application);
        setUp();
        waker = new Waker(state);
        waker->setParent(application.get());
    }
    {
        std::lock_guard lock(state->mutex);
        state->starting = false;
        if (state->abandoned) problem = "the display did not answer";
        if (problem.empty()) {
            state->waker = waker;
        } else {
            state->failure = problem;
        }
    }
    state->started.notify_all();
    if (!problem.empty()) return;
    application->exec();
    state->close(closedReason);
}

}  // namespace

GuiThread::GuiThread(std::function<void()> setUp) : state_(std::make_shared<State>()) {
    QCoreApplication* existing = QCoreApplication::instance();
    if (existing == nullptr) {
        startOwnApplication(std::move(setUp));
        return;
    }
    Waker* waker = nullptr;
    if (qobject_cast<QGuiApplication*>(existing) != nullptr) {
        adoptedThread_ = existing->thread();
        // Qt tells the waker of the move at once, and the waker takes the state's lock for it.
        waker = new Waker(state_);
        waker->moveToThread(adoptedThread_);
    }
    std::lock_guard lock(state_->mutex);
    state_->starting = false;
    if (waker == nullptr) {
        state_->failure = "the process's Qt application has no GUI";
        return;
    }
    state_->waker = waker;
    // Nobody waits for the set-up; it runs once the application's loop turns.
    state_->queue.push_back(std::make_shared<Task>(std::move(setUp)));
    QCoreApplication::postEvent(state_->waker, new QEvent(State::wakeUpEvent));
}

void GuiThread::startOwnApplication(std::function<void()> setUp) {
    thread_ = std::thread([state = state_, setUp = std::move(setUp)] { runApplication(state, setUp); });
    threadId_ = thread_.get_id();
    std::unique_lock lock(state_->mutex);
    if (!state_->started.wait_for(lock, startTimeout, [this] { return !state_->starting; })) {
        // A display that never answers holds the thread; it is left to end on its own.
        state_->abandoned = true;
        state_->failure = "the display did not answer";
        thread_.detach();
    }
}

GuiThread::~GuiThread() {
    if (!thread_.joinable()) {
        state_->close(closedReason);
        return;
    }
    {
        std::lock_guard lock(state_->mutex);
        if (state_->waker != nullptr) QCoreApplication::postEvent(state_->waker, new QEvent(Waker::quitEvent));
    }
    thread_.join();
}

void GuiThread::checkAvailable() const {
    std::lock_guard lock(state_->mutex);
    if (state_->waker == nullptr) throw std::runtime_error(state_->failure);
}

bool GuiThread::onGuiThread() const {
    if (adoptedThread_ != nullptr) return QThread::currentThread() == adoptedThread_;
    return std::this_thread::get_id() == threadId_;
}

void GuiThread::run(std::function<void()> work) {
    if (onGuiThread()) {
        work();
        return;
    }
    auto task = std::make_shared<Task>(std::move(work));
    state_->enqueue(task);
    std::unique_lock lock(task->mutex);
    if (!task->done.wait_for(lock, workTimeout, [&task] { return task->finished; })) {
        // Work that has not begun is dropped, so that a failed call changes nothing later.
        if (!task->started) task->finished = true;
        throw std::runtime_error("the desktop clipboard did not answer in time");
    }
    if (task->error) std::rethrow_exception(task->error);
}

}  // namespace pf::clipboard::detail
