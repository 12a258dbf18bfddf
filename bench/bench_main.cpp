// drovalin-bench: times the rebuild of one folder (listing, sorting, searching) against merely listing the
// sizes with find, and against the row-by-row walk; with a delay before each measurement, how measuring
// on more threads makes up for a slow file system; with --plan, times the media plan and the best
// combination; with --plan-compare, compares the plan's media counts with first-fit decreasing and fpart.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "iso_bench.h"
#include "listing/folder_listing.h"
#include "listing/rebuild_control.h"
#include "naive_walk.h"
#include "plan_bench.h"
#include "search/folder_rebuild.h"
#include "synthetic_folder.h"
#include "tables/byte_to_kilo.h"
#include "tables/huge_page_heap.h"
#include "tree_bench.h"

using namespace drovalin;
using namespace drovalin::bench;

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

// The row-by-row walk reads about n^2/2 cells; beyond this it would take well over a minute.
constexpr std::int64_t kNaiveLimit = 150000;

// Threads the slow mode compares, unless --threads names one count to set against a single thread.
const std::vector<unsigned> kSlowThreads{1, 2, 4, 8, 16};
constexpr std::int64_t kSlowFiles = 2000;

struct Options {
    std::vector<std::int64_t> fileCounts{10000, 100000};
    bool filesGiven = false;
    std::vector<std::int32_t> capacities{716800, 4589843, 24413696};
    std::string dir;
    unsigned threads = 0;  // 0: the engine's defaults
    long long delayUs = 0;
    bool plan = false;
    bool planCompare = false;
    bool tree = false;
    bool iso = false;
};

void Usage() {
    std::fprintf(
        stderr,
        "usage: drovalin-bench [--plan | --plan-compare | --tree | --iso] [--files N] [--capacity KB] [--dir "
        "PATH] "
        "[--threads "
        "N]\n"
        "                      [--delay-us US]\n"
        "  no arguments: 10,000 and 100,000 synthetic files for CD, DVD and 25 GB capacities\n"
        "  --files N      that many synthetic files only\n"
        "  --capacity KB  that capacity only\n"
        "  --dir PATH     an existing folder instead of a synthetic one\n"
        "  --threads N    measure and search on N threads (default: the program's own choice)\n"
        "  --delay-us US  slow file system: wait US microseconds before each measurement and compare\n"
        "                 measuring on 1, 2, 4, 8 and 16 threads (or 1 and N); %lld files unless --files\n"
        "  --plan         time the media plan and the best combination instead of the rebuild\n"
        "  --plan-compare media counts against first-fit decreasing and fpart on random folders\n"
        "  --tree         a tree of N files (default 100,000) in about N/100 folders three levels deep\n"
        "                 (or the tree --dir names), listed in each item unit and timed against du -s\n"
        "                 and find; DVD capacity unless --capacity\n"
        "  --iso          disc images of a 2 GiB folder at CD-R capacity: count against image, time against "
        "xorriso\n"
        "  TMPDIR         where synthetic folders are made (default /tmp)\n",
        static_cast<long long>(kSlowFiles));
}

std::optional<long long> ParsePositive(const char* text) {
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value <= 0) return std::nullopt;
    return value;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--tree") {
            options.tree = true;
            continue;
        }
        if (flag == "--iso") {
            options.iso = true;
            continue;
        }
        if (flag == "--plan" || flag == "--plan-compare") {
            (flag == "--plan" ? options.plan : options.planCompare) = true;
            continue;
        }
        if (i + 1 >= argc) return std::nullopt;
        const char* value = argv[++i];
        if (flag == "--dir") {
            options.dir = value;
            continue;
        }
        const auto number = ParsePositive(value);
        if (!number) return std::nullopt;
        if (flag == "--files") {
            options.fileCounts = {*number};
            options.filesGiven = true;
        } else if (flag == "--threads" && *number <= 1024)
            options.threads = static_cast<unsigned>(*number);
        else if (flag == "--delay-us")
            options.delayUs = *number;
        else if (flag == "--capacity" && *number <= 2147483647)
            options.capacities = {static_cast<std::int32_t>(*number)};
        else
            return std::nullopt;
    }
    if (options.delayUs > 0 && !options.filesGiven) options.fileCounts = {kSlowFiles};
    return options;
}

RebuildControl ControlFor(unsigned threads, long long delayUs) {
    RebuildControl control;
    control.measureThreads = threads;
    control.searchThreads = threads;
    if (delayUs > 0)
        control.beforeMeasuring = [delayUs](const std::string&) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        };
    return control;
}

std::string ThreadsText(unsigned threads) {
    const unsigned measure = threads ? threads : DefaultMeasureThreads();
    const unsigned search = threads ? threads : DefaultSearchThreads();
    return "threads=" + std::to_string(measure) + " search_threads=" + std::to_string(search);
}

struct RebuildFigures {
    double listMs = 0;
    double sortMs = 0;
    double searchMs = 0;
    std::int64_t files = 0;
    std::int64_t rows = 0;
    double peakRssMb = 0;
};

std::optional<RebuildFigures> MeasureRebuild(const std::string& dir, std::int32_t capacity,
                                             const RebuildControl& control) {
    const auto report = RunInChild([&](std::array<double, 8>& values) {
        RebuildTimings timings;
        const RebuildResult result = RebuildFolder(dir, capacity, control, timings);
        values = {timings.listMs,
                  timings.sortMs,
                  timings.searchMs,
                  double(result.files->Rows() - 1),
                  double(result.combinations->Rows() - 1),
                  result.folderOpened ? 1.0 : 0.0};
    });
    if (!report || report->values[5] == 0) return std::nullopt;
    const auto& v = report->values;
    return RebuildFigures{v[0], v[1], v[2], std::int64_t(v[3]), std::int64_t(v[4]), report->peakRssMb};
}

// Milliseconds of the row-by-row walk over the same file table, and its row count.
std::optional<std::pair<double, std::int64_t>> MeasureNaive(const std::string& dir, std::int32_t capacity) {
    const auto report = RunInChild([&](std::array<double, 8>& values) {
        const MeasuredFiles measured = MeasureFiles(dir, ListFolderNames(dir).names);
        std::vector<std::int64_t> sizes;
        for (const auto& file : measured.files) sizes.push_back(ByteToKilo(file.bytes));
        std::sort(sizes.begin(), sizes.end(), std::greater<>());
        const auto start = std::chrono::steady_clock::now();
        const std::int64_t rows = NaiveWalk(sizes, capacity);
        values[0] =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        values[1] = double(rows);
    });
    if (!report) return std::nullopt;
    return std::make_pair(report->values[0], std::int64_t(report->values[1]));
}

// Runs every capacity on one folder; false when a measurement failed.
bool MeasureFolder(const std::string& dir, const std::vector<std::int32_t>& capacities, unsigned threads) {
    const RebuildControl control = ControlFor(threads, 0);
    TimeFind(dir);  // warms the directory and inode caches for both contenders
    for (const std::int32_t capacity : capacities) {
        if (stopRequested) return false;
        // Best of three on small folders, where a stray scheduler hiccup would dominate.
        std::optional<RebuildFigures> best;
        double findMs = -1;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const auto figures = MeasureRebuild(dir, capacity, control);
            if (!figures) {
                std::fprintf(stderr, "rebuild of %s failed\n", dir.c_str());
                return false;
            }
            if (!best || figures->listMs + figures->sortMs + figures->searchMs <
                             best->listMs + best->sortMs + best->searchMs)
                best = figures;
            const double find = TimeFind(dir);
            if (find < 0) {
                std::fprintf(stderr, "find failed on %s\n", dir.c_str());
                return false;
            }
            if (findMs < 0 || find < findMs) findMs = find;
            if (best->files > kNaiveLimit) break;
        }
        std::string naive = "-";
        if (best->files <= kNaiveLimit) {
            const auto walked = MeasureNaive(dir, capacity);
            if (!walked) return false;
            if (walked->second != best->rows)
                std::fprintf(stderr, "row counts differ: search %lld, row-by-row walk %lld\n",
                             static_cast<long long>(best->rows), static_cast<long long>(walked->second));
            char text[32];
            std::snprintf(text, sizeof(text), "%.1f", walked->first);
            naive = text;
        }
        const double ratio = (best->listMs + best->sortMs + best->searchMs) / findMs;
        std::printf(
            "rebuild files=%lld capacity=%d %s list_ms=%.1f sort_ms=%.1f search_ms=%.1f rows=%lld "
            "peak_rss_mb=%.1f "
            "find_ms=%.1f ratio=%.2f naive_ms=%s\n",
            static_cast<long long>(best->files), capacity, ThreadsText(threads).c_str(), best->listMs,
            best->sortMs, best->searchMs, static_cast<long long>(best->rows), best->peakRssMb, findMs, ratio,
            naive.c_str());
        std::fflush(stdout);
    }
    return true;
}

// The slow file system: every measurement first waits delayUs. Measuring time against the thread count,
// with the time one thread would need at the least (files times the delay) and the gain over one thread.
bool MeasureSlowFolder(const std::string& dir, std::int32_t capacity, long long delayUs, unsigned threads) {
    const std::vector<unsigned> counts = threads ? std::vector<unsigned>{1, threads} : kSlowThreads;
    double oneThreadMs = 0;
    for (const unsigned count : counts) {
        if (stopRequested) return false;
        const auto figures = MeasureRebuild(dir, capacity, ControlFor(count, delayUs));
        if (!figures) {
            std::fprintf(stderr, "rebuild of %s failed\n", dir.c_str());
            return false;
        }
        if (count == 1) oneThreadMs = figures->listMs;
        std::printf("slow files=%lld delay_us=%lld threads=%u list_ms=%.1f least_ms=%.1f speedup=%.2f\n",
                    static_cast<long long>(figures->files), delayUs, count, figures->listMs,
                    double(figures->files) * double(delayUs) / 1000.0 / count, oneThreadMs / figures->listMs);
        std::fflush(stdout);
    }
    return true;
}

bool MeasureAny(const std::string& dir, const Options& options) {
    if (options.delayUs > 0)
        return MeasureSlowFolder(dir, options.capacities.front(), options.delayUs, options.threads);
    return MeasureFolder(dir, options.capacities, options.threads);
}

}  // namespace

int main(int argc, char** argv) {
    // Measured as the program runs.
    drovalin::RestartWithHugePageHeap(argv);
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        Usage();
        return 2;
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    if (options->iso) return RunIsoBench(base);
    if (options->planCompare) return RunPlanCompare(base);
    if (options->tree) {
        std::signal(SIGINT, RequestStop);
        std::signal(SIGTERM, RequestStop);
        const std::vector<std::int64_t> counts =
            options->filesGiven ? options->fileCounts : std::vector<std::int64_t>{100000};
        const std::int32_t capacity = options->capacities.size() == 1 ? options->capacities.front() : 4589843;
        if (!options->dir.empty()) return RunTreeBenchOn(options->dir, capacity, options->threads);
        return RunTreeBench(base, counts, capacity, options->threads, stopRequested);
    }
    if (options->plan) return RunPlanBench(options->fileCounts, options->capacities, options->dir);

    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);

    // The peak of a child that does nothing: what every case's peak_rss_mb carries before any file.
    if (const auto idle = RunInChild([](std::array<double, 8>&) {}))
        std::fprintf(stderr, "baseline peak_rss_mb=%.1f\n", idle->peakRssMb);

    if (!options->dir.empty()) return MeasureAny(options->dir, *options) ? 0 : 1;

    for (const std::int64_t count : options->fileCounts) {
        const auto folder = std::make_unique<SyntheticFolder>(base, count, stopRequested);
        if (!folder->Complete()) {
            std::fprintf(stderr, "could not make %lld files: %s\n", static_cast<long long>(count),
                         folder->Error().c_str());
            return 1;
        }
        if (!MeasureAny(folder->Path(), *options)) return 1;
    }
    return 0;
}
