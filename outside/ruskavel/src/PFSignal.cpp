#include <algorithm>
#include <stdexcept>

#include "ClipboardSignal.h"

namespace pf::event {

PFSignalConnection::~PFSignalConnection() = default;
PFSignal::~PFSignal() = default;

namespace detail {

struct ClipboardSignal::Slot {
    // Held while the callback runs, so that a disconnect from another thread waits for it; recursive
    // so that the callback may disconnect itself.
    std::recursive_mutex calling;
    bool connected = true;
    std::function<void()> callback;
};

namespace {

class SlotConnection final : public PFSignalConnection {
public:
    explicit SlotConnection(std::shared_ptr<ClipboardSignal::Slot> slot) : slot_(std::move(slot)) {}
    ~SlotConnection() override { disconnect(); }

    void disconnect() override {
        std::lock_guard lock(slot_->calling);
        slot_->connected = false;
    }
    bool connected() const override {
        std::lock_guard lock(slot_->calling);
        return slot_->connected;
    }

private:
    std::shared_ptr<ClipboardSignal::Slot> slot_;
};

}  // namespace

std::unique_ptr<PFSignalConnection> ClipboardSignal::connect(PFEventKind kind, std::function<void()> callback) {
    if (kind != PFEventKindClipboardChanged) throw std::invalid_argument("unknown clipboard event kind");
    auto slot = std::make_shared<Slot>();
    slot->callback = std::move(callback);
    {
        std::lock_guard lock(mutex_);
        slots_.push_back(slot);
    }
    return std::make_unique<SlotConnection>(std::move(slot));
}

void ClipboardSignal::raise() {
    std::vector<std::shared_ptr<Slot>> current;
    {
        std::lock_guard lock(mutex_);
        std::erase_if(slots_, [](const std::shared_ptr<Slot>& slot) { return slot.use_count() == 1; });
        current = slots_;
    }
    for (const auto& slot : current) {
        std::lock_guard lock(slot->calling);
        if (slot->connected) slot->callback();
    }
}

}  // namespace detail
}  // namespace pf::event
