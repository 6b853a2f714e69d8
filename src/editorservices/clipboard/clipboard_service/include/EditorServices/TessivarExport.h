#pragma once

#define TESSIVAR_EXPORT __attribute__((visibility("default")))
