#include "cefclient/NativeWindowManager.h"

#include <algorithm>

#include <boost/make_shared.hpp>

#include "cefclient/FunctionTraceScope.h"
#include "cefclient/HostReport.h"
#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "cefclient/UiTasks.h"
#include "aldermoss/cefclient_utils.h"
#include "cefexchange/messages.h"

namespace {

foundation::log::diagnostic_logger& functionsLogger = veltrane_log::windowManagerLogger();

const void* address(const scoped_refptr<NativeWindow>& window) { return window.get(); }

// The level never drops below 0: clearing a modal state that was never set leaves it at 0.
void lower(std::uint16_t& level) {
    if (level > 0) --level;
}

}  // namespace

#define MODALITY_LOG \
    FOUNDATION_LOG(veltrane_log::modalityLogger(), veltrane_log::kDetail) << "cefclient\\src\\cefclient\\NativeWindowManager:" << __LINE__ << ": "

std::shared_ptr<NativeWindowManager> NativeWindowManager::getInstance() {
    static const std::shared_ptr<NativeWindowManager> instance =
        std::make_shared<NativeWindowManager>(!cefclient_utils::isExchangeEnabled());
    return instance;
}

NativeWindowManager::NativeWindowManager(bool usePipes) : usePipes_(usePipes) {}

void NativeWindowManager::registerWebWindow(scoped_refptr<NativeWindow> window) {
    VELTRANE_TRACE_SCOPE(functionsLogger);
    std::lock_guard lock(mutex_);
    MODALITY_LOG << "Registering a new window at modality level: " << modalityLevel_ << " for window: "
                 << address(window);
    windows_.emplace(window, ModalityInfo{true, modalityLevel_});
}

void NativeWindowManager::deregisterWebWindow(scoped_refptr<NativeWindow> window) {
    VELTRANE_TRACE_SCOPE(functionsLogger);
    std::lock_guard lock(mutex_);
    MODALITY_LOG << "In NativeWindowManager::deregisterWebWindow for window " << address(window);
    bool wasModal = false;
    const auto registered = windows_.find(window);
    const auto modal = findModal(window);
    if (modal != modalWindows_.end()) {
        MODALITY_LOG << "Found modal window";
        wasModal = true;
        lower(modalityLevel_);
        MODALITY_LOG << "Current modality level decreased to: " << modalityLevel_;
        const std::uint16_t closingLevel = registered != windows_.end() ? registered->second.modalityLevel : 0;
        if (modal + 1 != modalWindows_.end()) {
            MODALITY_LOG << "This isn't the top-most modal window";
            modalWindows_.erase(modal);
            MODALITY_LOG << "Adjusting modality level for window " << address(window) << " with modality level of "
                         << closingLevel;
            for (auto& [other, info] : windows_) {
                MODALITY_LOG << "Found window " << address(other) << " with modality level of " << info.modalityLevel;
                if (info.modalityLevel >= closingLevel) {
                    MODALITY_LOG << "Decreasing modality level";
                    lower(info.modalityLevel);
                }
            }
        } else {
            MODALITY_LOG << "This is the topmost modal window";
            modalWindows_.erase(modal);
            if (!modalWindows_.empty()) {
                const scoped_refptr<NativeWindow> newTop = modalWindows_.back();
                bringToFront(newTop);
                setActivateWindow(newTop, true);
            }
            MODALITY_LOG << "The modality level of the window being deleted is: " << closingLevel;
            for (auto& [other, info] : windows_) {
                MODALITY_LOG << "Found window " << address(other) << " with modality level of " << info.modalityLevel;
                if (static_cast<int>(info.modalityLevel) >= static_cast<int>(closingLevel) - 1) {
                    MODALITY_LOG << "Found a window to active";
                    setActivateWindow(other, true);
                }
                if (info.modalityLevel == closingLevel) {
                    MODALITY_LOG << "Decreasing the modality level of the current window";
                    lower(info.modalityLevel);
                }
            }
        }
    }
    windows_.erase(window);
    if (wasModal && modalWindows_.empty()) {
        for (const auto& [other, info] : windows_) {
            enableWindow(other, true);
            sendActivationCommand(other->getID(), true);
        }
    }
}

void NativeWindowManager::setActivateAllWindows(bool activate) {
    VELTRANE_TRACE_SCOPE(functionsLogger);
    std::lock_guard lock(mutex_);
    for (const auto& [window, info] : windows_) {
        enableWindow(window, activate);
        sendActivationCommand(window->getID(), activate);
        postWindowTask(window, [activate](NativeWindow& w) { w.handleAllWindowsActivated(activate); });
        sendAllWindowsActivated(window->getID(), activate);
    }
}

void NativeWindowManager::setActivateWindow(scoped_refptr<NativeWindow> window, bool activate) {
    VELTRANE_TRACE_SCOPE(functionsLogger);
    std::lock_guard lock(mutex_);
    bool allActive = true;
    for (auto& [entry, info] : windows_) {
        if (entry.get() == window.get()) {
            enableWindow(entry, activate);
            sendActivationCommand(entry->getID(), activate);
            info.active = activate;
        }
        allActive = allActive && info.active;
    }
    for (const auto& [entry, info] : windows_) {
        postWindowTask(entry, [allActive](NativeWindow& w) { w.handleAllWindowsActivated(allActive); });
        sendAllWindowsActivated(entry->getID(), allActive);
    }
}

void NativeWindowManager::setDeactivateAllButThis(scoped_refptr<NativeWindow> window, bool modal) {
    VELTRANE_TRACE_SCOPE(functionsLogger);
    std::lock_guard lock(mutex_);
    MODALITY_LOG << "In NativeWindowManager::setDeactivateAllButThis";
    for (auto entry = windows_.begin(); entry != windows_.end(); ++entry) {
        if (entry->first.get() == window.get()) {
            MODALITY_LOG << "Calling handleSetDeactivateAllButThisSpecifiedWindow for window " << address(entry->first);
            handleSetDeactivateAllButThisSpecifiedWindow(entry, modal);
        } else {
            MODALITY_LOG << "Calling handleSetDeactivateAllButThisOtherWindow for window " << address(entry->first);
            handleSetDeactivateAllButThisOtherWindow(entry, modal);
        }
    }
}

void NativeWindowManager::handleSetDeactivateAllButThisOtherWindow(Registry::iterator entry, bool modal) {
    VELTRANE_TRACE_SCOPE(functionsLogger);
    MODALITY_LOG << "In NativeWindowManager::handleSetDeactivateAllButThisOtherWindow";
    enableWindow(entry->first, !modal);
    sendActivationCommand(entry->first->getID(), !modal);
    entry->second.active = !modal;
}

void NativeWindowManager::handleSetDeactivateAllButThisSpecifiedWindow(Registry::iterator entry, bool modal) {
    VELTRANE_TRACE_SCOPE(functionsLogger);
    MODALITY_LOG << "In NativeWindowManager::handleSetDeactivateAllButThisSpecifiedWindow";
    if (modal) {
        MODALITY_LOG << "Calling setWindowAsModal for window " << address(entry->first);
        setWindowAsModal(entry);
    } else {
        MODALITY_LOG << "Calling removeWindowFromModalList for window " << address(entry->first);
        removeWindowFromModalList(entry);
    }
    sendWindowModal(entry->first->getID(), modal);
    postWindowTask(entry->first, [modal](NativeWindow& w) { w.handleWindowModal(modal); });
}

void NativeWindowManager::setWindowAsModal(Registry::iterator entry) {
    VELTRANE_TRACE_SCOPE(functionsLogger);
    const scoped_refptr<NativeWindow>& window = entry->first;
    MODALITY_LOG << "In NativeWindowManager::setWindowAsModal";
    ++modalityLevel_;
    MODALITY_LOG << "Modality level increased to: " << modalityLevel_;
    if (findModal(window) == modalWindows_.end()) {
        MODALITY_LOG << "Window " << address(window) << " not found in the modal window list, adding it to the end.";
        modalWindows_.push_back(window);
    }
    if (!entry->second.active) {
        MODALITY_LOG << "Window " << address(window) << " is not active, activating it";
        enableWindow(window, true);
        sendActivationCommand(window->getID(), true);
        bringToFront(window);
        entry->second.active = true;
    }
    MODALITY_LOG << "Setting the modality level of window " << address(window) << " to " << modalityLevel_;
    entry->second.modalityLevel = modalityLevel_;
}

void NativeWindowManager::removeWindowFromModalList(Registry::iterator entry) {
    VELTRANE_TRACE_SCOPE(functionsLogger);
    MODALITY_LOG << "In NativeWindowManager::removeWindowFromModalList";
    lower(modalityLevel_);
    MODALITY_LOG << "Modality level changed to: " << modalityLevel_;
    const std::uint16_t removedLevel = entry->second.modalityLevel;
    MODALITY_LOG << "The modality level of the window being removed is: " << removedLevel;
    for (auto& [other, info] : windows_) {
        MODALITY_LOG << "Found window " << address(other) << " with modality level: " << info.modalityLevel;
        if (info.modalityLevel >= removedLevel) {
            MODALITY_LOG << "Decreasing modality level for window " << address(other);
            lower(info.modalityLevel);
        }
    }
    const auto modal = findModal(entry->first);
    if (modal != modalWindows_.end()) {
        MODALITY_LOG << "Removing the specified window from the modal window list";
        modalWindows_.erase(modal);
    }
}

std::uint16_t NativeWindowManager::modalityLevel() const {
    std::lock_guard lock(mutex_);
    return modalityLevel_;
}

std::optional<NativeWindowManager::ModalityInfo> NativeWindowManager::windowInfo(
    const scoped_refptr<NativeWindow>& window) const {
    std::lock_guard lock(mutex_);
    const auto entry = windows_.find(window);
    if (entry == windows_.end()) return std::nullopt;
    return entry->second;
}

std::vector<scoped_refptr<NativeWindow>> NativeWindowManager::modalWindows() const {
    std::lock_guard lock(mutex_);
    return modalWindows_;
}

void NativeWindowManager::enableWindow(const scoped_refptr<NativeWindow>& window, bool enable) {
    postWindowTask(window, [disable = !enable](NativeWindow& w) { w.disableWindow(disable); });
}

void NativeWindowManager::bringToFront(const scoped_refptr<NativeWindow>& window) {
    if (auto notifier = window->getEventNotifier()) notifier->bringToFrontFromTarnel();
}

std::vector<scoped_refptr<NativeWindow>>::iterator NativeWindowManager::findModal(
    const scoped_refptr<NativeWindow>& window) {
    return std::find_if(modalWindows_.begin(), modalWindows_.end(),
                        [&](const scoped_refptr<NativeWindow>& entry) { return entry.get() == window.get(); });
}

void NativeWindowManager::sendAllWindowsActivated(std::string windowID, bool activate) {
    client::reportToHost(
        usePipes_, windowID, [&](auto& m) { m.mutable_setallwindowsactivated()->set_activate(activate); },
        [&] { return boost::make_shared<cefexchange::SetAllWindowActivatedMessage>(windowID, activate); });
}

void NativeWindowManager::sendActivationCommand(std::string windowID, bool activate) {
    const std::string word = activate ? "setActivateCurrentWindow" : "setDeactivateCurrentWindow";
    client::reportToHost(
        usePipes_, windowID, [&](auto& m) { m.mutable_setcommand()->set_command(word); },
        [&] { return boost::make_shared<cefexchange::SetCommandMessage>(windowID, word); });
}

void NativeWindowManager::sendWindowModal(std::string windowID, bool modal) {
    client::reportToHost(
        usePipes_, windowID, [&](auto& m) { m.mutable_setwindowmodal()->set_modal(modal); },
        [&] { return boost::make_shared<cefexchange::SetWindowModalMessage>(windowID, modal); });
}
