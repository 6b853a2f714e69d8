#pragma once

#if defined(PASTREL_BUILDING)
#define PASTREL_EXPORT __attribute__((visibility("default")))
#else
#define PASTREL_EXPORT
#endif
