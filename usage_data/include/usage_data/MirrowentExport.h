#pragma once

// Marks what the usage-data front end offers its callers; everything else stays hidden.
#define MIRROWENT_EXPORT __attribute__((visibility("default")))
