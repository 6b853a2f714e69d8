#include "pf/event/testing.h"

#include "ClipboardSignal.h"
#include "EventThread.h"

namespace pf::event::testing {

void setListeningFails(bool fails) { detail::setListeningFails(fails); }

void waitUntilDelivered() { detail::EventThread::instance().drain(); }

}  // namespace pf::event::testing
