#include "cefclient/UiTasks.h"

#include <utility>

#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "veltranelib/main_message_loop.h"

namespace client {

bool UiTaskGate::post(base::Closure task) {
    std::lock_guard lock(mutex_);
    MainMessageLoop* loop = closed_ ? nullptr : MainMessageLoop::Get();
    if (loop == nullptr) {
        FOUNDATION_LOG(veltrane_log::bridgeLogger(), veltrane_log::kDebug) << "UI loop has ended; task dropped";
        return false;
    }
    loop->PostClosure(std::move(task));
    return true;
}

void UiTaskGate::quitLoop() {
    std::lock_guard lock(mutex_);
    if (MainMessageLoop* loop = closed_ ? nullptr : MainMessageLoop::Get()) loop->Quit();
}

void UiTaskGate::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
}

UiTaskGate& uiTasks() {
    static UiTaskGate gate;
    return gate;
}

}  // namespace client
