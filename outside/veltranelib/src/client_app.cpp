#include "veltranelib/client_app.h"

bool ClientApp::Release() const {
    if (!count_.Release()) return false;
    delete this;
    return true;
}
