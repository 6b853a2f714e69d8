#pragma once

// Marks what the program exports to the processes that load or inspect it.
#define VELTRANE_EXPORT __attribute__((visibility("default")))
