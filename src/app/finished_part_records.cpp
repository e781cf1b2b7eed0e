#include "app/finished_part_records.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/http_file_worker.h"

void FinishedPartRecords::Forget() const {
    std::vector<std::string>& finished = store_.FinishedSinceSave;
    const auto end = finished.begin() + static_cast<std::ptrdiff_t>(std::min(covered_, finished.size()));
    std::for_each(finished.begin(), end, [](const std::string& url) { ForgetPartRecordOf(url); });
    finished.erase(finished.begin(), end);
}
