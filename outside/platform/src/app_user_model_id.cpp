#include "platform/app_user_model_id.h"

#include <mutex>

namespace platform {
namespace {

std::mutex idMutex;
std::u16string currentId;

}  // namespace

bool setCurrentProcessExplicitAppUserModelID(const std::u16string& id) {
    std::lock_guard lock(idMutex);
    currentId = id;
    return true;
}

std::u16string currentProcessExplicitAppUserModelID() {
    std::lock_guard lock(idMutex);
    return currentId;
}

}  // namespace platform
