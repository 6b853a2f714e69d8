#pragma once

#include <cstdint>
#include <string>

#include <QtCore/QMetaType>
#include <QtCore/QSharedPointer>

#include "cefclient/QtNamespace.h"
#include "cef/geometry.h"

// A host's new-window request as the Qt side receives it.
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
};

using QWindowParamsPtr = ZQ_QT::QSharedPointer<QWindowParams>;

Q_DECLARE_METATYPE(QWindowParamsPtr)
