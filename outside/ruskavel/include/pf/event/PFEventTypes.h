#pragma once

namespace pf::event {

enum PFEventComponent { PFEventComponentClipboard = 0 };
enum PFServiceType { PFServiceTypeClipboard = 0 };
enum PFEventKind { PFEventKindClipboardChanged = 1 };

}  // namespace pf::event
