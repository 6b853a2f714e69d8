#pragma once

#include <memory>

#include "pf/event/PFSignal.h"

namespace pf::event::detail {

// The clipboard-changed signal; raised on the event thread. Once a connection's disconnect returns,
// the signal holds nothing of its callback: it is destroyed then, on the disconnecting thread, or by
// the last call still running it. Disconnecting waits for calls running on other threads, except
// when called from inside the callback itself.
class RUSKAVEL_EXPORT ClipboardSignal final : public PFSignal {
public:
    struct Slot;
    struct Slots;

    ClipboardSignal();
    ~ClipboardSignal() override;

    std::unique_ptr<PFSignalConnection> connect(PFEventKind kind, std::function<void()> callback) override;
    // Calls each connected callback in the order of connection; a callback's exception ends the raise.
    void raise();

private:
    std::shared_ptr<Slots> slots_;
};

ClipboardSignal& clipboardSignal();

}  // namespace pf::event::detail
