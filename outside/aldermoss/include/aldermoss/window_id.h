#pragma once

#include <string>

namespace aldermoss {

// A window id that no other call in this process returns.
std::string generateWindowID();

}  // namespace aldermoss
