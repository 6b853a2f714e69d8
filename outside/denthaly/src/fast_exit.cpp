#include "foundation/core/app/fast_exit.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace foundation::core::app {

void fast_exit(int code) {
    std::cout.flush();
    std::fflush(stdout);
    ::_exit(code);
}

}  // namespace foundation::core::app
