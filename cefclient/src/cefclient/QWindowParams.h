#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "cef/geometry.h"

// A host's new-window request, as the Qt side receives it and as either transport carries it.
struct QWindowParams {
    std::string windowID;
    std::string createParam2;
    std::string createParam1;
    std::string url;
    CefRect rect;
    bool visible = false;
    std::string windowType;
    std::string windowExtra;
    bool windowFlag = false;
    std::int32_t origin = 0;

    // The pipe's and the exchange's new-window records name their fields alike.
    template <class Record>
    static QWindowParams from(std::string windowID, const Record& request) {
        return QWindowParams{std::move(windowID),
                             request.createparam2(),
                             request.createparam1(),
                             request.url(),
                             CefRect(request.x(), request.y(), request.width(), request.height()),
                             request.visible(),
                             request.windowtype(),
                             request.windowextra(),
                             request.windowflag(),
                             request.origin()};
    }
};
