#include "install/tambrel/InstallerException.h"

namespace install::tambrel {

InstallerException::InstallerException(std::string code, std::string title, std::string detail, std::string context)
    : std::runtime_error(detail),
      code_(std::move(code)),
      title_(std::move(title)),
      detail_(std::move(detail)),
      context_(std::move(context)) {}

InstallerException::InstallerException(std::string message) : std::runtime_error(message), detail_(std::move(message)) {}

InstallerException::~InstallerException() = default;

}  // namespace install::tambrel
