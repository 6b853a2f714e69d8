// The real program with the web engine, under a display, driven over its pipe against pages served on 127.0.0.1.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "HostMessages.h"
#include "PageServer.h"
#include "VeltraneChild.h"
#include "cefclient_messages.pb.h"

using cefclient_messages::windowMessage;
using veltrane_host::commandMessage;
using veltrane_host::scriptMessage;
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
        child = std::make_unique<veltrane_host::ChildProcess>(VELTRANE_BINARY,
                                                              std::vector<std::string>{"--from-webwindow"});
        ASSERT_EQ(child->receive(kReadTimeout), "ProcessCreated");
    }

    void TearDown() override {
        child.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    void send(const windowMessage& message) { ASSERT_TRUE(child->send(message.SerializeAsString())); }

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

    void openPage(const std::string& id, const std::string& path = "/page.html") {
        send(veltrane_host::newWindowMessage(id, server.url(path), 0, 0, 640, 480));
        awaitCommand(id, "loadFinished");
    }

    veltrane_render::PageServer server;
    fs::path folder;
    std::unique_ptr<veltrane_host::ChildProcess> child;
};

TEST_F(VeltraneRenderTest, LoadReportsStartFinishTitleAndAddress) {
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

TEST_F(VeltraneRenderTest, PdfHoldsThePageWords) {
    openPage("w");
    const fs::path pdf = folder / "page.pdf";
    windowMessage print;
    print.set_windowid("w");
    print.mutable_printtopdf()->set_path(pdf.string());
    send(print);
    const windowMessage done = awaitMessage("the PDF result", [](const windowMessage& m) { return m.has_pdfevent(); });
    ASSERT_TRUE(done.pdfevent().success());
    EXPECT_EQ(readFile(pdf).rfind("%PDF", 0), 0u);
    EXPECT_NE(pdfText(pdf).find(kPageWords), std::string::npos);

    print.mutable_printtopdf()->set_path((folder / "no such folder" / "page.pdf").string());
    send(print);
    EXPECT_FALSE(awaitMessage("the failed PDF result", [](const windowMessage& m) { return m.has_pdfevent(); })
                     .pdfevent()
                     .success());
}

TEST_F(VeltraneRenderTest, ScreenshotHoldsThePaintedBlock) {
    openPage("w");
    send(commandMessage("w", "getScreenshot"));
    const windowMessage shot =
        awaitMessage("the screenshot", [](const windowMessage& m) { return m.has_screenshot(); });
    const std::string& png = shot.screenshot().imagedata();
    const QImage picture = QImage::fromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()),
                                            "PNG");
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.width(), shot.screenshot().width());
    EXPECT_EQ(picture.height(), shot.screenshot().height());
    ASSERT_GT(picture.width(), kBlockWidth * 2);
    ASSERT_GT(picture.height(), kBlockHeight * 2);
    EXPECT_TRUE(near(picture.pixelColor(10, 10), kBlockColour)) << picture.pixelColor(10, 10).name().toStdString();
    EXPECT_TRUE(near(picture.pixelColor(kBlockWidth - 5, kBlockHeight - 5), kBlockColour));
    EXPECT_TRUE(near(picture.pixelColor(kBlockWidth + 20, 10), Qt::white));
    EXPECT_TRUE(near(picture.pixelColor(10, kBlockHeight + 20), Qt::white));
}

TEST_F(VeltraneRenderTest, DownloadLandsInTheDownloadFolder) {
    openPage("w");
    windowMessage where;
    where.set_windowid("w");
    where.mutable_setdownloaddir()->set_path(folder.string());
    send(where);
    send(scriptMessage("w", "location.href = '/files/report.bin'"));
    const windowMessage done = awaitMessage("the finished download", [](const windowMessage& m) {
        return m.has_setdownload() && m.setdownload().status() == "completed";
    });
    EXPECT_EQ(done.windowid(), "w");
    EXPECT_EQ(fs::path(done.setdownload().filepath()), folder / "report.bin");
    EXPECT_EQ(readFile(folder / "report.bin"), kDownloadBody);
}

TEST_F(VeltraneRenderTest, PopUpOpenedByThePageIsReportedAndLoads) {
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

TEST_F(VeltraneRenderTest, ClosedWindowIsGoneAndTheLastEndsTheProcess) {
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
    for (;;) {
        auto frame = child->receive(kReadTimeout);
        ASSERT_TRUE(frame) << "closePipes never came";
        if (*frame == "closePipes") break;
    }
    EXPECT_EQ(child->waitForExit(kReadTimeout), 0);
}

}  // namespace
