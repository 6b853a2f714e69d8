// The window registry: records, the modal stack, activation and what each change reports to the host.
#include <thread>

#include "BridgeHarness.h"
#include "cefclient/Loggers.h"
#include "cefclient/NativeWindowManager.h"
#include "cefclient/WindowEventHandler.h"
#include "foundation/log/testing.h"
#include "veltranelib/testing.h"

using cefclient_messages::windowMessage;
using veltranelib::testing::stateOf;

namespace {

struct Report {
    std::string windowID;
    std::string kind;  // "command:<word>", "allActive:<0|1>", "modal:<0|1>"
    bool operator==(const Report&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Report& report) {
    return out << report.windowID << '/' << report.kind;
}

// Every registry report carries the window id and exactly one sub-message.
Report describe(const windowMessage& message) {
    windowMessage only;
    only.set_windowid(message.windowid());
    Report report{message.windowid(), "?"};
    if (message.has_setcommand()) {
        *only.mutable_setcommand() = message.setcommand();
        report.kind = "command:" + message.setcommand().command();
    } else if (message.has_setallwindowsactivated()) {
        *only.mutable_setallwindowsactivated() = message.setallwindowsactivated();
        report.kind = std::string("allActive:") + (message.setallwindowsactivated().activate() ? "1" : "0");
    } else if (message.has_setwindowmodal()) {
        *only.mutable_setwindowmodal() = message.setwindowmodal();
        report.kind = std::string("modal:") + (message.setwindowmodal().modal() ? "1" : "0");
    }
    EXPECT_EQ(message.SerializeAsString(), only.SerializeAsString()) << "report with more than one field";
    return report;
}

int count(const std::vector<Report>& reports, const Report& wanted) {
    return static_cast<int>(std::count(reports.begin(), reports.end(), wanted));
}

class WindowRegistryTest : public harness::BridgeTest {
protected:
    scoped_refptr<NativeWindow> window(const std::string& id) {
        scoped_refptr<window_notifier::IVeltraneInterface> sink(new WindowEventHandler(id, true));
        return NativeWindow::makeNativeWindow(id, true, sink, "", "");
    }

    scoped_refptr<NativeWindow> registered(const std::string& id) {
        auto w = window(id);
        manager.registerWebWindow(w);
        return w;
    }

    std::vector<Report> reports() {
        runUiTasks();
        std::vector<Report> result;
        for (const auto& message : sent()) result.push_back(describe(message));
        return result;
    }

    std::uint16_t levelOf(const scoped_refptr<NativeWindow>& w) { return manager.windowInfo(w)->modalityLevel; }

    NativeWindowManager manager{true};
};

}  // namespace

TEST_F(WindowRegistryTest, RegisteringTwiceKeepsTheFirstRecord) {
    auto a = registered("a");
    auto m = registered("m");
    manager.setDeactivateAllButThis(m, true);
    manager.registerWebWindow(a);
    ASSERT_TRUE(manager.windowInfo(a));
    EXPECT_EQ(levelOf(a), 0);
    EXPECT_FALSE(manager.windowInfo(a)->active);
}

TEST_F(WindowRegistryTest, WindowRegisteredUnderModalWindowsLivesAtTheirLevelAndTheLogSaysSo) {
    foundation::log::testing::record_capture capture;
    auto& modality = veltrane_log::modalityLogger();
    modality.set_mask(4);
    registered("a");
    manager.setDeactivateAllButThis(registered("m1"), true);
    manager.setDeactivateAllButThis(registered("m2"), true);
    auto late = registered("late");
    modality.set_mask(0);
    EXPECT_EQ(levelOf(late), 2);
    EXPECT_TRUE(manager.windowInfo(late)->active);
    bool logged = false;
    for (const auto& record : capture.records("nativewindowmanager::modality")) {
        if (record.message.find("Registering a new window at modality level: 2 for window: 0x") != std::string::npos)
            logged = record.message.rfind("cefclient\\src\\cefclient\\NativeWindowManager:", 0) == 0;
    }
    EXPECT_TRUE(logged);
}

TEST_F(WindowRegistryTest, MakingAWindowModalDisablesTheOthersAndReportsIt) {
    auto a = registered("a");
    auto b = registered("b");
    auto m = registered("m");
    reports();
    manager.setDeactivateAllButThis(m, true);
    const auto sentReports = reports();
    EXPECT_EQ(count(sentReports, {"a", "command:setDeactivateCurrentWindow"}), 1);
    EXPECT_EQ(count(sentReports, {"b", "command:setDeactivateCurrentWindow"}), 1);
    EXPECT_EQ(count(sentReports, {"m", "modal:1"}), 1);
    EXPECT_EQ(sentReports.size(), 3u);
    EXPECT_TRUE(stateOf(a).disabled);
    EXPECT_TRUE(stateOf(b).disabled);
    EXPECT_FALSE(stateOf(m).disabled);
    EXPECT_TRUE(stateOf(m).modal);
    EXPECT_EQ(manager.modalityLevel(), 1);
    EXPECT_EQ(levelOf(m), 1);
    EXPECT_EQ(manager.modalWindows(), std::vector<scoped_refptr<NativeWindow>>{m});
}

TEST_F(WindowRegistryTest, DeregisteringAnOrdinaryWindowOnlyDropsItsRecord) {
    auto a = registered("a");
    auto m = registered("m");
    manager.setDeactivateAllButThis(m, true);
    reports();
    manager.deregisterWebWindow(a);
    EXPECT_TRUE(reports().empty());
    EXPECT_FALSE(manager.windowInfo(a));
    EXPECT_EQ(manager.modalityLevel(), 1);
    manager.deregisterWebWindow(window("never-registered"));
    EXPECT_TRUE(reports().empty());
}

TEST_F(WindowRegistryTest, ClosingTheOnlyModalWindowActivatesEveryoneThenEnablesTheRestOnceMore) {
    auto a = registered("a");
    auto m = registered("m");
    manager.setDeactivateAllButThis(m, true);
    reports();
    manager.deregisterWebWindow(m);
    const auto sentReports = reports();
    EXPECT_EQ(manager.modalityLevel(), 0);
    EXPECT_TRUE(manager.modalWindows().empty());
    EXPECT_FALSE(manager.windowInfo(m));
    // Both windows qualify (level >= 0) and each activation reports all-active for both; then the re-enable pass.
    EXPECT_EQ(count(sentReports, {"a", "command:setActivateCurrentWindow"}), 2);
    EXPECT_EQ(count(sentReports, {"m", "command:setActivateCurrentWindow"}), 1);
    EXPECT_EQ(count(sentReports, {"a", "allActive:1"}) + count(sentReports, {"a", "allActive:0"}), 2);
    EXPECT_EQ(sentReports.size(), 7u);
    EXPECT_EQ(sentReports.back(), (Report{"a", "command:setActivateCurrentWindow"}));
    EXPECT_FALSE(stateOf(a).disabled);
    EXPECT_TRUE(manager.windowInfo(a)->active);
}

TEST_F(WindowRegistryTest, ClosingTheTopModalWindowBringsTheNextOneForwardWithoutReEnabling) {
    auto a = registered("a");
    auto m1 = registered("m1");
    manager.setDeactivateAllButThis(m1, true);
    auto m2 = registered("m2");
    manager.setDeactivateAllButThis(m2, true);
    EXPECT_EQ(levelOf(m2), 2);
    reports();
    manager.deregisterWebWindow(m2);
    const auto sentReports = reports();
    ASSERT_GE(sentReports.size(), 2u);
    EXPECT_EQ(sentReports[0], (Report{"m1", "command:bringToFront"}));
    EXPECT_EQ(sentReports[1], (Report{"m1", "command:setActivateCurrentWindow"}));
    EXPECT_EQ(count(sentReports, {"a", "command:setActivateCurrentWindow"}), 0);
    EXPECT_EQ(manager.modalityLevel(), 1);
    EXPECT_EQ(manager.modalWindows(), std::vector<scoped_refptr<NativeWindow>>{m1});
    EXPECT_EQ(levelOf(m1), 1);
    EXPECT_EQ(levelOf(a), 0);
}

TEST_F(WindowRegistryTest, ClosingAModalWindowBelowTheTopOnlyShiftsLevels) {
    auto a = registered("a");
    auto m1 = registered("m1");
    manager.setDeactivateAllButThis(m1, true);
    auto m2 = registered("m2");
    manager.setDeactivateAllButThis(m2, true);
    reports();
    manager.deregisterWebWindow(m1);
    EXPECT_TRUE(reports().empty());
    EXPECT_EQ(manager.modalityLevel(), 1);
    EXPECT_EQ(manager.modalWindows(), std::vector<scoped_refptr<NativeWindow>>{m2});
    EXPECT_EQ(levelOf(m2), 1);
    EXPECT_EQ(levelOf(a), 0);
}

TEST_F(WindowRegistryTest, ModalRequestForAnUnregisteredWindowDisablesEveryoneWithoutModalReport) {
    auto a = registered("a");
    auto b = registered("b");
    reports();
    manager.setDeactivateAllButThis(window("stranger"), true);
    const auto sentReports = reports();
    EXPECT_EQ(sentReports.size(), 2u);
    EXPECT_EQ(count(sentReports, {"a", "command:setDeactivateCurrentWindow"}), 1);
    EXPECT_EQ(count(sentReports, {"b", "command:setDeactivateCurrentWindow"}), 1);
    EXPECT_EQ(manager.modalityLevel(), 0);
    EXPECT_TRUE(stateOf(a).disabled);
}

TEST_F(WindowRegistryTest, EndingModalityReEnablesOthersEvenWithAnotherModalWindowOpen) {
    auto a = registered("a");
    auto m1 = registered("m1");
    manager.setDeactivateAllButThis(m1, true);
    auto m2 = registered("m2");
    manager.setDeactivateAllButThis(m2, true);
    reports();
    manager.setDeactivateAllButThis(m2, false);
    const auto sentReports = reports();
    EXPECT_EQ(count(sentReports, {"a", "command:setActivateCurrentWindow"}), 1);
    EXPECT_EQ(count(sentReports, {"m1", "command:setActivateCurrentWindow"}), 1);
    EXPECT_EQ(count(sentReports, {"m2", "modal:0"}), 1);
    EXPECT_FALSE(stateOf(a).disabled);
    EXPECT_FALSE(stateOf(m2).modal);
    EXPECT_EQ(manager.modalityLevel(), 1);
    EXPECT_EQ(manager.modalWindows(), std::vector<scoped_refptr<NativeWindow>>{m1});
}

TEST_F(WindowRegistryTest, ClearingModalityAtLevelZeroLeavesTheLevelAtZero) {
    auto a = registered("a");
    manager.setDeactivateAllButThis(a, false);
    EXPECT_EQ(manager.modalityLevel(), 0);
    EXPECT_EQ(levelOf(a), 0);
    auto late = registered("late");
    EXPECT_EQ(levelOf(late), 0);
}

TEST_F(WindowRegistryTest, ActivatingAnUnregisteredWindowStillReportsAllActiveOverTheFlags) {
    auto a = registered("a");
    auto b = registered("b");
    manager.setActivateWindow(a, false);
    reports();
    EXPECT_FALSE(manager.windowInfo(a)->active);
    manager.setActivateWindow(window("stranger"), true);
    const auto sentReports = reports();
    EXPECT_EQ(sentReports.size(), 2u);
    EXPECT_EQ(count(sentReports, {"a", "allActive:0"}), 1);
    EXPECT_EQ(count(sentReports, {"b", "allActive:0"}), 1);
    EXPECT_FALSE(stateOf(b).allWindowsActive);
}

TEST_F(WindowRegistryTest, ActivatingAllWindowsReportsPerWindowAndLeavesFlags) {
    manager.setActivateAllWindows(false);
    EXPECT_TRUE(reports().empty());
    auto a = registered("a");
    manager.setActivateAllWindows(false);
    const auto sentReports = reports();
    EXPECT_EQ(sentReports, (std::vector<Report>{{"a", "command:setDeactivateCurrentWindow"}, {"a", "allActive:0"}}));
    EXPECT_TRUE(stateOf(a).disabled);
    EXPECT_TRUE(manager.windowInfo(a)->active);
}

TEST_F(WindowRegistryTest, OperationsFromSeveralThreadsKeepTheRegistryConsistent) {
    std::vector<scoped_refptr<NativeWindow>> windows;
    for (int i = 0; i < 8; ++i) windows.push_back(window("t" + std::to_string(i)));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                auto& mine = windows[t * 2 + round % 2];
                manager.registerWebWindow(mine);
                manager.setDeactivateAllButThis(mine, true);
                manager.setActivateAllWindows(round % 3 == 0);
                manager.deregisterWebWindow(mine);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_TRUE(manager.modalWindows().empty());
    EXPECT_EQ(manager.modalityLevel(), 0);
    reports();
}
