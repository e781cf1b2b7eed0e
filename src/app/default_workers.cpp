#include "app/default_workers.h"

#include "engine/ftp_file_worker.h"
#include "engine/http_file_worker.h"
#include "engine/site_crawler_worker.h"
#include "search/search_worker.h"

WorkerProcedures DefaultWorkerProcedures(InternetSessionFactory sessions, SearchHosts searchHosts,
                                         WebOptions web) {
    WorkerProcedures procedures;
    procedures.httpFile = [sessions](WorkerContext& context) { HttpFileWorker(context, sessions); };
    procedures.ftpFile = [sessions](WorkerContext& context) { FtpFileWorker(context, sessions); };
    procedures.siteCrawler = [sessions, web](WorkerContext& context) {
        SiteCrawlerWorker(context, sessions, web);
    };
    procedures.search = [engines = SearchEngines{sessions, std::move(searchHosts), web}](
                            WorkerContext& context) { SearchWorker(context, engines); };
    return procedures;
}
