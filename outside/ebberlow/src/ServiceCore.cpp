#include "ServiceCore.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "Hash.h"
#include "ItemJson.h"
#include "TapRegistry.h"
#include "ravo/PlatformInfo.h"

namespace ravo::detail {
namespace {

void requireRunning(bool running) {
    if (!running) throw std::logic_error("the usage-data logging service is not running");
}

}  // namespace

// Never destroyed: callers may still stop the service while static objects go away at exit.
ServiceCore& ServiceCore::instance() {
    static auto* core = new ServiceCore;
    return *core;
}

void ServiceCore::start(const LoggingServiceOptions& options, const ApplicationInfo& application, bool partner) {
    std::lock_guard lock(mutex_);
    if (running_) throw std::logic_error("the usage-data logging service is already running");
    if (application.name.empty()) throw std::invalid_argument("the usage-data application name is empty");
    if (!options.persistencePath.empty()) file_.open(options.persistencePath);
    options_ = options;
    application_ = application;
    shared_.reset(new SharedLoggingService);
    if (partner) {
        partner_.reset(new LoggingPartnerSupport(
            hashHex(PlatformInfo::getInstance().getMachineHash() + '/' + application.name)));
    }
    running_ = true;
}

void ServiceCore::stop() {
    std::lock_guard lock(mutex_);
    if (!running_) return;
    running_ = false;
    optInSettings_ = false;
    sessions_.clear();
    shared_.reset();
    partner_.reset();
    file_.close();
}

void ServiceCore::flush() {
    std::lock_guard lock(mutex_);
    file_.reportLosses();
}

void ServiceCore::setOptIn(bool optIn) {
    std::lock_guard lock(mutex_);
    optIn_ = optIn;
    if (optInSettings_) keepOptInChoice();
}

bool ServiceCore::optIn() const {
    std::lock_guard lock(mutex_);
    return optIn_;
}

fl::filesystem::basic_path ServiceCore::optInSettingsPath() const {
    return fl::filesystem::basic_path(options_.persistencePath.native() + u".optin");
}

void ServiceCore::keepOptInChoice() const {
    if (options_.persistencePath.empty()) return;
    std::ofstream out(optInSettingsPath().std_path(), std::ios::trunc);
    out << (optIn_ ? '1' : '0') << '\n';
    out.close();
    if (!out) throw std::runtime_error("cannot keep the opt-in choice in " + optInSettingsPath().string());
}

void ServiceCore::startOptInSettings() {
    std::lock_guard lock(mutex_);
    requireRunning(running_);
    if (!options_.persistencePath.empty()) {
        std::ifstream in(optInSettingsPath().std_path());
        if (in.is_open()) {
            std::string choice;
            in >> choice;
            if (choice != "0" && choice != "1") {
                throw std::runtime_error("unreadable opt-in choice in " + optInSettingsPath().string());
            }
            optIn_ = choice == "1";
        }
    }
    optInSettings_ = true;
}

RavoResponse ServiceCore::log(const DataIdentification& identification, const RavoData& data,
                              const RavoOption& option) {
    RavoResponse response;
    bool optedIn = false;
    {
        std::lock_guard lock(mutex_);
        if (!running_) return response;
        optedIn = optIn_;
        if (!optedIn) {
            response.status = STS_RAVO_NOT_OPTED_IN;
        } else if (!file_.isOpen()) {
            response.status = STS_RAVO_SUCCESS;
        } else {
            static const std::string noSession;
            ItemContext context{application_, sessions_.empty() ? noSession : sessions_.back().key,
                                option.time.value_or(std::chrono::system_clock::now())};
            bool written = file_.append(itemJsonLine(context, identification, data));
            response.status = written ? STS_RAVO_SUCCESS : STS_RAVO_WRITE_FAILED;
        }
    }
    TapRegistry::instance().notify(identification, data, optedIn);
    return response;
}

std::shared_ptr<SharedLoggingService> ServiceCore::sharedService() const {
    std::lock_guard lock(mutex_);
    return shared_;
}

std::shared_ptr<LoggingPartnerSupport> ServiceCore::partnerSupport() const {
    std::lock_guard lock(mutex_);
    return partner_;
}

std::string ServiceCore::newSessionKey() {
    char digits[33];
    std::snprintf(digits, sizeof digits, "%016llx%016llx", static_cast<unsigned long long>(keyRandom_()),
                  static_cast<unsigned long long>(keyRandom_()));
    return digits;
}

std::string ServiceCore::startSession(const ApplicationInfo& application, const SessionOptions& options) {
    Session session;
    {
        std::lock_guard lock(mutex_);
        requireRunning(running_);
        session = Session{options.sessionKey.empty() ? newSessionKey() : options.sessionKey, application,
                          options.sendSessionStartAndEnd};
        auto open = std::find_if(sessions_.begin(), sessions_.end(),
                                 [&](const Session& known) { return known.key == session.key; });
        // Joining an open session neither opens it twice nor announces it again.
        if (open != sessions_.end()) return session.key;
        sessions_.push_back(session);
    }
    if (session.sendStartAndEnd) logSessionEvent("session.start", session);
    return session.key;
}

void ServiceCore::endSession(const std::string& sessionKey) {
    Session session;
    {
        std::lock_guard lock(mutex_);
        auto open = std::find_if(sessions_.begin(), sessions_.end(),
                                 [&](const Session& known) { return known.key == sessionKey; });
        if (open == sessions_.end()) return;
        session = *open;
        sessions_.erase(open);
    }
    if (session.sendStartAndEnd) logSessionEvent("session.end", session);
}

void ServiceCore::logSessionEvent(const char* name, const Session& session) {
    RavoData data{{{"sessionKey", session.key},
                   {"application", session.application.name},
                   {"applicationVersion", session.application.version}}};
    log(DataIdentification{name, "1"}, data, RavoOption{});
}

}  // namespace ravo::detail
