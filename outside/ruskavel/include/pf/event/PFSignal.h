#pragma once

#include <functional>
#include <memory>

#include "pf/event/PFEventTypes.h"
#include "pf/event/ruskavel_export.h"

namespace pf::event {

// One connected callback. Once disconnect returns the signal holds nothing of it: a call in progress on
// another thread is waited for; one in progress on the disconnecting thread destroys it when it ends.
class RUSKAVEL_EXPORT PFSignalConnection {
public:
    virtual ~PFSignalConnection();
    virtual void disconnect() = 0;
    virtual bool connected() const = 0;
};

// The events of one service type.
class RUSKAVEL_EXPORT PFSignal {
public:
    virtual ~PFSignal();
    // The callback runs once per event of the kind, on the event thread; an unknown kind throws
    // std::invalid_argument.
    virtual std::unique_ptr<PFSignalConnection> connect(PFEventKind kind, std::function<void()> callback) = 0;
};

class RUSKAVEL_EXPORT PFSignalContainer {
public:
    explicit PFSignalContainer(std::unique_ptr<PFSignal> signal) : signal_(std::move(signal)) {}
    PFSignal& signal() const { return *signal_; }

private:
    std::unique_ptr<PFSignal> signal_;
};

}  // namespace pf::event
