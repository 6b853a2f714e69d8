#include "install/harlowen/RepoAdapterExceptions.h"

// The four classes differ only in type; the members are the base's, member-wise.
#define HARLOWEN_DEFINE_EXCEPTION(Class, Base)                                                              \
    Class::Class(std::string code, std::string title, std::string detail, std::string context)             \
        : Base(std::move(code), std::move(title), std::move(detail), std::move(context)) {}                 \
    Class::Class(std::string message) : Base(std::move(message)) {}                                         \
    Class::Class(const Class&) = default;                                                                   \
    Class::Class(Class&&) noexcept = default;                                                               \
    Class& Class::operator=(const Class&) = default;                                                        \
    Class& Class::operator=(Class&&) noexcept = default;                                                    \
    Class::~Class() = default;

namespace install::harlowen {

HARLOWEN_DEFINE_EXCEPTION(RepoAdapterException, install::tambrel::InstallerException)
HARLOWEN_DEFINE_EXCEPTION(RepoAdapterWebServiceException, RepoAdapterException)
HARLOWEN_DEFINE_EXCEPTION(RepoAdapterBrandethDownloadException, RepoAdapterException)
HARLOWEN_DEFINE_EXCEPTION(RepoAdapterBrandethExtractException, RepoAdapterException)

}  // namespace install::harlowen
