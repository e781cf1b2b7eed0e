#include <chrono>
#include <csignal>
#include <functional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/wait.h>

#include "app/gui/dravenet_app.h"
#include "store/item_store.h"
#include "support/fake_message_box.h"
#include "support/temp_folder.h"
#include "support/test_http_server.h"
#include "ui/scripted_dialogs.h"
#include "workers/app_state.h"

extern char** environ;

namespace {

// Waits until the condition holds, looking again whenever a file in the
// folder is written or renamed into place; false when the bound passes first.
bool WaitForFolder(const std::filesystem::path& folder, const std::function<bool()>& condition,
                   std::chrono::seconds bound) {
    const int watch = ::inotify_init1(IN_CLOEXEC);
    if (watch < 0) return false;
    ::inotify_add_watch(watch, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    const auto deadline = std::chrono::steady_clock::now() + bound;
    bool held = condition();
    while (!held && std::chrono::steady_clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd event{watch, POLLIN, 0};
        if (::poll(&event, 1, static_cast<int>(left.count()) + 1) > 0) {
            char drained[4096];
            [[maybe_unused]] const ssize_t ignored = ::read(watch, drained, sizeof drained);
        }
        held = condition();
    }
    ::close(watch);
    return held;
}

pid_t StartProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = -1;
    if (::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return child;
}

TEST(KilledRunTest, FilesAddedAndDownloadedBeforeASigkillAreListedAtTheNextStart) {
    TestHttpServer server;
    const std::string body(5000, 'z');
    server.Route("/tool.zip", TestHttpReply::Ok(body));
    const std::string downloaded = server.Url("/tool.zip");
    const std::string added = "http://127.0.0.1:9/later.zip";
    TempFolder folder;
    folder.Write("reqsoft.data", downloaded + "\n");

    const pid_t program = StartProgram({KILLED_RUN_CHILD, folder.Path().string(), added});
    ASSERT_GT(program, 0);
    // Killed as soon as the running program has saved both changes; without
    // saving while it runs, it never would.
    const bool saved = WaitForFolder(
        folder.Path(),
        [&] {
            return folder.Read("reqsoft.data") == added + "\n" &&
                   folder.Read("dnldsoft.data") == downloaded + "\n";
        },
        std::chrono::seconds(60));
    ::kill(program, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(program, &status, 0), program);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    ASSERT_TRUE(saved);

    ScopedCurrentDirectory inFolder(folder.Path());
    ScriptedDialogs dialogs;
    FakeMessageBox messages;
    CDravenetApp again(FrameServices{&dialogs, &messages, nullptr, [](const QUrl&) {}});
    ASSERT_TRUE(again.InitInstance());
    const ItemStore& store = TheStore();
    ASSERT_EQ(store.RequestedFiles.Count(), 1);
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->url, added);
    ASSERT_EQ(store.DownloadedFiles.Count(), 1);
    EXPECT_EQ(store.DownloadedFiles.GetAt(0)->url, downloaded);
    EXPECT_EQ(folder.Read("Software/tool.zip"), body);
    again.ExitInstance(0);
    TheStore() = ItemStore();
    TheAppState() = AppState();
}

}  // namespace
