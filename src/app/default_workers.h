#pragma once

#include "app/worker_dispatch.h"
#include "net/internet_session.h"
#include "search/query_hosts.h"

// The workers of the program: HttpFileWorker and FtpFileWorker for requested
// files, SiteCrawlerWorker for web-site projects and SearchWorker for search
// projects, whose queries go to the given hosts.
WorkerProcedures DefaultWorkerProcedures(const InternetSessionFactory& sessions,
                                         SearchHosts searchHosts = {});
