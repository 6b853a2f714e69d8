#pragma once

#include <string>

#include "install/harlowen/HarlowenExport.h"
#include "install/tambrel/InstallerException.h"

namespace install::harlowen {

// A failure of one of the online adapter's stages, with the installer's code, title, detail and context.
class HARLOWEN_EXPORT RepoAdapterException : public install::tambrel::InstallerException {
public:
    RepoAdapterException(std::string code, std::string title, std::string detail, std::string context);
    explicit RepoAdapterException(std::string message);
    RepoAdapterException(const RepoAdapterException&);
    RepoAdapterException(RepoAdapterException&&) noexcept;
    RepoAdapterException& operator=(const RepoAdapterException&);
    RepoAdapterException& operator=(RepoAdapterException&&) noexcept;
    ~RepoAdapterException() override;
};

// The web-service call.
class HARLOWEN_EXPORT RepoAdapterWebServiceException : public RepoAdapterException {
public:
    RepoAdapterWebServiceException(std::string code, std::string title, std::string detail, std::string context);
    explicit RepoAdapterWebServiceException(std::string message);
    RepoAdapterWebServiceException(const RepoAdapterWebServiceException&);
    RepoAdapterWebServiceException(RepoAdapterWebServiceException&&) noexcept;
    RepoAdapterWebServiceException& operator=(const RepoAdapterWebServiceException&);
    RepoAdapterWebServiceException& operator=(RepoAdapterWebServiceException&&) noexcept;
    ~RepoAdapterWebServiceException() override;
};

// The download of the product metadata archive.
class HARLOWEN_EXPORT RepoAdapterBrandethDownloadException : public RepoAdapterException {
public:
    RepoAdapterBrandethDownloadException(std::string code, std::string title, std::string detail, std::string context);
    explicit RepoAdapterBrandethDownloadException(std::string message);
    RepoAdapterBrandethDownloadException(const RepoAdapterBrandethDownloadException&);
    RepoAdapterBrandethDownloadException(RepoAdapterBrandethDownloadException&&) noexcept;
    RepoAdapterBrandethDownloadException& operator=(const RepoAdapterBrandethDownloadException&);
    RepoAdapterBrandethDownloadException& operator=(RepoAdapterBrandethDownloadException&&) noexcept;
    ~RepoAdapterBrandethDownloadException() override;
};

// The extraction of the product metadata archive.
class HARLOWEN_EXPORT RepoAdapterBrandethExtractException : public RepoAdapterException {
public:
    RepoAdapterBrandethExtractException(std::string code, std::string title, std::string detail, std::string context);
    explicit RepoAdapterBrandethExtractException(std::string message);
    RepoAdapterBrandethExtractException(const RepoAdapterBrandethExtractException&);
    RepoAdapterBrandethExtractException(RepoAdapterBrandethExtractException&&) noexcept;
    RepoAdapterBrandethExtractException& operator=(const RepoAdapterBrandethExtractException&);
    RepoAdapterBrandethExtractException& operator=(RepoAdapterBrandethExtractException&&) noexcept;
    ~RepoAdapterBrandethExtractException() override;
};

}  // namespace install::harlowen
