#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cefexchange/payload_message.h"

namespace cefexchange {

class ProcessExitMessage : public PayloadMessage<ProcessExitMessage, protobuf::ProcessExit> {
public:
    using PayloadMessage::PayloadMessage;
    ProcessExitMessage(std::string windowID, int status);
};

class SetTitleMessage : public PayloadMessage<SetTitleMessage, protobuf::SetTitle> {
public:
    using PayloadMessage::PayloadMessage;
    SetTitleMessage(std::string windowID, std::string title);
};

class SetWindowModalMessage : public PayloadMessage<SetWindowModalMessage, protobuf::SetWindowModal> {
public:
    using PayloadMessage::PayloadMessage;
    SetWindowModalMessage(std::string windowID, bool modal);
};

class AllowCertificateMessage : public PayloadMessage<AllowCertificateMessage, protobuf::AllowCertificate> {
public:
    using PayloadMessage::PayloadMessage;
    AllowCertificateMessage(std::string windowID, std::string certificate);
};

class ScreenShotMessage : public PayloadMessage<ScreenShotMessage, protobuf::ScreenShot> {
public:
    using PayloadMessage::PayloadMessage;
    ScreenShotMessage(std::string windowID, std::string imageData, int width, int height);
};

class WindowResizableMessage : public PayloadMessage<WindowResizableMessage, protobuf::WindowResizable> {
public:
    using PayloadMessage::PayloadMessage;
    WindowResizableMessage(std::string windowID, bool resizable);
};

class WindowAlwaysOnTopMessage : public PayloadMessage<WindowAlwaysOnTopMessage, protobuf::WindowAlwaysOnTop> {
public:
    using PayloadMessage::PayloadMessage;
    WindowAlwaysOnTopMessage(std::string windowID, bool alwaysOnTop);
};

class SetAllWindowActivatedMessage : public PayloadMessage<SetAllWindowActivatedMessage, protobuf::SetAllWindowActivated> {
public:
    using PayloadMessage::PayloadMessage;
    SetAllWindowActivatedMessage(std::string windowID, bool activate);
};

class DroppedFileMessage : public PayloadMessage<DroppedFileMessage, protobuf::DroppedFile> {
public:
    using PayloadMessage::PayloadMessage;
    DroppedFileMessage(std::string windowID, std::vector<std::string> filePaths);
};

class SetDragDropMessage : public PayloadMessage<SetDragDropMessage, protobuf::SetDragDrop> {
public:
    using PayloadMessage::PayloadMessage;
    SetDragDropMessage(std::string windowID, bool enable);
};

class SetPositionFromJavascriptMessage : public PayloadMessage<SetPositionFromJavascriptMessage, protobuf::SetPositionFromJavascript> {
public:
    using PayloadMessage::PayloadMessage;
    SetPositionFromJavascriptMessage(std::string windowID, int x, int y, int width, int height, std::uint64_t timestamp, bool outer);
};

class UpdateURLMessage : public PayloadMessage<UpdateURLMessage, protobuf::UpdateURL> {
public:
    using PayloadMessage::PayloadMessage;
    UpdateURLMessage(std::string windowID, std::string url);
};

class GetPositionMessage : public PayloadMessage<GetPositionMessage, protobuf::GetPosition> {
public:
    using PayloadMessage::PayloadMessage;
    GetPositionMessage(std::string windowID, int x, int y, int width, int height, bool outer);
};

class SetOnTopMessage : public PayloadMessage<SetOnTopMessage, protobuf::SetOnTop> {
public:
    using PayloadMessage::PayloadMessage;
    SetOnTopMessage(std::string windowID, bool onTop);
};

class JavascriptReturnMessage : public PayloadMessage<JavascriptReturnMessage, protobuf::JavascriptReturn> {
public:
    using PayloadMessage::PayloadMessage;
    JavascriptReturnMessage(std::string windowID, bool wasError, std::string jsValue);
};

class PDFEventMessage : public PayloadMessage<PDFEventMessage, protobuf::PDFEvent> {
public:
    using PayloadMessage::PayloadMessage;
    PDFEventMessage(std::string windowID, bool success);
};

class PrintToPDFMessage : public PayloadMessage<PrintToPDFMessage, protobuf::PrintToPDF> {
public:
    using PayloadMessage::PayloadMessage;
    PrintToPDFMessage(std::string windowID, std::string path);
};

class SetDownloadDirMessage : public PayloadMessage<SetDownloadDirMessage, protobuf::SetDownloadDir> {
public:
    using PayloadMessage::PayloadMessage;
    SetDownloadDirMessage(std::string windowID, std::string path);
};

class ExecuteJSMessage : public PayloadMessage<ExecuteJSMessage, protobuf::ExecuteJS> {
public:
    using PayloadMessage::PayloadMessage;
    ExecuteJSMessage(std::string windowID, std::string script);
};

class SetZoomLevelMessage : public PayloadMessage<SetZoomLevelMessage, protobuf::SetZoomLevel> {
public:
    using PayloadMessage::PayloadMessage;
    SetZoomLevelMessage(std::string windowID, int zoom);
};

class SetURLMessage : public PayloadMessage<SetURLMessage, protobuf::SetURL> {
public:
    using PayloadMessage::PayloadMessage;
    SetURLMessage(std::string windowID, std::string url);
};

class SetWindowStateMessage : public PayloadMessage<SetWindowStateMessage, protobuf::SetWindowState> {
public:
    using PayloadMessage::PayloadMessage;
    SetWindowStateMessage(std::string windowID, std::string state);
};

class SetDownloadMessage : public PayloadMessage<SetDownloadMessage, protobuf::SetDownload> {
public:
    using PayloadMessage::PayloadMessage;
    SetDownloadMessage(std::string windowID, std::string status, std::string filePath);
};

class SetSizeMessage : public PayloadMessage<SetSizeMessage, protobuf::SetSize> {
public:
    using PayloadMessage::PayloadMessage;
    SetSizeMessage(std::string windowID, int width, int height, std::string kind);
};

class SetLocationMessage : public PayloadMessage<SetLocationMessage, protobuf::SetLocation> {
public:
    using PayloadMessage::PayloadMessage;
    SetLocationMessage(std::string windowID, int x, int y);
};

class SetIconMessage : public PayloadMessage<SetIconMessage, protobuf::SetIcon> {
public:
    using PayloadMessage::PayloadMessage;
    SetIconMessage(std::string windowID, std::string icon);
};

class SetCommandMessage : public PayloadMessage<SetCommandMessage, protobuf::SetCommand> {
public:
    using PayloadMessage::PayloadMessage;
    SetCommandMessage(std::string windowID, std::string command);
};

class SetPositionMessage : public PayloadMessage<SetPositionMessage, protobuf::SetPosition> {
public:
    using PayloadMessage::PayloadMessage;
    SetPositionMessage(std::string windowID, int x, int y, int width, int height, bool didEndResize, std::uint64_t timestamp, bool outer);
};

class PopUpWindowMessage : public PayloadMessage<PopUpWindowMessage, protobuf::PopUpWindow> {
public:
    using PayloadMessage::PayloadMessage;
    PopUpWindowMessage(std::string parentWindowID, std::string url, bool isPopUp, std::uint64_t windowHandle, std::string newWindowID);
};

class ProxyAuthMessage : public PayloadMessage<ProxyAuthMessage, protobuf::ProxyAuth> {
public:
    using PayloadMessage::PayloadMessage;
    ProxyAuthMessage(std::string windowID, std::string userName, std::string password);
};

class NewWindowMessage : public PayloadMessage<NewWindowMessage, protobuf::NewWindow> {
public:
    using PayloadMessage::PayloadMessage;
    NewWindowMessage(std::string windowID, std::string url, int x, int y, int width, int height, int origin, bool visible, std::string windowType, std::string windowExtra, bool windowFlag, std::string createParam1, std::string createParam2);
};

}  // namespace cefexchange
