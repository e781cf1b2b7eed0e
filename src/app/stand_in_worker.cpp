#include "app/stand_in_worker.h"

// Runs on its worker thread.
void EndAtOnceWorker(WorkerContext& context) {
    context.OnUi([&context] { context.RemoveActiveRecord(); });
}
