#pragma once

// What Harlowen's callers may use; everything else in the library stays hidden.
#define HARLOWEN_EXPORT __attribute__((visibility("default")))
