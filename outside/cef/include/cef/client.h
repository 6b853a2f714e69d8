#pragma once

#include "cef/ref_counted.h"

// The handler set of one browser. The engine asks nothing of it here, so it has no operations
// beyond counting; implementations add their own.
class CefClient : public virtual CefBaseRefCounted {};
