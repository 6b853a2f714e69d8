#pragma once

#define TAMBREL_EXPORT __attribute__((visibility("default")))
