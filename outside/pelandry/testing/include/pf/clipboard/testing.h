#pragma once

#include <string>

#include "pf/clipboard/PFClipboardTypes.h"

namespace pf::clipboard::testing {

// Platform calls that can be made to fail, as a bit mask.
enum FailingCall : unsigned { failNone = 0, failRead = 1, failListTypes = 2, failWrite = 4 };

// Adds content as another program would (a change of the clipboard mode is announced).
void putForeignContent(const std::u16string& mimeType, PFClipboardContent content, PFClipboardMode mode);

// From now on the calls in the mask throw std::runtime_error.
void setFailingCalls(unsigned mask);

// The action of the mode's contents.
PFClipboardAction clipboardAction(PFClipboardMode mode);

// Empties both modes and stops every failure.
void reset();

}  // namespace pf::clipboard::testing
