#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "aldermoss/cefclient_utils.h"
#include "aldermoss/window_id.h"
#include "cef/app.h"
#include "cef/command_line.h"
#include "platform/command_line.h"
#include "platform/testing.h"
#include "veltranelib/app_startup.h"

namespace {

CefRefPtr<CefCommandLine> parse(const std::vector<std::string>& arguments) {
    CefRefPtr<CefCommandLine> commandLine = CefCommandLine::CreateCommandLine();
    commandLine->InitFromArguments(arguments);
    return commandLine;
}

std::vector<std::string> texts(const std::vector<CefString>& values) {
    std::vector<std::string> result;
    for (const auto& value : values) result.push_back(value.ToString());
    return result;
}

TEST(CommandLine, SwitchesWithAndWithoutValues) {
    auto commandLine = parse({"veltrane", "--from-webwindow", "--processid=42", "--url=http://h/?a=b", "--empty=",
                              "page", "--title=Größe"});
    EXPECT_TRUE(commandLine->HasSwitch("from-webwindow"));
    EXPECT_EQ(commandLine->GetSwitchValue("from-webwindow").ToString(), "");
    EXPECT_EQ(commandLine->GetSwitchValue("processid").ToString(), "42");
    EXPECT_EQ(commandLine->GetSwitchValue("url").ToString(), "http://h/?a=b");
    EXPECT_TRUE(commandLine->HasSwitch("empty"));
    EXPECT_EQ(commandLine->GetSwitchValue("title").ToString16(), u"Größe");
    EXPECT_FALSE(commandLine->HasSwitch("Processid"));
    EXPECT_FALSE(commandLine->HasSwitch("missing"));

    std::vector<CefString> arguments;
    commandLine->GetArguments(arguments);
    EXPECT_EQ(texts(arguments), std::vector<std::string>{"page"});
    EXPECT_EQ(commandLine->GetProgram().ToString(), "veltrane");
}

TEST(CommandLine, SingleDashArgumentsAndArgumentsAfterTheEndMarkAreNotSwitches) {
    auto commandLine = parse({"veltrane", "-NamedPipeHandle", "/tmp/sock", "--", "--listen=x", "--=v"});
    EXPECT_FALSE(commandLine->HasSwitch("NamedPipeHandle"));
    EXPECT_FALSE(commandLine->HasSwitch("listen"));
    std::vector<CefString> arguments;
    commandLine->GetArguments(arguments);
    EXPECT_EQ(texts(arguments), (std::vector<std::string>{"-NamedPipeHandle", "/tmp/sock", "--listen=x", "--=v"}));

    std::vector<CefString> argv;
    commandLine->GetArgv(argv);
    EXPECT_EQ(texts(argv),
              (std::vector<std::string>{"veltrane", "-NamedPipeHandle", "/tmp/sock", "--", "--listen=x", "--=v"}));
}

TEST(CommandLine, LaterValueOfASwitchWins) {
    auto commandLine = parse({"veltrane", "--visible=1", "--visible=0"});
    EXPECT_EQ(commandLine->GetSwitchValue("visible").ToString(), "0");
}

TEST(CommandLine, StartUpCommandLineFollowsTheGivenArgumentsOrTheProcess) {
    const char* const argv[] = {"veltrane", "--using-qt", "-NamedPipeHandle", "/run/host.sock"};
    AppInitCommandLine(4, argv);
    EXPECT_TRUE(AppGetCommandLine()->HasSwitch("using-qt"));
    EXPECT_TRUE(cefclient_utils::isExchangeEnabled());

    {
        platform::testing::ProcessArgumentsOverride arguments({"veltrane", "--from-webwindow"});
        AppInitCommandLine(0, nullptr);
        EXPECT_TRUE(AppGetCommandLine()->HasSwitch("from-webwindow"));
        EXPECT_FALSE(AppGetCommandLine()->HasSwitch("using-qt"));
        EXPECT_FALSE(cefclient_utils::isExchangeEnabled());
    }

    // The handle argument must be whole and exact.
    const char* const lookalikes[] = {"veltrane", "-NamedPipeHandle=x", "--NamedPipeHandle", "-namedpipehandle"};
    AppInitCommandLine(4, lookalikes);
    EXPECT_FALSE(cefclient_utils::isExchangeEnabled());
    // The program itself is not an argument.
    const char* const programOnly[] = {"-NamedPipeHandle"};
    AppInitCommandLine(1, programOnly);
    EXPECT_FALSE(cefclient_utils::isExchangeEnabled());
}

TEST(CommandLine, SubProcessesAreRecognisedByTheirTypeSwitch) {
    char program[] = "veltrane";
    char type[] = "--type=renderer";
    char* subProcess[] = {program, type};
    EXPECT_EQ(CefExecuteProcess(CefMainArgs(2, subProcess), nullptr, nullptr), 0);
    char* browserProcess[] = {program};
    EXPECT_EQ(CefExecuteProcess(CefMainArgs(1, browserProcess), nullptr, nullptr), -1);

    platform::testing::ProcessArgumentsOverride arguments({"veltrane", "--type=gpu-process"});
    EXPECT_EQ(CefExecuteProcess(CefMainArgs(), nullptr, nullptr), 0);
}

TEST(WideCommandLine, SplitsAsTheShellWouldQuote) {
    EXPECT_EQ(platform::splitCommandLine(u"  prog  -NamedPipeHandle \t x "),
              (std::vector<std::u16string>{u"prog", u"-NamedPipeHandle", u"x"}));
    EXPECT_EQ(platform::splitCommandLine(uR"(a "b c" d"e f"g)"), (std::vector<std::u16string>{u"a", u"b c", u"de fg"}));
    EXPECT_EQ(platform::splitCommandLine(uR"(\\\"a \\"b c" d\e)"),
              (std::vector<std::u16string>{uR"(\"a)", uR"(\b c)", uR"(d\e)"}));
    EXPECT_EQ(platform::splitCommandLine(uR"("")"), (std::vector<std::u16string>{u""}));
    EXPECT_TRUE(platform::splitCommandLine(u" \t ").empty());
}

TEST(WideCommandLine, JoinedProcessArgumentsSplitBackUnchanged) {
    const std::vector<std::string> arguments = {"/opt/v/veltrane", "-NamedPipeHandle", "/tmp/with space",
                                                "", R"(quote"inside)", R"(trailing\)", R"(dir with\ )", "ü"};
    platform::testing::ProcessArgumentsOverride override(arguments);
    std::vector<std::u16string> expected;
    for (const auto& argument : arguments) expected.push_back(CefString(argument).ToString16());
    EXPECT_EQ(platform::splitCommandLine(platform::wideCommandLine()), expected);
}

TEST(WindowID, UniqueAcrossThreads) {
    std::vector<std::vector<std::string>> made(4);
    std::vector<std::thread> threads;
    for (auto& ids : made)
        threads.emplace_back([&ids] {
            for (int i = 0; i < 500; ++i) ids.push_back(aldermoss::generateWindowID());
        });
    for (auto& thread : threads) thread.join();
    std::set<std::string> unique;
    for (const auto& ids : made) unique.insert(ids.begin(), ids.end());
    EXPECT_EQ(unique.size(), 2000u);
    EXPECT_FALSE(unique.count(""));
}

}  // namespace
