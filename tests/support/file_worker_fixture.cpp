#include "support/file_worker_fixture.h"

#include <chrono>

#include "app/default_workers.h"
#include "engine/ftp_file_worker.h"
#include "engine/http_file_worker.h"

void FileWorkerFixture::Start(const std::string& url) {
    store.RequestedFiles.AppendUrl(url);
    window.Show(store.RequestedFiles);
    window.Select({0});
    StartSelected();
}

void FileWorkerFixture::StartSelected() {
    if (!dispatch) {
        WorkerProcedures procedures = DefaultWorkerProcedures(sessions);
        procedures.httpFile = [this](WorkerContext& context) {
            HttpFileWorker(context, sessions, std::chrono::nanoseconds::zero());
        };
        procedures.ftpFile = [this](WorkerContext& context) {
            FtpFileWorker(context, sessions, std::chrono::nanoseconds::zero());
        };
        dispatch = std::make_unique<WorkerDispatch>(store, state, window, threads, procedures);
    }
    dispatch->StartWorker();
}

bool FileWorkerFixture::RunUntilDone() {
    return executor.RunUntil([&] { return store.ActiveFileDownloads.Count() == 0; });
}
