#include "tree_bench.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "child_process.h"
#include "listing/rebuild_control.h"
#include "search/folder_rebuild.h"
#include "synthetic_tree.h"

namespace drovalin::bench {
namespace {

struct TreeFigures {
    double listMs = 0;
    double sortMs = 0;
    double searchMs = 0;
    std::int64_t rows = 0;
    double peakRssMb = 0;
};

std::optional<TreeFigures> MeasureUnit(const std::string& dir, std::int32_t capacity, ItemUnit unit,
                                       unsigned threads) {
    const auto report = RunInChild([&](std::array<double, 8>& values) {
        RebuildControl control;
        control.unit = unit;
        control.measureThreads = threads;
        control.searchThreads = threads;
        RebuildTimings timings;
        const RebuildResult result = RebuildFolder(dir, capacity, control, timings);
        values = {timings.listMs, timings.sortMs, timings.searchMs, double(result.combinations->Rows() - 1),
                  result.folderOpened ? 1.0 : 0.0};
    });
    if (!report || report->values[4] == 0) return std::nullopt;
    const auto& v = report->values;
    return TreeFigures{v[0], v[1], v[2], std::int64_t(v[3]), report->peakRssMb};
}

// The faster of two runs, so one scheduler hiccup does not decide the figure.
double BestOfTwo(const std::vector<std::string>& command) {
    const double first = TimeCommand(command);
    const double second = TimeCommand(command);
    if (first < 0 || second < 0) return -1;
    return std::min(first, second);
}

bool MeasureTree(const std::string& dir, std::int64_t files, std::int64_t folders, std::int32_t capacity,
                 unsigned threads) {
    // A tree just made is still being written out; every contender is timed after that, on warm caches.
    sync();
    TimeCommand({"du", "-s", dir});
    for (const ItemUnit unit : {ItemUnit::kFolderFiles, ItemUnit::kFilesAndSubfolders, ItemUnit::kAllFiles}) {
        const auto figures = MeasureUnit(dir, capacity, unit, threads);
        const double duMs = BestOfTwo({"du", "-s", dir});
        const double findMs = BestOfTwo({"find", dir, "-type", "f", "-printf", "%s\\n"});
        if (!figures || duMs < 0 || findMs < 0) {
            std::fprintf(stderr, "measuring %s failed\n", dir.c_str());
            return false;
        }
        const double ratio = (figures->listMs + figures->sortMs + figures->searchMs) / duMs;
        std::printf(
            "tree files=%lld folders=%lld unit=%d threads=%u list_ms=%.1f sort_ms=%.1f search_ms=%.1f "
            "rows=%lld "
            "peak_rss_mb=%.1f du_ms=%.1f find_ms=%.1f ratio_du=%.2f\n",
            static_cast<long long>(files), static_cast<long long>(folders), ItemUnitNumber(unit),
            threads ? threads : DefaultMeasureThreads(), figures->listMs, figures->sortMs, figures->searchMs,
            static_cast<long long>(figures->rows), figures->peakRssMb, duMs, findMs, ratio);
        std::fflush(stdout);
    }
    return true;
}

}  // namespace

int RunTreeBenchOn(const std::string& dir, std::int32_t capacity, unsigned threads) {
    std::int64_t files = 0;
    std::int64_t folders = 0;
    std::error_code error;
    for (auto entry = std::filesystem::recursive_directory_iterator(dir, error);
         !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error)) {
        if (entry->is_symlink(error)) continue;
        if (entry->is_directory(error))
            ++folders;
        else if (entry->is_regular_file(error))
            ++files;
    }
    if (error) {
        std::fprintf(stderr, "%s: %s\n", dir.c_str(), error.message().c_str());
        return 1;
    }
    return MeasureTree(dir, files, folders, capacity, threads) ? 0 : 1;
}

int RunTreeBench(const std::string& base, const std::vector<std::int64_t>& fileCounts, std::int32_t capacity,
                 unsigned threads, const volatile std::sig_atomic_t& stop) {
    for (const std::int64_t files : fileCounts) {
        const auto tree = std::make_unique<SyntheticTree>(base, files, stop);
        if (!tree->Complete()) {
            std::fprintf(stderr, "could not make a tree of %lld files: %s\n", static_cast<long long>(files),
                         tree->Error().c_str());
            return 1;
        }
        if (!MeasureTree(tree->Path(), files, tree->Folders(), capacity, threads)) return 1;
    }
    return 0;
}

}  // namespace drovalin::bench
