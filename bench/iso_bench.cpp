#include "iso_bench.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "disc/disc_image.h"
#include "disc/disc_layout.h"
#include "disc/disc_tree.h"
#include "plan/media_plan.h"
#include "tables/file_table.h"

namespace drovalin::bench {

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kCdBytes = 720000LL * 1024;

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::int64_t KilobytesUp(std::int64_t bytes) { return (bytes + 1023) / 1024; }

// Large files are sparse (their reading costs both writers the same), small ones hold real bytes.
bool MakeFolder(const std::string& dir, std::vector<DiscItem>& items) {
    std::mt19937_64 random(19);
    const char* japanese[] = {"写真", "日記", "資料", "音楽", "動画", "メモ", "ｶﾀｶﾅ", "請求書"};
    auto add = [&](const std::string& name, std::int64_t bytes, bool sparse) {
        std::string path = dir + "/" + name;
        std::ofstream out(path, std::ios::binary);
        if (!sparse) out << std::string(static_cast<std::size_t>(bytes), static_cast<char>('a' + bytes % 26));
        out.close();
        std::error_code ec;
        if (sparse) fs::resize_file(path, static_cast<std::uintmax_t>(bytes), ec);
        if (!out || ec) return false;
        items.push_back({name, false, bytes});
        return true;
    };
    bool ok = true;
    for (int i = 0; ok && i < 40; ++i)  // 10 to 60 MB
        ok = add("video_" + std::to_string(i) + "_" + japanese[i % 8] + ".mp4",
                 10'000'000 + static_cast<std::int64_t>(random() % 50'000'000), true);
    for (int i = 0; ok && i < 400; ++i)  // 100 KB to 2 MB
        ok = add(std::string(japanese[i % 8]) + "_" + std::to_string(i) + ".jpg",
                 100'000 + static_cast<std::int64_t>(random() % 1'900'000), i % 4 != 0);
    for (int i = 0; ok && i < 3000; ++i)  // a few bytes
        ok = add("note_" + std::to_string(i) + (i % 3 ? ".txt" : "_メモ.txt"),
                 1 + static_cast<std::int64_t>(random() % 64), false);
    return ok;
}

int Run(const std::vector<std::string>& args) {
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(127);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A graft point for xorriso's path list: '=' and '\' in the name escaped.
std::string GraftPoint(const std::string& name, const std::string& path) {
    std::string out;
    for (char c : name) {
        if (c == '=' || c == '\\') out += '\\';
        out += c;
    }
    return out + "=" + path;
}

}  // namespace

int RunIsoBench(const std::string& base) {
    std::string dir = base + "/drovalin-iso-bench-" + std::to_string(getpid());
    std::string source = dir + "/folder", images = dir + "/images";
    std::error_code ec;
    fs::create_directories(source, ec);
    fs::create_directories(images, ec);
    struct Cleanup {
        std::string dir;
        ~Cleanup() {
            std::error_code e;
            fs::remove_all(dir, e);
        }
    } cleanup{dir};
    std::vector<DiscItem> items;
    if (ec || !MakeFolder(source, items)) {
        std::fprintf(stderr, "cannot make the folder under %s\n", base.c_str());
        return 1;
    }

    // The table and the plan with the disc count: item costs in KB, the capacity less the fixed part.
    FileTable table;
    std::string error;
    for (const DiscItem& item : items) {
        auto bytes = DiscItemBytes(source, item, error);
        if (!bytes) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        table.AppendBytes(item.path, *bytes);
    }
    table.SortBySizeDescending();
    const std::int64_t fixedKb = KilobytesUp(DiscFixedBytes());
    MediaPlan plan = PlanMedia(table, static_cast<std::int32_t>(kCdBytes / 1024 - fixedKb));

    std::int64_t predictedKb = 0, actualKb = 0, plannedKb = 0;
    int overCapacity = 0, underPredicted = 0;
    double maxError = 0, maxPlannedError = 0, writeMs = 0, xorrisoMs = 0;
    std::atomic<bool> cancel{false};
    for (std::size_t m = 0; m < plan.media.size(); ++m) {
        std::vector<DiscItem> medium;
        std::int64_t planned = fixedKb * 1024;
        for (int row : plan.media[m].rows) {
            medium.push_back({table.Name(row), false,
                              static_cast<std::int64_t>(fs::file_size(source + "/" + table.Name(row)))});
            planned += table.Bytes(row);
        }
        auto tree = ReadDiscTree(source, medium, error);
        if (!tree) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        const std::int64_t predicted = DiscImageBytes(*tree);

        std::string iso = images + "/w" + std::to_string(m + 1) + ".iso";
        std::int64_t actual = 0;
        auto ours = [&] {
            auto start = std::chrono::steady_clock::now();
            auto image = DiscImage::Build(source, medium, "BENCH_" + std::to_string(m + 1), error);
            if (!image || !(error = image->Write(iso, nullptr, cancel)).empty()) return false;
            writeMs += MsSince(start);
            actual = static_cast<std::int64_t>(fs::file_size(iso));
            fs::remove(iso, ec);
            return true;
        };
        std::string list = images + "/paths", other = images + "/x" + std::to_string(m + 1) + ".iso";
        {
            std::ofstream paths(list);
            for (const DiscItem& item : medium)
                paths << GraftPoint(item.path, source + "/" + item.path) << '\n';
        }
        auto theirs = [&] {
            auto start = std::chrono::steady_clock::now();
            int status = Run({"xorriso", "-as", "mkisofs", "-R", "-J", "-iso-level", "3", "-graft-points",
                              "-path-list", list, "-o", other});
            xorrisoMs += MsSince(start);
            fs::remove(other, ec);
            if (status != 0) error = "xorriso failed (" + std::to_string(status) + ")";
            return status == 0;
        };
        // Each goes first on every other medium, so neither always meets the other's unwritten pages.
        bool ok = m % 2 ? theirs() && ours() : ours() && theirs();
        if (!ok) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }

        predictedKb += KilobytesUp(predicted);
        actualKb += KilobytesUp(actual);
        plannedKb += KilobytesUp(planned);
        if (actual > kCdBytes) ++overCapacity;
        if (predicted < actual) ++underPredicted;
        maxError = std::max(maxError, 100.0 * std::abs(static_cast<double>(predicted - actual)) / actual);
        maxPlannedError = std::max(maxPlannedError, 100.0 * static_cast<double>(planned - actual) / actual);
    }
    std::printf(
        "iso media=%zu files=%zu predicted_kb=%lld actual_kb=%lld max_error_pct=%.4f over_capacity=%d "
        "write_ms=%.0f xorriso_ms=%.0f ratio=%.2f\n",
        plan.media.size(), items.size(), static_cast<long long>(predictedKb),
        static_cast<long long>(actualKb), maxError, overCapacity, writeMs, xorrisoMs,
        xorrisoMs > 0 ? writeMs / xorrisoMs : 0.0);
    std::printf("iso-plan planned_kb=%lld fixed_kb=%lld max_planned_over_pct=%.4f under_predicted=%d\n",
                static_cast<long long>(plannedKb), static_cast<long long>(fixedKb), maxPlannedError,
                underPredicted);
    return 0;
}

}  // namespace drovalin::bench
