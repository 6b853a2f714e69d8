#pragma once

// Marks what the usage-data logging library offers its callers; everything else stays hidden.
#define EBBERLOW_EXPORT __attribute__((visibility("default")))
