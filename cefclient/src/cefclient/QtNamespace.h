#pragma once

#include <QtCore/qglobal.h>

// Qt's namespace as the bridge names it (ZQ_QT::QObject); empty when Qt is built without one.
#ifndef ZQ_QT
#ifdef QT_NAMESPACE
#define ZQ_QT QT_NAMESPACE
#else
#define ZQ_QT
#endif
#endif
