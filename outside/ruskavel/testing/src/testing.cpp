#include "pf/event/testing.h"

#include "EventThread.h"
#include "ListeningControl.h"

namespace pf::event::testing {

void setListeningFails(bool fails) { detail::setListeningFails(fails); }

void waitUntilDelivered() { detail::EventThread::instance().drain(); }

}  // namespace pf::event::testing
