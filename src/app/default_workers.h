#pragma once

#include "app/worker_dispatch.h"
#include "net/internet_session.h"
#include "search/query_hosts.h"

// The workers of the program: HttpFileWorker for requested files over HTTP
// and SearchWorker for search projects, whose queries go to the given hosts;
// the FTP worker and the crawler are stand-ins that end at once until they
// are built.
WorkerProcedures DefaultWorkerProcedures(InternetSessionFactory sessions, SearchHosts searchHosts = {});
