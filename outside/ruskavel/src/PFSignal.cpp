#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "ClipboardSignal.h"

namespace pf::event {

PFSignalConnection::~PFSignalConnection() = default;
PFSignal::~PFSignal() = default;

namespace detail {

// Guarded by the mutex of the signal's slots.
struct ClipboardSignal::Slot {
    bool connected = true;
    std::function<void()> callback;
    // One entry per call running now; a thread appears twice when the callback raises the signal again.
    std::vector<std::thread::id> callers;

    bool calledOn(std::thread::id thread) const {
        return std::find(callers.begin(), callers.end(), thread) != callers.end();
    }
};

// Shared with the connections, so that a connection may outlive the signal.
struct ClipboardSignal::Slots {
    std::mutex mutex;
    std::condition_variable callEnded;
    std::vector<std::shared_ptr<Slot>> connected;

    void disconnect(const std::shared_ptr<Slot>& slot) {
        std::function<void()> released;
        std::unique_lock lock(mutex);
        if (slot->connected) {
            slot->connected = false;
            std::erase(connected, slot);
        }
        // From inside the callback its call cannot be waited for: the call releases it when it ends.
        if (slot->calledOn(std::this_thread::get_id())) return;
        callEnded.wait(lock, [&] { return slot->callers.empty(); });
        released.swap(slot->callback);
        lock.unlock();
    }

    void call(const std::shared_ptr<Slot>& slot) {
        const auto self = std::this_thread::get_id();
        {
            std::lock_guard lock(mutex);
            if (!slot->connected) return;
            slot->callers.push_back(self);
        }
        struct EndOfCall {
            Slots& slots;
            Slot& slot;
            std::thread::id self;
            ~EndOfCall() { slots.endCall(slot, self); }
        } end{*this, *slot, self};
        slot->callback();
    }

private:
    // The last call to end after a disconnect destroys the callback; it counts as running until then,
    // so that a disconnect waiting on another thread returns only once the callback is gone.
    void endCall(Slot& slot, std::thread::id self) {
        std::function<void()> released;
        {
            std::lock_guard lock(mutex);
            if (!slot.connected && slot.callers.size() == 1) released.swap(slot.callback);
        }
        released = nullptr;
        {
            std::lock_guard lock(mutex);
            slot.callers.erase(std::find(slot.callers.begin(), slot.callers.end(), self));
        }
        callEnded.notify_all();
    }
};

namespace {

class SlotConnection final : public PFSignalConnection {
public:
    SlotConnection(std::shared_ptr<ClipboardSignal::Slots> slots, std::shared_ptr<ClipboardSignal::Slot> slot)
        : slots_(std::move(slots)), slot_(std::move(slot)) {}
    ~SlotConnection() override { disconnect(); }

    void disconnect() override { slots_->disconnect(slot_); }
    bool connected() const override {
        std::lock_guard lock(slots_->mutex);
        return slot_->connected;
    }

private:
    std::shared_ptr<ClipboardSignal::Slots> slots_;
    std::shared_ptr<ClipboardSignal::Slot> slot_;
};

}  // namespace

ClipboardSignal::ClipboardSignal() : slots_(std::make_shared<Slots>()) {}

ClipboardSignal::~ClipboardSignal() = default;

std::unique_ptr<PFSignalConnection> ClipboardSignal::connect(PFEventKind kind, std::function<void()> callback) {
    if (kind != PFEventKindClipboardChanged) throw std::invalid_argument("unknown clipboard event kind");
    auto slot = std::make_shared<Slot>();
    slot->callback = std::move(callback);
    {
        std::lock_guard lock(slots_->mutex);
        slots_->connected.push_back(slot);
    }
    return std::make_unique<SlotConnection>(slots_, std::move(slot));
}

void ClipboardSignal::raise() {
    std::vector<std::shared_ptr<Slot>> current;
    {
        std::lock_guard lock(slots_->mutex);
        current = slots_->connected;
    }
    for (const auto& slot : current) slots_->call(slot);
}

}  // namespace detail
}  // namespace pf::event
