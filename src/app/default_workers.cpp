#include "app/default_workers.h"

#include "engine/ftp_file_worker.h"
#include "engine/http_file_worker.h"
#include "engine/site_crawler_worker.h"
#include "engine/worker_session.h"
#include "search/search_worker.h"

WorkerProcedures DefaultWorkerProcedures(const InternetSessionFactory& sessions, SearchHosts searchHosts) {
    WorkerProcedures procedures;
    procedures.httpFile = [sessions](WorkerContext& context) { HttpFileWorker(context, sessions); };
    procedures.ftpFile = [sessions](WorkerContext& context) { FtpFileWorker(context, sessions); };
    procedures.siteCrawler = [sessions](WorkerContext& context) {
        SiteCrawlerWorker(context, sessions, context.options.web);
    };
    procedures.search = [sessions, hosts = std::move(searchHosts)](WorkerContext& context) {
        SearchWorker(context, SearchEngines{WorkerSessionFactory(sessions, context.options), hosts,
                                            context.options.web});
    };
    return procedures;
}
