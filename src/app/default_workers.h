#pragma once

#include "app/worker_dispatch.h"
#include "net/internet_session.h"

// The workers of the program: HttpFileWorker for requested files over HTTP,
// SiteCrawlerWorker for web-site projects; the FTP worker and the search
// worker are stand-ins that end at once until they are built.
WorkerProcedures DefaultWorkerProcedures(InternetSessionFactory sessions);
