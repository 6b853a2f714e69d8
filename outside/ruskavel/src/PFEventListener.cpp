#include "pf/event/PFEventListener.h"

#include <atomic>
#include <stdexcept>

#include "ClipboardSignal.h"
#include "EventThread.h"
#include "ListeningControl.h"
#include "pf/clipboard/change_observer.h"

namespace pf::event {
namespace detail {
namespace {

std::atomic<bool> listeningFails{false};

class ClipboardListener final : public PFEventListener {
public:
    void startListening(PFServiceType serviceType, PFEventKind kind) override {
        if (serviceType != PFServiceTypeClipboard || kind != PFEventKindClipboardChanged) {
            throw std::invalid_argument("unknown clipboard event");
        }
        if (listeningFails) throw std::runtime_error("the platform refused the clipboard watch");
        // Each change is handed to the event thread, so that subscribers never run on the changing thread.
        pf::clipboard::detail::setClipboardChangeObserver(
            [] { EventThread::instance().post([] { clipboardSignal().raise(); }); });
    }
};

}  // namespace

void setListeningFails(bool fails) { listeningFails = fails; }

}  // namespace detail

PFEventListener::~PFEventListener() = default;

std::unique_ptr<PFEventListener> PFAbstractEventListenerFactory::getEventListenerManager(PFEventComponent component) {
    if (component != PFEventComponentClipboard) throw std::invalid_argument("unknown event component");
    return std::make_unique<detail::ClipboardListener>();
}

}  // namespace pf::event
