#include "app/default_workers.h"

#include "app/stand_in_worker.h"
#include "engine/http_file_worker.h"
#include "engine/site_crawler_worker.h"

WorkerProcedures DefaultWorkerProcedures(InternetSessionFactory sessions) {
    WorkerProcedures procedures;
    procedures.httpFile = [sessions](WorkerContext& context) { HttpFileWorker(context, sessions); };
    procedures.ftpFile = EndAtOnceWorker;
    procedures.siteCrawler = [sessions](WorkerContext& context) { SiteCrawlerWorker(context, sessions); };
    procedures.search = EndAtOnceWorker;
    return procedures;
}
