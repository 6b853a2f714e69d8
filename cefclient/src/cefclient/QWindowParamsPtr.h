#pragma once

#include <QtCore/QMetaType>
#include <QtCore/QSharedPointer>

#include "cefclient/QWindowParams.h"
#include "cefclient/QtNamespace.h"

// A new-window request as the Qt signal carries it, through queued connections too.
using QWindowParamsPtr = ZQ_QT::QSharedPointer<QWindowParams>;

Q_DECLARE_METATYPE(QWindowParamsPtr)
