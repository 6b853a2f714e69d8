#pragma once

#include <string>

#include "install/akamaitoken/TokenGeneratorType.h"

namespace install::yorvelle {

// Adds an expiry token to a URL below the URL base.
std::string addUrlToken(const std::string& urlBase, const std::string& relative, unsigned long windowSeconds,
                        install::akamaitoken::TokenGeneratorType type);

}  // namespace install::yorvelle
