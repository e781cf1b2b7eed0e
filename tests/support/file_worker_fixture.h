#pragma once

#include <string>

#include "net/internet_session.h"
#include "support/worker_fixture.h"

// Requested files downloaded by the real file workers through the dispatch,
// in a current folder of the test's own, with the test's thread as the
// user-interface thread, with the program's own workers and progress
// interval. Tests set `sessions` before the first start.
class FileWorkerFixture : public WorkerFixture {
protected:
    // Adds the address as the newest entry, shows the requested files with
    // it selected (row 0) and starts its worker.
    void Start(const std::string& url);
    // Selected Projects on the rows selected.
    void StartSelected();
    // Runs handed-over steps until no file worker is active.
    bool RunUntilDone();
    // Saves the lists into the current folder as the program's saver does,
    // forgetting the part records of the files finished before.
    void AutoSaveNow();

    InternetSessionFactory sessions;
    // The options the dispatch hands to the workers.
    Options options;
};
