#include "PastrelLogger.h"

#include <exception>

namespace EditorServices::detail {

foundation::log::diagnostic_logger& pastrelLogger() {
    static foundation::log::diagnostic_logger logger("editor_services::Pastrel");
    return logger;
}

std::string currentExceptionText() {
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "unknown exception";
    }
}

}  // namespace EditorServices::detail
