#pragma once

#include <string>

namespace veltranelib::detail {

// A PNG picture of one plain colour; empty when a side is not positive.
std::string plainPicture(int width, int height);

// A PDF document of one empty page of the given size in points.
std::string emptyPageDocument(int width, int height);

}  // namespace veltranelib::detail
