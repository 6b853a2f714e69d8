#pragma once

#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cef/ref_counted.h"
#include "veltranelib/veltrane_interface.h"

// Writes down every report of a window as "name(arguments)", with the reporting thread.
class RecordingSink : public CefRefCountedImpl<window_notifier::IVeltraneInterface> {
public:
    struct Event {
        std::string text;
        std::thread::id thread;
    };

    std::vector<std::string> texts() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> result;
        for (const auto& event : events_) result.push_back(event.text);
        return result;
    }
    std::vector<Event> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }

    scoped_refptr<CefBrowser> browser;
    std::string screenshot;

    void windowStateEvent(const std::string value) override { add("windowStateEvent", value); }
    void getPositionEvent(int x, int y, int width, int height) override { add("getPositionEvent", x, y, width, height); }
    void getOuterPositionEvent(int x, int y, int width, int height) override {
        add("getOuterPositionEvent", x, y, width, height);
    }
    void resizeEvent(const int x, const int y, const int width, const int height, bool didEndResize) override {
        add("resizeEvent", x, y, width, height, didEndResize);
    }
    void resizeEventOuterPosition(const int x, const int y, const int width, const int height,
                                  bool didEndResize) override {
        add("resizeEventOuterPosition", x, y, width, height, didEndResize);
    }
    void OnBeforeClose() override { add("OnBeforeClose"); }
    void closeEvent() override { add("closeEvent"); }
    void downloadEvent(const std::string status, const std::string filepath) override {
        add("downloadEvent", status, filepath);
    }
    void loadFinishedEvent(std::string userTitle, std::string url) override { add("loadFinishedEvent", userTitle, url); }
    void loadStartEvent() override { add("loadStartEvent"); }
    void javascriptResultEvent(bool wasError, const std::string jsValue) override {
        add("javascriptResultEvent", wasError, jsValue);
    }
    void screenshotEvent(const std::string imageData, int width, int height) override {
        {
            std::lock_guard lock(mutex_);
            screenshot = imageData;
        }
        add("screenshotEvent", width, height);
    }
    void printToPDFEvent(bool success) override { add("printToPDFEvent", success); }
    void notifyZoomLevel(const int zoom) override { add("notifyZoomLevel", zoom); }
    void notifyDragDropEvent(const std::vector<std::string>& paths) override {
        std::string joined;
        for (const std::string& path : paths) joined += (joined.empty() ? "" : "|") + path;
        add("notifyDragDropEvent", joined);
    }
    void OnWindowOnTopEvent(bool alwaysOnTop) const override { add("OnWindowOnTopEvent", alwaysOnTop); }
    void OnSetResizable(bool resizable) const override { add("OnSetResizable", resizable); }
    void OnSetMinSize(int width, int height) const override { add("OnSetMinSize", width, height); }
    void OnSetMaxSize(int width, int height) const override { add("OnSetMaxSize", width, height); }
    std::pair<std::string, std::string> getProxyCredentials() override { return {}; }
    void browserCreatedEvent(scoped_refptr<CefBrowser> created) override {
        {
            std::lock_guard lock(mutex_);
            browser = created;
        }
        add("browserCreatedEvent");
    }
    void setWindowID(const std::string& id) override { add("setWindowID", id); }

private:
    template <class... Values>
    void add(const char* name, const Values&... values) const {
        std::ostringstream text;
        text << name << '(';
        [[maybe_unused]] const char* separator = "";
        ((text << separator << values, separator = ","), ...);
        text << ')';
        std::lock_guard lock(mutex_);
        events_.push_back({text.str(), std::this_thread::get_id()});
    }

    mutable std::mutex mutex_;
    mutable std::vector<Event> events_;
};
