#include "pf/event/PFSignalLocator.h"

#include "ClipboardSignal.h"

namespace pf::event {

PFSignalLocator& PFSignalLocator::Instance() {
    static PFSignalLocator locator;
    return locator;
}

PFSignalLocator::PFSignalLocator() {
    signals_.emplace(PFServiceTypeClipboard,
                     std::make_unique<PFSignalContainer>(std::make_unique<detail::ClipboardSignal>()));
}

namespace detail {

ClipboardSignal& clipboardSignal() {
    return static_cast<ClipboardSignal&>(PFSignalLocator::Instance().locateSignals().at(PFServiceTypeClipboard)->signal());
}

}  // namespace detail
}  // namespace pf::event
