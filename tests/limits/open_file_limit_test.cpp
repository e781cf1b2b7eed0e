// Runs in a process of its own: the test lowers the process's open-file limit.
#include "app/open_file_limit.h"

#include <string>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "net/curl_session.h"
#include "store/list_files.h"
#include "support/fake_message_box.h"
#include "support/file_worker_fixture.h"
#include "support/test_http_server.h"

namespace {

constexpr std::uint64_t kLoweredLimit = 128;
constexpr int kTransfers = 40;

void LowerOpenFileLimit(std::uint64_t limit) {
    const rlimit lowered{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
}

std::string Body(int index) { return std::string(4000, static_cast<char>('a' + index)); }

class OpenFileLimitTest : public FileWorkerFixture {};

// More transfers than the descriptors allow: those beyond the budget fail at
// once with a text that names the cause and stay requested; the others, and
// the list files' save meanwhile, are not disturbed.
TEST_F(OpenFileLimitTest, TransfersBeyondTheLimitFailAtOnceAndNothingElseDoes) {
    LowerOpenFileLimit(kLoweredLimit);
    const OpenFileLimit limit = RaiseOpenFileLimit();  // the hard limit holds it down
    EXPECT_EQ(limit.soft, kLoweredLimit);
    EXPECT_NE(limit.shortfall.find("open-file limit is 128"), std::string::npos) << limit.shortfall;

    TestHttpServer server;
    CurlSessionSettings settings;
    settings.descriptors = std::make_shared<DescriptorBudget>(limit.soft);
    const int running = static_cast<int>(settings.descriptors->Capacity() / DescriptorBudget::kPerSession);
    ASSERT_LT(running, kTransfers);
    const std::string exhausted = settings.descriptors->ExhaustedMessage();
    sessions = CurlSessionFactory(settings);
    for (int i = 0; i < kTransfers; ++i) {
        const std::string target = "/f" + std::to_string(i) + ".zip";
        server.Route(target, TestHttpReply::Cut(TestReplyEnding::kStall, Body(i), 1000));
        store.RequestedFiles.AppendUrl(server.Url(target));
    }
    window.Show(store.RequestedFiles);
    for (FakeWindow::Row& row : window.rows) row.selected = true;
    StartSelected();

    const auto failed = [&] {
        int count = 0;
        for (int i = 0; i < store.RequestedFiles.Count(); ++i)
            count += store.RequestedFiles.GetAt(i)->status == exhausted;
        return count;
    };
    ASSERT_TRUE(executor.RunUntil([&] { return failed() == kTransfers - running; }));
    ASSERT_TRUE(
        executor.RunUntil([&] { return server.StalledCount() >= static_cast<std::size_t>(running); }));
    FakeMessageBox messages;
    EXPECT_TRUE(SaveLists(store, messages));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(folder.Exists("reqsoft.data"));

    server.ReleaseStalled();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(store.DownloadedFiles.Count(), running);
    EXPECT_EQ(store.RequestedFiles.Count(), kTransfers - running);
    EXPECT_EQ(failed(), kTransfers - running);
    for (int i = 0; i < store.DownloadedFiles.Count(); ++i) {
        const std::string url = store.DownloadedFiles.GetAt(i)->url.Str();
        const int index = std::stoi(url.substr(url.rfind("/f") + 2));
        EXPECT_TRUE(folder.Read("Software/f" + std::to_string(index) + ".zip") == Body(index)) << url;
    }
}

}  // namespace
