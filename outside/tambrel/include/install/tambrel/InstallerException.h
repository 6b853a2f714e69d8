#pragma once

#include <stdexcept>
#include <string>

#include "install/tambrel/TambrelExport.h"

namespace install::tambrel {

// Base of the installer's coded failures; what() is the detail text.
class TAMBREL_EXPORT InstallerException : public std::runtime_error {
public:
    InstallerException(std::string code, std::string title, std::string detail, std::string context);
    explicit InstallerException(std::string message);
    InstallerException(const InstallerException&) = default;
    InstallerException(InstallerException&&) = default;
    InstallerException& operator=(const InstallerException&) = default;
    InstallerException& operator=(InstallerException&&) = default;
    ~InstallerException() override;

    const std::string& getCode() const { return code_; }
    const std::string& getTitle() const { return title_; }
    const std::string& getDetail() const { return detail_; }
    const std::string& getContext() const { return context_; }

private:
    std::string code_;
    std::string title_;
    std::string detail_;
    std::string context_;
};

}  // namespace install::tambrel
