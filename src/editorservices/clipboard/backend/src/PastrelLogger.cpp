#include "PastrelLogger.h"

namespace EditorServices::detail {

foundation::log::diagnostic_logger& pastrelLogger() {
    static foundation::log::diagnostic_logger logger("editor_services::Pastrel");
    return logger;
}

}  // namespace EditorServices::detail
