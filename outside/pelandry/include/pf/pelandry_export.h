#pragma once

#if defined(PELANDRY_BUILDING)
#define PELANDRY_EXPORT __attribute__((visibility("default")))
#else
#define PELANDRY_EXPORT
#endif
