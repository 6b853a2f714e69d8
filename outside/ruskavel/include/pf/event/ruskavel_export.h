#pragma once

#if defined(RUSKAVEL_BUILDING)
#define RUSKAVEL_EXPORT __attribute__((visibility("default")))
#else
#define RUSKAVEL_EXPORT
#endif
