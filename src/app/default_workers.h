#pragma once

#include "app/worker_dispatch.h"
#include "net/internet_session.h"
#include "search/query_hosts.h"
#include "workers/web_options.h"

// The workers of the program: HttpFileWorker and FtpFileWorker for requested
// files, SiteCrawlerWorker for web-site projects and SearchWorker for search
// projects, whose queries go to the given hosts. Each crawl and search
// works with its copy of the web options.
WorkerProcedures DefaultWorkerProcedures(InternetSessionFactory sessions, SearchHosts searchHosts = {},
                                         WebOptions web = {});
