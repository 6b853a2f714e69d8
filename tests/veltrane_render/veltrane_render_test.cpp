// The real program with the web engine, under a display, driven over its pipe against pages served on 127.0.0.1.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "HostMessages.h"
#include "PageServer.h"
#include "VeltraneChild.h"
#include "cefclient_messages.pb.h"

using cefclient_messages::windowMessage;
using veltrane_host::commandMessage;
using veltrane_host::positionMessage;
using veltrane_host::scriptMessage;
using veltrane_render::TlsIdentity;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr auto kReadTimeout = 20s;
constexpr char kPageTitle[] = "Veltrane render page";
constexpr char kPageWords[] = "Veltrane renders these words";
const QColor kBlockColour(0, 200, 0);
constexpr int kBlockWidth = 120;
constexpr int kBlockHeight = 80;
constexpr char kDownloadBody[] = "bytes that the engine downloads";

std::string renderPage() {
    return std::string("<!DOCTYPE html><html><head><title>") + kPageTitle +
           "</title></head><body style='margin:0;background:#ffffff'>"
           "<div style='position:absolute;left:0;top:0;width:120px;height:80px;background:rgb(0,200,0)'></div>"
           "<p style='position:absolute;left:10px;top:120px;font-size:24px'>" +
           kPageWords + "</p></body></html>";
}

windowMessage printMessage(const std::string& id, const fs::path& pdf) {
    windowMessage message;
    message.set_windowid(id);
    message.mutable_printtopdf()->set_path(pdf.string());
    return message;
}

windowMessage proxyCredentialsMessage(const std::string& user, const std::string& password) {
    windowMessage message;
    message.set_windowid("");
    message.mutable_proxyauth()->set_username(user);
    message.mutable_proxyauth()->set_password(password);
    return message;
}

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string pdfText(const fs::path& pdf) {
    const std::string call = "pdftotext '" + pdf.string() + "' - 2>/dev/null";
    FILE* pipe = ::popen(call.c_str(), "r");
    if (!pipe) return {};
    std::string text;
    char chunk[4096];
    while (const std::size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) text.append(chunk, got);
    ::pclose(pipe);
    return text;
}

bool near(const QColor& seen, const QColor& expected) {
    constexpr int kTolerance = 8;
    return std::abs(seen.red() - expected.red()) <= kTolerance &&
           std::abs(seen.green() - expected.green()) <= kTolerance &&
           std::abs(seen.blue() - expected.blue()) <= kTolerance;
}

class VeltraneRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under a display, e.g. xvfb-run -a";
        server.serve("/page.html", {"text/html", renderPage()});
        server.serve("/popup.html", {"text/html", "<title>Veltrane pop-up</title><p>pop-up</p>"});
        server.serve("/files/report.bin", {"application/octet-stream", kDownloadBody});
        folder = fs::temp_directory_path() / ("veltrane_render_" + std::to_string(::getpid()) + "_" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }

    // Starts the program; engineSwitches, when given, go to the engine.
    void start(const std::string& engineSwitches = "") {
        if (!engineSwitches.empty()) ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", engineSwitches.c_str(), 1);
        child = std::make_unique<veltrane_host::ChildProcess>(VELTRANE_BINARY,
                                                              std::vector<std::string>{"--from-webwindow"});
        ::unsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        ASSERT_EQ(child->receive(kReadTimeout), "ProcessCreated");
    }

    void TearDown() override {
        child.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    void send(const windowMessage& message) { ASSERT_TRUE(child->send(message.SerializeAsString())); }

    void allowCertificate(const std::string& certificateFile) {
        windowMessage allow;
        allow.set_windowid("");
        allow.mutable_allowcertificate()->set_certificate(readFile(certificateFile));
        send(allow);
    }

    // Reads window messages until one satisfies the predicate; fails on timeout.
    template <class Predicate>
    windowMessage awaitMessage(const std::string& what, Predicate predicate) {
        for (;;) {
            auto frame = child->receive(kReadTimeout);
            if (!frame) {
                ADD_FAILURE() << "did not hear " << what;
                return {};
            }
            windowMessage message;
            if (message.ParseFromString(*frame) && predicate(message)) return message;
        }
    }

    windowMessage awaitCommand(const std::string& id, const std::string& word) {
        return awaitMessage(id + " " + word, [&](const windowMessage& m) {
            return m.windowid() == id && m.has_setcommand() && m.setcommand().command() == word;
        });
    }

    // Starts the program with every page coming through the proxy, which wants credentials.
    void startBehind(veltrane_render::PageServer& proxy) {
        proxy.serve("/page.html", {"text/html", renderPage()});
        proxy.requireProxyCredentials("proxy user", "proxy secret");
        start("--proxy-server=http://127.0.0.1:" + std::to_string(proxy.port()));
    }

    void openPage(const std::string& id, const std::string& url) {
        send(veltrane_host::newWindowMessage(id, url, 0, 0, 640, 480));
        awaitCommand(id, "loadFinished");
    }
    void openPage(const std::string& id) { openPage(id, server.url("/page.html")); }

    // The last window closed: the pipes close and the program ends well.
    void expectProcessEnd() {
        for (;;) {
            auto frame = child->receive(kReadTimeout);
            ASSERT_TRUE(frame) << "closePipes never came";
            if (*frame == "closePipes") break;
        }
        EXPECT_EQ(child->waitForExit(kReadTimeout), 0);
    }

    void downloadInto(const std::string& id, const fs::path& where) {
        windowMessage message;
        message.set_windowid(id);
        message.mutable_setdownloaddir()->set_path(where.string());
        send(message);
    }

    std::string scriptResult(const std::string& id, const std::string& text) {
        send(scriptMessage(id, text));
        return awaitMessage("a script result", [&](const windowMessage& m) {
                   return m.windowid() == id && m.has_javascriptreturn();
               })
            .javascriptreturn()
            .jsvalue();
    }

    // The page learns of a new size a little later than the window: asks until the answer is the expected one.
    std::string settledScriptResult(const std::string& id, const std::string& text, const std::string& expected) {
        std::string result;
        for (int attempt = 0; attempt < 50 && result != expected; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(100ms);
            result = scriptResult(id, text);
        }
        return result;
    }

    std::array<int, 4> position(const std::string& id) {
        send(commandMessage(id, "GetPosition"));
        const auto where = awaitMessage(
            "the position", [&](const windowMessage& m) { return m.windowid() == id && m.has_getposition(); });
        const auto& p = where.getposition();
        return {p.x(), p.y(), p.width(), p.height()};
    }

    QImage screenshot(const std::string& id) {
        send(commandMessage(id, "getScreenshot"));
        const windowMessage shot = awaitMessage(
            "the screenshot", [&](const windowMessage& m) { return m.windowid() == id && m.has_screenshot(); });
        const std::string& png = shot.screenshot().imagedata();
        QImage picture =
            QImage::fromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG");
        EXPECT_EQ(picture.width(), shot.screenshot().width());
        EXPECT_EQ(picture.height(), shot.screenshot().height());
        return picture;
    }

    veltrane_render::PageServer server;
    fs::path folder;
    std::unique_ptr<veltrane_host::ChildProcess> child;
};

TEST_F(VeltraneRenderTest, LoadReportsStartFinishTitleAndAddress) {
    start();
    send(veltrane_host::newWindowMessage("w", server.url("/page.html"), 0, 0, 640, 480));
    awaitCommand("w", "loadStarted");
    const windowMessage title = awaitMessage("the page's title", [](const windowMessage& m) {
        return m.windowid() == "w" && m.has_settitle() && m.settitle().title() == kPageTitle;
    });
    EXPECT_EQ(title.settitle().title(), kPageTitle);
    awaitCommand("w", "loadFinished");
    const windowMessage address =
        awaitMessage("the page's address", [](const windowMessage& m) { return m.has_updateurl(); });
    EXPECT_EQ(address.updateurl().url(), server.url("/page.html"));
}

TEST_F(VeltraneRenderTest, ScriptResultsAndErrorsAreReported) {
    start();
    openPage("w");
    const auto awaitResult = [&] {
        return awaitMessage("a script result", [](const windowMessage& m) { return m.has_javascriptreturn(); })
            .javascriptreturn();
    };
    send(scriptMessage("w", "6*7"));
    auto result = awaitResult();
    EXPECT_FALSE(result.waserror());
    EXPECT_EQ(result.jsvalue(), "42");

    send(scriptMessage("w", "document.title"));
    result = awaitResult();
    EXPECT_FALSE(result.waserror());
    EXPECT_EQ(result.jsvalue(), kPageTitle);

    send(scriptMessage("w", "({answer: [1, 'two']})"));
    EXPECT_EQ(awaitResult().jsvalue(), R"({"answer":[1,"two"]})");

    send(scriptMessage("w", "throw new Error('broken on purpose')"));
    result = awaitResult();
    EXPECT_TRUE(result.waserror());
    EXPECT_NE(result.jsvalue().find("broken on purpose"), std::string::npos) << result.jsvalue();

    send(scriptMessage("w", "this is not script"));
    result = awaitResult();
    EXPECT_TRUE(result.waserror());
    EXPECT_NE(result.jsvalue().find("SyntaxError"), std::string::npos) << result.jsvalue();
}

TEST_F(VeltraneRenderTest, ScriptsRunOnPagesThatForbidEvaluatingText) {
    server.serve("/strict.html", {"text/html",
                                  "<meta http-equiv='Content-Security-Policy' content=\"script-src 'self'\">"
                                  "<title>Strict page</title>"});
    start();
    openPage("w", server.url("/strict.html"));
    EXPECT_EQ(scriptResult("w", "6*7"), "42");
    EXPECT_EQ(scriptResult("w", "document.title"), "Strict page");
    EXPECT_EQ(scriptResult("w", "[1, 'two', null]"), R"([1,"two",null])");
    // Run once only.
    EXPECT_EQ(scriptResult("w", "window.runs = (window.runs || 0) + 1"), "1");
    EXPECT_EQ(scriptResult("w", "window.runs"), "1");
}

TEST_F(VeltraneRenderTest, PdfHoldsThePageWords) {
    start();
    openPage("w");
    const fs::path pdf = folder / "page.pdf";
    send(printMessage("w", pdf));
    const windowMessage done = awaitMessage("the PDF result", [](const windowMessage& m) { return m.has_pdfevent(); });
    ASSERT_TRUE(done.pdfevent().success());
    EXPECT_EQ(readFile(pdf).rfind("%PDF", 0), 0u);
    EXPECT_NE(pdfText(pdf).find(kPageWords), std::string::npos);

    send(printMessage("w", folder / "no such folder" / "page.pdf"));
    EXPECT_FALSE(awaitMessage("the failed PDF result", [](const windowMessage& m) { return m.has_pdfevent(); })
                     .pdfevent()
                     .success());
}

TEST_F(VeltraneRenderTest, ScreenshotHoldsThePaintedBlock) {
    start();
    openPage("w");
    const QImage picture = screenshot("w");
    ASSERT_FALSE(picture.isNull());
    ASSERT_GT(picture.width(), kBlockWidth * 2);
    ASSERT_GT(picture.height(), kBlockHeight * 2);
    EXPECT_TRUE(near(picture.pixelColor(10, 10), kBlockColour)) << picture.pixelColor(10, 10).name().toStdString();
    EXPECT_TRUE(near(picture.pixelColor(kBlockWidth - 5, kBlockHeight - 5), kBlockColour));
    EXPECT_TRUE(near(picture.pixelColor(kBlockWidth + 20, 10), Qt::white));
    EXPECT_TRUE(near(picture.pixelColor(10, kBlockHeight + 20), Qt::white));
}

TEST_F(VeltraneRenderTest, DownloadLandsInTheDownloadFolder) {
    start();
    openPage("w");
    downloadInto("w", folder);
    send(scriptMessage("w", "location.href = '/files/report.bin'"));
    const windowMessage done = awaitMessage("the finished download", [](const windowMessage& m) {
        return m.has_setdownload() && m.setdownload().status() == "completed";
    });
    EXPECT_EQ(done.windowid(), "w");
    EXPECT_EQ(fs::path(done.setdownload().filepath()), folder / "report.bin");
    EXPECT_EQ(readFile(folder / "report.bin"), kDownloadBody);
}

TEST_F(VeltraneRenderTest, StoppedDownloadIsCancelled) {
    server.serve("/files/endless.bin", {"application/octet-stream", std::string(1 << 20, 'x'), 1024});
    start();
    openPage("w");
    downloadInto("w", folder);
    send(scriptMessage("w", "location.href = '/files/endless.bin'"));
    const auto download = [](const std::string& status) {
        return [status](const windowMessage& m) { return m.has_setdownload() && m.setdownload().status() == status; };
    };
    awaitMessage("the started download", download("started"));
    send(commandMessage("w", "stopDownload"));
    const windowMessage stopped = awaitMessage("the cancelled download", download("cancelled"));
    EXPECT_EQ(stopped.windowid(), "w");
    EXPECT_EQ(fs::path(stopped.setdownload().filepath()), folder / "endless.bin");
    EXPECT_FALSE(fs::exists(folder / "endless.bin"));
}

TEST_F(VeltraneRenderTest, PopUpOpenedByThePageIsReportedAndLoads) {
    start();
    openPage("opener");
    send(scriptMessage("opener", "window.open('/popup.html'); 'opened'"));
    const windowMessage popUp =
        awaitMessage("the pop-up report", [](const windowMessage& m) { return m.has_popupwindow(); });
    EXPECT_EQ(popUp.windowid(), "opener");
    EXPECT_EQ(popUp.popupwindow().url(), server.url("/popup.html"));
    EXPECT_TRUE(popUp.popupwindow().ispopup());
    const std::string popUpID = popUp.popupwindow().newwindowid();
    ASSERT_FALSE(popUpID.empty());
    EXPECT_NE(popUpID, "opener");
    awaitMessage("the pop-up's title", [&](const windowMessage& m) {
        return m.windowid() == popUpID && m.has_settitle() && m.settitle().title() == "Veltrane pop-up";
    });
    // The pop-up is a window of its own: it answers scripts under its new ID.
    send(scriptMessage(popUpID, "document.title"));
    const windowMessage answer = awaitMessage("the pop-up's script result", [&](const windowMessage& m) {
        return m.windowid() == popUpID && m.has_javascriptreturn();
    });
    EXPECT_EQ(answer.javascriptreturn().jsvalue(), "Veltrane pop-up");
}

TEST_F(VeltraneRenderTest, PopUpTakesThePlaceItsOpenerAskedFor) {
    start();
    openPage("opener");
    send(scriptMessage("opener", "window.open('/popup.html', '', 'left=15,top=25,width=320,height=240'); 'opened'"));
    const windowMessage popUp =
        awaitMessage("the pop-up report", [](const windowMessage& m) { return m.has_popupwindow(); });
    const std::string popUpID = popUp.popupwindow().newwindowid();
    awaitCommand(popUpID, "loadFinished");
    EXPECT_EQ(position(popUpID), (std::array<int, 4>{15, 25, 320, 240}));
}

TEST_F(VeltraneRenderTest, FocusFollowsTheWindowBroughtToFront) {
    start();
    openPage("first");
    openPage("second");
    send(commandMessage("first", "bringToFront"));
    awaitCommand("first", "WindowGained");
    send(commandMessage("second", "bringToFront"));
    // The two reports come in either order.
    bool firstLost = false;
    bool secondGained = false;
    while (!(firstLost && secondGained) && !::testing::Test::HasFailure()) {
        const windowMessage m = awaitMessage("the change of focus", [](const windowMessage& m) {
            return m.has_setcommand() && m.setcommand().command().rfind("Window", 0) == 0;
        });
        firstLost = firstLost || (m.windowid() == "first" && m.setcommand().command() == "WindowLost");
        secondGained = secondGained || (m.windowid() == "second" && m.setcommand().command() == "WindowGained");
    }
}

TEST_F(VeltraneRenderTest, PopUpThatClosesItselfGoesThroughTheUsersClose) {
    start();
    openPage("opener");
    send(scriptMessage("opener", "window.open('/popup.html'); 'opened'"));
    const std::string popUpID =
        awaitMessage("the pop-up report", [](const windowMessage& m) { return m.has_popupwindow(); })
            .popupwindow()
            .newwindowid();
    awaitCommand(popUpID, "loadFinished");
    send(scriptMessage(popUpID, "window.close(); 'closing'"));
    awaitCommand(popUpID, "windowClosingEvent");
    send(scriptMessage(popUpID, "'still open'"));
    send(scriptMessage("opener", "'opener open'"));
    const windowMessage answer =
        awaitMessage("a script result", [&](const windowMessage& m) {
            return m.has_javascriptreturn() && m.javascriptreturn().jsvalue() != "closing";
        });
    EXPECT_EQ(answer.windowid(), "opener");
    EXPECT_EQ(answer.javascriptreturn().jsvalue(), "opener open");
}

TEST_F(VeltraneRenderTest, FloodOfScriptsIsAnsweredInOrder) {
    start();
    openPage("w");
    constexpr int kScripts = 300;
    for (int i = 0; i < kScripts; ++i) send(scriptMessage("w", std::to_string(i) + " + ''"));
    for (int i = 0; i < kScripts; ++i) {
        const windowMessage answer =
            awaitMessage("a script result", [](const windowMessage& m) { return m.has_javascriptreturn(); });
        ASSERT_EQ(answer.javascriptreturn().jsvalue(), std::to_string(i));
    }
}

TEST_F(VeltraneRenderTest, ClosingWithWorkUnderWayEndsCleanly) {
    server.serve("/files/endless.bin", {"application/octet-stream", std::string(1 << 20, 'x'), 1024});
    start();
    openPage("w");
    downloadInto("w", folder);
    send(scriptMessage("w", "location.href = '/files/endless.bin'"));
    awaitMessage("the started download",
                 [](const windowMessage& m) { return m.has_setdownload() && m.setdownload().status() == "started"; });
    send(printMessage("w", folder / "late.pdf"));
    send(commandMessage("w", "getScreenshot"));
    send(scriptMessage("w", "1"));
    send(commandMessage("w", "close"));
    expectProcessEnd();
}

TEST_F(VeltraneRenderTest, ClosedWindowIsGoneAndTheLastEndsTheProcess) {
    start();
    openPage("first");
    openPage("second");
    const auto awaitResult = [&] {
        return awaitMessage("a script result", [](const windowMessage& m) { return m.has_javascriptreturn(); });
    };
    send(commandMessage("first", "close"));
    // Commands run in order: once the second window answers, the first is closed.
    send(scriptMessage("second", "'before'"));
    EXPECT_EQ(awaitResult().javascriptreturn().jsvalue(), "before");
    // A closed window answers nothing; the other still does.
    send(scriptMessage("first", "1"));
    send(scriptMessage("second", "'still here'"));
    const windowMessage answer = awaitResult();
    EXPECT_EQ(answer.windowid(), "second");
    EXPECT_EQ(answer.javascriptreturn().jsvalue(), "still here");

    send(commandMessage("second", "close"));
    expectProcessEnd();
}

TEST_F(VeltraneRenderTest, GeometryIsTheRealWindows) {
    start();
    openPage("w");
    send(positionMessage("w", 30, 40, 500, 300));
    EXPECT_EQ(position("w"), (std::array<int, 4>{30, 40, 500, 300}));
    // The page itself sees the new size, and so does the picture.
    EXPECT_EQ(settledScriptResult("w", "innerWidth + 'x' + innerHeight", "500x300"), "500x300");
    const QImage picture = screenshot("w");
    EXPECT_EQ(picture.width(), 500);
    EXPECT_EQ(picture.height(), 300);
}

TEST_F(VeltraneRenderTest, RenderProcessThatDiesIsReported) {
    start();
    openPage("w");
    // The engine's own address for ending a page's render process.
    windowMessage load;
    load.set_windowid("w");
    load.mutable_seturl()->set_url("chrome://kill");
    send(load);
    const windowMessage exit = awaitMessage("the render process exit", [](const windowMessage& m) {
        return m.windowid() == "w" && m.has_renderprocessexit();
    });
    EXPECT_NE(exit.renderprocessexit().status(), 0);
    // The window lives on: a new load brings a new render process.
    load.mutable_seturl()->set_url(server.url("/page.html"));
    send(load);
    awaitCommand("w", "loadFinished");
    EXPECT_EQ(scriptResult("w", "6*7"), "42");
}

TEST_F(VeltraneRenderTest, SizeLimitsAndResizingHoldTheRealWindow) {
    start();
    openPage("w");
    windowMessage limit;
    limit.set_windowid("w");
    limit.mutable_setmaxsize()->set_maxwidth(300);
    limit.mutable_setmaxsize()->set_maxheight(200);
    send(limit);
    EXPECT_EQ(position("w"), (std::array<int, 4>{0, 0, 300, 200}));
    EXPECT_EQ(settledScriptResult("w", "innerWidth + 'x' + innerHeight", "300x200"), "300x200");

    send(commandMessage("w", "DisableResizing"));
    send(positionMessage("w", 10, 10, 250, 150));
    EXPECT_EQ(position("w"), (std::array<int, 4>{10, 10, 300, 200}));

    // Resizable again, the maximum still holds.
    send(commandMessage("w", "EnableResizing"));
    send(positionMessage("w", 10, 10, 250, 150));
    EXPECT_EQ(position("w"), (std::array<int, 4>{10, 10, 250, 150}));
    send(positionMessage("w", 10, 10, 600, 400));
    EXPECT_EQ(position("w"), (std::array<int, 4>{10, 10, 300, 200}));
}

// A self-signed certificate for 127.0.0.1, made with the openssl tool.
TlsIdentity makeIdentity(const fs::path& folder) {
    const TlsIdentity identity{(folder / "server.pem").string(), (folder / "server.key").string()};
    const std::string call = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
                             "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
                             identity.keyFile + "' -out '" + identity.certificateFile + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(call.c_str()), 0);
    return identity;
}

TEST_F(VeltraneRenderTest, PageFromAnAllowedCertificateLoads) {
    const TlsIdentity identity = makeIdentity(folder);
    veltrane_render::PageServer secure(identity);
    secure.serve("/page.html", {"text/html", renderPage()});
    start();
    allowCertificate(identity.certificateFile);
    openPage("w", secure.url("/page.html"));
    EXPECT_EQ(scriptResult("w", "document.title"), kPageTitle);
}

TEST_F(VeltraneRenderTest, PageFromAnotherCertificateDoesNotLoad) {
    const TlsIdentity identity = makeIdentity(folder);
    veltrane_render::PageServer secure(identity);
    secure.serve("/page.html", {"text/html", renderPage()});
    start();
    // Another certificate is allowed, not the server's.
    fs::create_directories(folder / "other");
    allowCertificate(makeIdentity(folder / "other").certificateFile);
    openPage("w", secure.url("/page.html"));
    EXPECT_NE(scriptResult("w", "document.title"), kPageTitle);
    EXPECT_EQ(scriptResult("w", "document.body.innerText.indexOf('" + std::string(kPageWords) + "')"), "-1");
}

TEST_F(VeltraneRenderTest, ProxyGetsTheCredentialsTheHostSet) {
    veltrane_render::PageServer proxy;
    startBehind(proxy);
    send(proxyCredentialsMessage("proxy user", "proxy secret"));
    openPage("w", "http://pages.veltrane.test/page.html");
    EXPECT_EQ(scriptResult("w", "document.title"), kPageTitle);
    EXPECT_GE(proxy.authorisedRequests(), 1);
}

TEST_F(VeltraneRenderTest, ProxyRejectingTheCredentialsIsNotAskedForever) {
    veltrane_render::PageServer proxy;
    startBehind(proxy);
    send(proxyCredentialsMessage("proxy user", "wrong secret"));
    openPage("w", "http://pages.veltrane.test/page.html");
    EXPECT_NE(scriptResult("w", "document.title"), kPageTitle);
    EXPECT_EQ(proxy.authorisedRequests(), 0);
    EXPECT_LE(proxy.requestCount(), 4);
}

TEST_F(VeltraneRenderTest, ProxyWithoutCredentialsServesNothing) {
    veltrane_render::PageServer proxy;
    startBehind(proxy);
    openPage("w", "http://pages.veltrane.test/page.html");
    EXPECT_NE(scriptResult("w", "document.title"), kPageTitle);
    EXPECT_EQ(proxy.authorisedRequests(), 0);
    EXPECT_LE(proxy.requestCount(), 4);
}

}  // namespace
