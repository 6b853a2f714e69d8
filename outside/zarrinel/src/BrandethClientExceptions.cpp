#include "install/zarrinel/BrandethClientExceptions.h"

namespace install::zarrinel {

BrandethClientServiceExcpetion::BrandethClientServiceExcpetion(const std::string& what, std::string errorMessage,
                                                               long httpStatus)
    : BrandethClientException(what), errorMessage_(std::move(errorMessage)), httpStatus_(httpStatus) {}

}  // namespace install::zarrinel
