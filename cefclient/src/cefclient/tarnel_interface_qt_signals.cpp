// Qt client mode: host commands become signals of the bridge instead of window operations.

#include "cef/logging.h"
#include "cefclient/tarnel_interface.h"

namespace client {
namespace {

// Text up to its first NUL byte, as UTF-8.
QString qtText(const std::string& text) { return QString::fromUtf8(text.c_str()); }

QWindowParamsPtr windowParams(const cefclient_messages::windowMessage& message) {
    return QWindowParamsPtr(new QWindowParams(QWindowParams::from(message.windowid(), message.newwindow())),
                            [](QWindowParams* record) { delete record; });
}

}  // namespace

void tarnel_interface::processWindowMessagesForQtClient(cefclient_messages::windowMessage message) {
    const QString id = qtText(message.windowid());
    if (message.has_newwindow()) {
        LOG(INFO) << "tarnel_interface::processWindowMessagesForQtClient: NewWindow";
        emit newWindow(windowParams(message));
    } else if (message.has_seturl()) {
        emit setURL(id, qtText(message.seturl().url()));
    } else if (message.has_seticon()) {
        emit setIcon(id, qtText(message.seticon().icon()));
    } else if (message.has_settitle()) {
        emit setTitle(id, qtText(message.settitle().title()));
    } else if (message.has_setzoomlevel()) {
        emit setZoomLevel(id, message.setzoomlevel().zoom());
    } else if (message.has_setmaxsize()) {
        emit setMinMaxSize(id, QSize(message.setmaxsize().maxwidth(), message.setmaxsize().maxheight()), true);
    } else if (message.has_setminsize()) {
        emit setMinMaxSize(id, QSize(message.setminsize().minwidth(), message.setminsize().minheight()), false);
    } else if (message.has_setontop()) {
        emit setWindowOnTop(id, message.setontop().ontop());
    } else if (message.has_setdragdrop()) {
        emit enableDragDrop(id, message.setdragdrop().enable());
    } else if (message.has_executejs()) {
        emit executeJS(id, qtText(message.executejs().script()));
    } else if (message.has_setdownloaddir()) {
        emit updateDownloadPath(id, qtText(message.setdownloaddir().path()));
    } else if (message.has_printtopdf()) {
        emit printToPDF(id, qtText(message.printtopdf().path()));
    } else if (message.has_setallwindowsactivated()) {
        emit handleAllWindowsActivated(id, message.setallwindowsactivated().activate());
    } else if (message.has_setwindowmodal()) {
        emit handleWindowModal(id, message.setwindowmodal().modal());
    } else if (message.has_setposition()) {
        const auto& p = message.setposition();
        emit updatePosition(id, true, p.x(), p.y(), p.width(), p.height());
    } else if (message.has_setouterposition()) {
        const auto& p = message.setouterposition();
        emit updatePosition(id, false, p.x(), p.y(), p.width(), p.height());
    } else if (message.has_setcommand()) {
        emit windowCommand(id, qtText(message.setcommand().command()));
    }
}

}  // namespace client
