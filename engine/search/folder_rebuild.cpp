#include "search/folder_rebuild.h"

#include <chrono>

#include "search/combination_search.h"

namespace drovalin {
namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

RebuildResult Cancelled() {
    RebuildResult result;
    result.cancelled = true;
    result.files = std::make_shared<FileTable>();
    result.combinations = std::make_shared<CombinationTable>(result.files);
    return result;
}

}  // namespace

RebuildResult RebuildFolder(const std::string& folder, std::int32_t capacity) {
    RebuildTimings ignored;
    return RebuildFolder(folder, capacity, RebuildControl{}, ignored);
}

RebuildResult RebuildFolder(const std::string& folder, std::int32_t capacity, RebuildTimings& timings) {
    return RebuildFolder(folder, capacity, RebuildControl{}, timings);
}

RebuildResult RebuildFolder(const std::string& folder, std::int32_t capacity, const RebuildControl& control) {
    RebuildTimings ignored;
    return RebuildFolder(folder, capacity, control, ignored);
}

RebuildResult RebuildFolder(const std::string& folder, std::int32_t capacity, const RebuildControl& control,
                            RebuildTimings& timings) {
    RebuildResult result;
    result.files = std::make_shared<FileTable>();
    result.combinations = std::make_shared<CombinationTable>(result.files);
    result.combinations->SetCapacity(capacity);
    const unsigned sortThreads = control.searchThreads ? control.searchThreads : DefaultSearchThreads();

    auto start = std::chrono::steady_clock::now();
    ListedFolder listed = ListAndMeasureFiles(folder, control, *result.files);
    if (control.stop.stop_requested()) return Cancelled();
    result.folderOpened = listed.opened;
    result.folderError = std::move(listed.error);
    if (!listed.opened) return result;
    result.leftOut = std::move(listed.measured.leftOut);
    timings.listMs = MillisecondsSince(start);

    // The sort comes before the first walk: the search phase begins with it.
    if (control.progress) control.progress({RebuildPhase::kSearching, 0, 0});
    start = std::chrono::steady_clock::now();
    result.files->SortBySizeDescending(sortThreads);
    timings.sortMs = MillisecondsSince(start);

    start = std::chrono::steady_clock::now();
    SearchCombinations(*result.files, capacity, *result.combinations, control);
    timings.searchMs = MillisecondsSince(start);
    if (control.stop.stop_requested()) return Cancelled();
    return result;
}

}  // namespace drovalin
