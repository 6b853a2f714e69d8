#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "pf/event/PFSignal.h"

namespace pf::event::detail {

// The clipboard-changed signal; raised on the event thread.
class RUSKAVEL_EXPORT ClipboardSignal final : public PFSignal {
public:
    struct Slot;

    std::unique_ptr<PFSignalConnection> connect(PFEventKind kind, std::function<void()> callback) override;
    void raise();

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<Slot>> slots_;
};

ClipboardSignal& clipboardSignal();

}  // namespace pf::event::detail
