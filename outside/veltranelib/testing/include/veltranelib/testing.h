#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "cef/browser.h"
#include "cef/geometry.h"
#include "veltranelib/native_window.h"

namespace veltranelib::testing {

// Scripts and print paths are kept for tests only: the latest kKeptRecords, each cut to its first
// kKeptRecordBytes.
constexpr std::size_t kKeptRecords = 16;
constexpr std::size_t kKeptRecordBytes = 4096;

// A copy of everything a window keeps.
struct WindowState {
    std::string id;
    bool popUpVisible = true;
    std::string createParam1;
    std::string createParam2;
    int origin = 0;
    int tarnelProcessID = 0;

    bool isPopUp = false;
    std::string popUpURL;
    CefRect popUpRect;
    std::string popUpParentID;
    bool popUpWindowsEnabled = false;

    std::string windowType;
    std::string windowExtra;
    bool windowFlag = false;

    CefRefPtr<CefBrowser> browser;
    bool browserCreated = false;
    bool pageLoadStarted = false;
    bool browserClosed = false;
    bool closeRequested = false;
    bool beforeCloseCalled = false;

    std::string url;
    std::string title;
    std::string appliedTitle;
    std::string icon;
    std::string downloadPath;
    int zoomLevel = 0;

    CefRect position;
    CefRect outerPosition;
    CefSize maximumSize;
    CefSize minimumSize;
    bool resizable = true;
    bool alwaysOnTop = false;
    bool visible = false;
    // The last state word reported ("WindowMinimized", ...); empty before the first.
    std::string stateWord;

    bool dragDropEnabled = false;
    bool disabled = false;
    bool allWindowsActive = true;
    bool modal = false;

    int windowUpdatesApplied = 0;
    int clientStateUpdates = 0;
    int windowUpdatesPerformed = 0;
    int broughtToFront = 0;
    int downloadsStopped = 0;
    std::vector<std::string> executedScripts;
    std::vector<std::string> printedPaths;
};

WindowState stateOf(const NativeWindow& window);
inline WindowState stateOf(const scoped_refptr<NativeWindow>& window) { return stateOf(*window); }

}  // namespace veltranelib::testing
