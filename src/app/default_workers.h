#pragma once

#include "app/worker_dispatch.h"
#include "net/internet_session.h"
#include "search/query_hosts.h"
#include "workers/web_options.h"

// The workers of the program: HttpFileWorker and FtpFileWorker for requested
// files, SiteCrawlerWorker for web-site projects and SearchWorker for search
// projects, whose queries go to the given hosts. Each crawl and search
// works with the web options of its own copy of the options.
WorkerProcedures DefaultWorkerProcedures(const InternetSessionFactory& sessions,
                                         SearchHosts searchHosts = {});
