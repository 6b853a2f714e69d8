#pragma once

#include <stdexcept>
#include <string>

namespace install::zarrinel {

// Base of every failure of the web-service client.
class BrandethClientException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The request lacks something it needs (release, status).
class BrandethClientInvalidArgumentException : public BrandethClientException {
public:
    using BrandethClientException::BrandethClientException;
};

// The client has no service address.
class BrandethClientMicroservicesNotInitialized : public BrandethClientException {
public:
    using BrandethClientException::BrandethClientException;
};

// The installer was interrupted while the request was under way.
class BrandethClientHttpRequestCancelledException : public BrandethClientException {
public:
    using BrandethClientException::BrandethClientException;
};

class BrandethClientHttpRequestTimeoutException : public BrandethClientException {
public:
    using BrandethClientException::BrandethClientException;
};

// HTTP 407 from a proxy.
class BrandethClientProxyAuthenticationRequiredException : public BrandethClientException {
public:
    using BrandethClientException::BrandethClientException;
};

// The service answered with an error of its own.
class BrandethClientServiceExcpetion : public BrandethClientException {
public:
    BrandethClientServiceExcpetion(const std::string& what, std::string errorMessage, long httpStatus);
    const std::string& getErrorMessage() const { return errorMessage_; }
    long getHttpStatus() const { return httpStatus_; }

private:
    std::string errorMessage_;
    long httpStatus_;
};

}  // namespace install::zarrinel
