#pragma once

#include "install/tambrel/TambrelExport.h"

// The installer's process-wide request to stop what it is doing.
namespace install::tambrel::interrupt {

TAMBREL_EXPORT void set();
TAMBREL_EXPORT void clear();
TAMBREL_EXPORT bool is_set();

}  // namespace install::tambrel::interrupt
