#include "app/default_workers.h"

#include "app/stand_in_worker.h"
#include "engine/ftp_file_worker.h"
#include "engine/http_file_worker.h"

WorkerProcedures DefaultWorkerProcedures(InternetSessionFactory sessions) {
    WorkerProcedures procedures;
    procedures.httpFile = [sessions](WorkerContext& context) { HttpFileWorker(context, sessions); };
    procedures.ftpFile = [sessions](WorkerContext& context) { FtpFileWorker(context, sessions); };
    procedures.siteCrawler = EndAtOnceWorker;
    procedures.search = EndAtOnceWorker;
    return procedures;
}
