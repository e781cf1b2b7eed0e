#pragma once

#include "app/worker_dispatch.h"
#include "net/internet_session.h"

// The workers of the program: HttpFileWorker and FtpFileWorker for requested
// files; the crawler and the search worker are stand-ins that end at once
// until they are built.
WorkerProcedures DefaultWorkerProcedures(InternetSessionFactory sessions);
