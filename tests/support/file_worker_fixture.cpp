#include "support/file_worker_fixture.h"

#include "app/auto_save.h"
#include "app/default_workers.h"
#include "support/fake_message_box.h"

void FileWorkerFixture::Start(const std::string& url) {
    store.RequestedFiles.AppendUrl(url);
    window.Show(store.RequestedFiles);
    window.Select({0});
    StartSelected();
}

void FileWorkerFixture::StartSelected() {
    if (!dispatch) {
        dispatch = std::make_unique<WorkerDispatch>(store, state, window, threads,
                                                    DefaultWorkerProcedures(sessions));
    }
    dispatch->SetOptions(options);
    dispatch->StartWorker();
}

bool FileWorkerFixture::RunUntilDone() {
    return executor.RunUntil([&] { return store.ActiveFileDownloads.Count() == 0; });
}

void FileWorkerFixture::AutoSaveNow() {
    FakeMessageBox messages;
    AutoSave saver(store, messages, {.quiet = {}, .longest = {}});
    ASSERT_TRUE(saver.Poll(AutoSave::Clock::now()));
    EXPECT_TRUE(messages.shown.empty());
}
