#include "app/default_workers.h"

#include "app/stand_in_worker.h"
#include "engine/ftp_file_worker.h"
#include "engine/http_file_worker.h"
#include "search/search_worker.h"

WorkerProcedures DefaultWorkerProcedures(InternetSessionFactory sessions, SearchHosts searchHosts) {
    WorkerProcedures procedures;
    procedures.httpFile = [sessions](WorkerContext& context) { HttpFileWorker(context, sessions); };
    procedures.ftpFile = [sessions](WorkerContext& context) { FtpFileWorker(context, sessions); };
    procedures.siteCrawler = EndAtOnceWorker;
    procedures.search = [engines = SearchEngines{sessions, std::move(searchHosts)}](WorkerContext& context) {
        SearchWorker(context, engines);
    };
    return procedures;
}
