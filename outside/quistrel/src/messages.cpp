#include "cefexchange/messages.h"

#include <utility>

namespace cefexchange {

ProcessExitMessage::ProcessExitMessage(std::string windowID, int status) {
    data_.set_windowid(std::move(windowID));
    data_.set_status(status);
}

SetTitleMessage::SetTitleMessage(std::string windowID, std::string title) {
    data_.set_windowid(std::move(windowID));
    data_.set_title(std::move(title));
}

SetWindowModalMessage::SetWindowModalMessage(std::string windowID, bool modal) {
    data_.set_windowid(std::move(windowID));
    data_.set_modal(modal);
}

AllowCertificateMessage::AllowCertificateMessage(std::string windowID, std::string certificate) {
    data_.set_windowid(std::move(windowID));
    data_.set_certificate(std::move(certificate));
}

ScreenShotMessage::ScreenShotMessage(std::string windowID, std::string imageData, int width, int height) {
    data_.set_windowid(std::move(windowID));
    data_.set_imagedata(std::move(imageData));
    data_.set_width(width);
    data_.set_height(height);
}

WindowResizableMessage::WindowResizableMessage(std::string windowID, bool resizable) {
    data_.set_windowid(std::move(windowID));
    data_.set_resizable(resizable);
}

WindowAlwaysOnTopMessage::WindowAlwaysOnTopMessage(std::string windowID, bool alwaysOnTop) {
    data_.set_windowid(std::move(windowID));
    data_.set_alwaysontop(alwaysOnTop);
}

SetAllWindowActivatedMessage::SetAllWindowActivatedMessage(std::string windowID, bool activate) {
    data_.set_windowid(std::move(windowID));
    data_.set_activate(activate);
}

DroppedFileMessage::DroppedFileMessage(std::string windowID, std::vector<std::string> filePaths) {
    data_.set_windowid(std::move(windowID));
    for (auto& path : filePaths) data_.add_filepaths(std::move(path));
}

SetDragDropMessage::SetDragDropMessage(std::string windowID, bool enable) {
    data_.set_windowid(std::move(windowID));
    data_.set_enable(enable);
}

SetPositionFromJavascriptMessage::SetPositionFromJavascriptMessage(std::string windowID, int x, int y, int width, int height, std::uint64_t timestamp, bool outer) {
    data_.set_windowid(std::move(windowID));
    data_.set_x(x);
    data_.set_y(y);
    data_.set_width(width);
    data_.set_height(height);
    data_.set_timestamp(timestamp);
    data_.set_outer(outer);
}

UpdateURLMessage::UpdateURLMessage(std::string windowID, std::string url) {
    data_.set_windowid(std::move(windowID));
    data_.set_url(std::move(url));
}

GetPositionMessage::GetPositionMessage(std::string windowID, int x, int y, int width, int height, bool outer) {
    data_.set_windowid(std::move(windowID));
    data_.set_x(x);
    data_.set_y(y);
    data_.set_width(width);
    data_.set_height(height);
    data_.set_outer(outer);
}

SetOnTopMessage::SetOnTopMessage(std::string windowID, bool onTop) {
    data_.set_windowid(std::move(windowID));
    data_.set_ontop(onTop);
}

JavascriptReturnMessage::JavascriptReturnMessage(std::string windowID, bool wasError, std::string jsValue) {
    data_.set_windowid(std::move(windowID));
    data_.set_waserror(wasError);
    data_.set_jsvalue(std::move(jsValue));
}

PDFEventMessage::PDFEventMessage(std::string windowID, bool success) {
    data_.set_windowid(std::move(windowID));
    data_.set_success(success);
}

PrintToPDFMessage::PrintToPDFMessage(std::string windowID, std::string path) {
    data_.set_windowid(std::move(windowID));
    data_.set_path(std::move(path));
}

SetDownloadDirMessage::SetDownloadDirMessage(std::string windowID, std::string path) {
    data_.set_windowid(std::move(windowID));
    data_.set_path(std::move(path));
}

ExecuteJSMessage::ExecuteJSMessage(std::string windowID, std::string script) {
    data_.set_windowid(std::move(windowID));
    data_.set_script(std::move(script));
}

SetZoomLevelMessage::SetZoomLevelMessage(std::string windowID, int zoom) {
    data_.set_windowid(std::move(windowID));
    data_.set_zoom(zoom);
}

SetURLMessage::SetURLMessage(std::string windowID, std::string url) {
    data_.set_windowid(std::move(windowID));
    data_.set_url(std::move(url));
}

SetWindowStateMessage::SetWindowStateMessage(std::string windowID, std::string state) {
    data_.set_windowid(std::move(windowID));
    data_.set_state(std::move(state));
}

SetDownloadMessage::SetDownloadMessage(std::string windowID, std::string status, std::string filePath) {
    data_.set_windowid(std::move(windowID));
    data_.set_status(std::move(status));
    data_.set_filepath(std::move(filePath));
}

SetSizeMessage::SetSizeMessage(std::string windowID, int width, int height, std::string kind) {
    data_.set_windowid(std::move(windowID));
    data_.set_width(width);
    data_.set_height(height);
    data_.set_kind(std::move(kind));
}

SetLocationMessage::SetLocationMessage(std::string windowID, int x, int y) {
    data_.set_windowid(std::move(windowID));
    data_.set_x(x);
    data_.set_y(y);
}

SetIconMessage::SetIconMessage(std::string windowID, std::string icon) {
    data_.set_windowid(std::move(windowID));
    data_.set_icon(std::move(icon));
}

SetCommandMessage::SetCommandMessage(std::string windowID, std::string command) {
    data_.set_windowid(std::move(windowID));
    data_.set_command(std::move(command));
}

SetPositionMessage::SetPositionMessage(std::string windowID, int x, int y, int width, int height, bool didEndResize, std::uint64_t timestamp, bool outer) {
    data_.set_windowid(std::move(windowID));
    data_.set_x(x);
    data_.set_y(y);
    data_.set_width(width);
    data_.set_height(height);
    data_.set_didendresize(didEndResize);
    data_.set_timestamp(timestamp);
    data_.set_outer(outer);
}

PopUpWindowMessage::PopUpWindowMessage(std::string parentWindowID, std::string url, bool isPopUp, std::uint64_t windowHandle, std::string newWindowID) {
    data_.set_windowid(std::move(parentWindowID));
    data_.set_url(std::move(url));
    data_.set_ispopup(isPopUp);
    data_.set_windowhandle(windowHandle);
    data_.set_newwindowid(std::move(newWindowID));
}

ProxyAuthMessage::ProxyAuthMessage(std::string windowID, std::string userName, std::string password) {
    data_.set_windowid(std::move(windowID));
    data_.set_username(std::move(userName));
    data_.set_password(std::move(password));
}

NewWindowMessage::NewWindowMessage(std::string windowID, std::string url, int x, int y, int width, int height, int origin, bool visible, std::string windowType, std::string windowExtra, bool windowFlag, std::string createParam1, std::string createParam2) {
    data_.set_windowid(std::move(windowID));
    data_.set_url(std::move(url));
    data_.set_x(x);
    data_.set_y(y);
    data_.set_width(width);
    data_.set_height(height);
    data_.set_origin(origin);
    data_.set_visible(visible);
    data_.set_windowtype(std::move(windowType));
    data_.set_windowextra(std::move(windowExtra));
    data_.set_windowflag(windowFlag);
    data_.set_createparam1(std::move(createParam1));
    data_.set_createparam2(std::move(createParam2));
}

}  // namespace cefexchange
