#pragma once

#include <optional>
#include <string_view>

#include "cef/geometry.h"

// Values of the standalone window's position switch: up to four int32 numbers separated by ',' and ' ';
// missing values are 0. Nothing for a non-numeric token or more than four.
std::optional<CefRect> parseWindowPosition(std::string_view value);
