#include "folder_rebuild.h"

#include <chrono>

#include "byte_to_kilo.h"
#include "combination_search.h"

namespace drovalin {
namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

RebuildResult RebuildFolder(const std::string& folder, std::int32_t capacity) {
    RebuildTimings ignored;
    return RebuildFolder(folder, capacity, ignored);
}

RebuildResult RebuildFolder(const std::string& folder, std::int32_t capacity, RebuildTimings& timings) {
    RebuildResult result;
    result.files = std::make_shared<FileTable>();
    result.combinations = std::make_shared<CombinationTable>(result.files);
    result.combinations->SetCapacity(capacity);

    auto start = std::chrono::steady_clock::now();
    FolderNames listing = ListFolderNames(folder);
    result.folderOpened = listing.opened;
    result.folderError = std::move(listing.error);
    if (!listing.opened) return result;
    MeasuredFiles measured = MeasureFiles(folder, std::move(listing.names));
    result.leftOut = std::move(measured.leftOut);
    result.files->Reserve(measured.files.size());
    for (ListedFile& file : measured.files)
        result.files->Append(std::move(file.name), ByteToKilo(file.bytes));
    measured.files = {};
    timings.listMs = MillisecondsSince(start);

    start = std::chrono::steady_clock::now();
    result.files->SortBySizeDescending();
    timings.sortMs = MillisecondsSince(start);

    start = std::chrono::steady_clock::now();
    SearchCombinations(*result.files, capacity, *result.combinations);
    timings.searchMs = MillisecondsSince(start);
    return result;
}

}  // namespace drovalin
