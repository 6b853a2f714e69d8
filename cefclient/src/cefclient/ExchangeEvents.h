#pragma once

// The exchange messages this process sends to its host, as X(cefexchange message class) each; every one has its
// sender made and exported.
#define VELTRANE_EXCHANGE_EVENTS(X) \
    X(DroppedFileMessage)               \
    X(GetPositionMessage)               \
    X(JavascriptReturnMessage)          \
    X(PDFEventMessage)                  \
    X(PopUpWindowMessage)               \
    X(ProcessExitMessage)               \
    X(ScreenShotMessage)                \
    X(SetAllWindowActivatedMessage)     \
    X(SetCommandMessage)                \
    X(SetDownloadDirMessage)            \
    X(SetDownloadMessage)               \
    X(SetIconMessage)                   \
    X(SetPositionFromJavascriptMessage) \
    X(SetPositionMessage)               \
    X(SetSizeMessage)                   \
    X(SetTitleMessage)                  \
    X(SetURLMessage)                    \
    X(SetWindowModalMessage)            \
    X(SetZoomLevelMessage)              \
    X(WindowAlwaysOnTopMessage)         \
    X(WindowResizableMessage)
