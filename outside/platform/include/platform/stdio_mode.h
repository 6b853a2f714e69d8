#pragma once

#include <cstdio>

namespace platform {

// Puts a standard stream in binary mode: no line-end translation. False when the stream has no
// open descriptor.
bool setBinaryMode(std::FILE* stream);

}  // namespace platform
