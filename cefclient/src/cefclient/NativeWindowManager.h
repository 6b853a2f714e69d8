#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "veltranelib/native_window.h"

// The process-wide registry of browser windows, with the stack of modal windows and which windows are active.
// Every change is carried out on the windows by posting to the UI thread and reported to the host.
class NativeWindowManager {
public:
    struct ModalityInfo {
        bool active = true;
        std::uint16_t modalityLevel = 0;
    };

    static std::shared_ptr<NativeWindowManager> getInstance();

    // usePipes chooses the host link of the reports; the process-wide instance takes it from the command line.
    explicit NativeWindowManager(bool usePipes);
    NativeWindowManager(const NativeWindowManager&) = delete;
    NativeWindowManager& operator=(const NativeWindowManager&) = delete;

    void registerWebWindow(scoped_refptr<NativeWindow> window);
    void deregisterWebWindow(scoped_refptr<NativeWindow> window);
    void setActivateAllWindows(bool activate);
    void setActivateWindow(scoped_refptr<NativeWindow> window, bool activate);
    void setDeactivateAllButThis(scoped_refptr<NativeWindow> window, bool modal);

    std::uint16_t modalityLevel() const;
    std::optional<ModalityInfo> windowInfo(const scoped_refptr<NativeWindow>& window) const;
    std::vector<scoped_refptr<NativeWindow>> modalWindows() const;

private:
    struct ByAddress {
        bool operator()(const scoped_refptr<NativeWindow>& a, const scoped_refptr<NativeWindow>& b) const {
            return std::less<NativeWindow*>()(a.get(), b.get());
        }
    };
    using Registry = std::map<scoped_refptr<NativeWindow>, ModalityInfo, ByAddress>;

    void handleSetDeactivateAllButThisSpecifiedWindow(Registry::iterator entry, bool modal);
    void handleSetDeactivateAllButThisOtherWindow(Registry::iterator entry, bool modal);
    void setWindowAsModal(Registry::iterator entry);
    void removeWindowFromModalList(Registry::iterator entry);

    void enableWindow(const scoped_refptr<NativeWindow>& window, bool enable);
    void bringToFront(const scoped_refptr<NativeWindow>& window);
    std::vector<scoped_refptr<NativeWindow>>::iterator findModal(const scoped_refptr<NativeWindow>& window);

    void sendAllWindowsActivated(std::string windowID, bool activate);
    void sendActivationCommand(std::string windowID, bool activate);
    void sendWindowModal(std::string windowID, bool modal);

    // Held for the whole of each public operation; the unwinding of a modal window re-enters them.
    mutable std::recursive_mutex mutex_;
    std::uint16_t modalityLevel_ = 0;
    Registry windows_;
    std::vector<scoped_refptr<NativeWindow>> modalWindows_;
    const bool usePipes_;
};
