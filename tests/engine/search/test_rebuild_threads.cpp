#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "listing/folder_listing.h"
#include "search/background_rebuild.h"
#include "search/folder_rebuild.h"

using drovalin::JoinPath;
using drovalin::RebuildControl;
using drovalin::RebuildPhase;
using drovalin::RebuildProgress;

namespace {

bool MakeFile(const std::string& path, qint64 bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    const bool sized = ::ftruncate(fd, bytes) == 0;
    return ::close(fd) == 0 && sized;
}

// Names a file manager meets: bytes that are not UTF-8, commas, blanks, Japanese.
std::string OddName(int i) {
    static const char* const kinds[] = {"plain", "a,b", "with blank", "\xff\xfe-latin", "名前", " lead"};
    return std::string(kinds[i % 6]) + "-" + std::to_string(i) + ".bin";
}

// A fresh folder of `files` odd names of varied sizes, with links to some of them, a broken link, a
// subfolder and a pipe, none of which is a file to list.
std::string MakeOddFolder(const std::string& parent, const std::string& name, int files) {
    const std::string folder = JoinPath(parent, name);
    std::filesystem::remove_all(std::filesystem::path(folder));
    if (::mkdir(folder.c_str(), 0755) != 0) return {};
    for (int i = 0; i < files; ++i)
        if (!MakeFile(JoinPath(folder, OddName(i)), qint64{i % 13} * 1000 + i)) return {};
    for (int i = 0; i < files; i += 50)
        if (::symlink(OddName(i).c_str(), JoinPath(folder, "link " + std::to_string(i)).c_str()) != 0)
            return {};
    if (::symlink("missing", JoinPath(folder, "broken").c_str()) != 0) return {};
    if (::mkdir(JoinPath(folder, "sub").c_str(), 0755) != 0) return {};
    if (::mkfifo(JoinPath(folder, "pipe").c_str(), 0644) != 0) return {};
    return folder;
}

// Every entry with its type and size, to show that nothing on disk changed.
std::map<std::string, std::pair<int, std::uintmax_t>> Snapshot(const std::string& folder) {
    std::map<std::string, std::pair<int, std::uintmax_t>> entries;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder))) {
        const auto type = entry.symlink_status().type();
        entries[entry.path().filename().string()] = {
            static_cast<int>(type), type == std::filesystem::file_type::regular ? entry.file_size() : 0};
    }
    return entries;
}

using Listed = std::vector<std::pair<std::string, qint64>>;
using LeftOut = std::vector<std::pair<std::string, std::string>>;

struct Measured {
    Listed files;
    LeftOut leftOut;
};

// Lists and measures the folder on `threads` threads, the listing first or both at once (pipelined); every
// name in `vanishing` is removed right before it is measured, as another program might.
Measured ListAndMeasure(const std::string& folder, unsigned threads, bool pipelined,
                        const std::set<std::string>& vanishing) {
    RebuildControl control;
    control.measureThreads = threads;
    control.beforeMeasuring = [&](const std::string& name) {
        if (vanishing.count(name)) ::unlink(JoinPath(folder, name).c_str());
    };
    drovalin::MeasuredFiles measured;
    if (pipelined) {
        drovalin::ListedFolder listed = drovalin::ListAndMeasureFiles(folder, control);
        if (!listed.opened) return {};
        measured = std::move(listed.measured);
    } else {
        drovalin::FolderNames names = drovalin::ListFolderNames(folder, control);
        measured = drovalin::MeasureFiles(folder, std::move(names.names), control);
    }
    Measured result;
    for (const auto& file : measured.files) result.files.emplace_back(file.name, file.bytes);
    for (const auto& file : measured.leftOut) result.leftOut.emplace_back(file.name, file.reason);
    return result;
}

}  // namespace

class TestRebuildThreads : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::string base_;

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        base_ = dir_.path().toStdString();
    }

    // QDir cannot name the bytes that are not UTF-8, so QTemporaryDir would leave them behind.
    void cleanupTestCase() { std::filesystem::remove_all(std::filesystem::path(base_)); }

    void threadsMeasureAsOne_data() {
        QTest::addColumn<unsigned>("threads");
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("vanishEvery");
        QTest::addColumn<bool>("pipelined");
        QTest::newRow("2 threads") << 2u << 300 << 0 << false;
        QTest::newRow("16 threads, pipelined") << 16u << 1000 << 0 << true;
        QTest::newRow("more threads than files") << 16u << 5 << 0 << false;
        QTest::newRow("more threads than files, pipelined") << 16u << 5 << 0 << true;
        QTest::newRow("2 threads, files vanishing") << 2u << 300 << 7 << false;
        QTest::newRow("8 threads, files vanishing, pipelined") << 8u << 1000 << 3 << true;
    }
    void threadsMeasureAsOne() {
        QFETCH(unsigned, threads);
        QFETCH(int, files);
        QFETCH(int, vanishEvery);
        QFETCH(bool, pipelined);
        std::set<std::string> vanishing;
        for (int i = 0; vanishEvery > 0 && i < files; i += vanishEvery) vanishing.insert(OddName(i));

        const std::string folder = MakeOddFolder(base_, "odd", files);
        QVERIFY(!folder.empty());
        const Measured one = ListAndMeasure(folder, 1, false, vanishing);
        QVERIFY(!MakeOddFolder(base_, "odd", files).empty());
        const Measured many = ListAndMeasure(folder, threads, pipelined, vanishing);

        QCOMPARE(many.files, one.files);
        QCOMPARE(many.leftOut, one.leftOut);
        QCOMPARE(one.files.size() + vanishing.size(), std::size_t(files));
        std::set<std::string> leftOutNames;
        for (const auto& [name, reason] : one.leftOut) leftOutNames.insert(name);
        QCOMPARE(leftOutNames, vanishing);
        for (const auto& [name, bytes] : one.files) {
            QVERIFY2(name.rfind("link", 0) != 0 && name != "broken", name.c_str());
            QVERIFY(!vanishing.count(name));
        }
    }

    void stoppedRebuildIsEmptyAndChangesNothing_data() {
        QTest::addColumn<int>("phase");
        QTest::newRow("while listing") << int(RebuildPhase::kListing);
        QTest::newRow("while measuring") << int(RebuildPhase::kMeasuring);
        QTest::newRow("while searching") << int(RebuildPhase::kSearching);
    }
    void stoppedRebuildIsEmptyAndChangesNothing() {
        QFETCH(int, phase);
        const std::string folder = MakeOddFolder(base_, "stop", 300);
        QVERIFY(!folder.empty());
        const auto before = Snapshot(folder);
        std::stop_source stop;
        RebuildControl control;
        control.stop = stop.get_token();
        control.measureThreads = 4;
        control.progress = [&](const RebuildProgress& progress) {
            if (int(progress.phase) == phase) stop.request_stop();
        };

        const drovalin::RebuildResult result = drovalin::RebuildFolder(folder, 100000, control);

        QVERIFY(result.cancelled);
        QCOMPARE(result.files->Rows(), 1);
        QCOMPARE(result.combinations->Rows(), 1);
        QVERIFY(result.leftOut.empty());
        QCOMPARE(Snapshot(folder), before);
        // Nothing is kept between runs: the same folder afterwards gives its whole tables.
        const drovalin::RebuildResult again = drovalin::RebuildFolder(folder, 100000);
        QVERIFY(!again.cancelled);
        QCOMPARE(again.files->Rows(), 301);
        QCOMPARE(again.combinations->Rows(), 301);
    }

    // The window's thread takes these calls: never two at once, phases in order, counts within bounds.
    void progressComesInOrderOneCallAtATime() {
        const std::string folder = MakeOddFolder(base_, "progress", 1000);
        QVERIFY(!folder.empty());
        RebuildControl control;
        control.measureThreads = 8;
        control.searchThreads = 4;
        control.progressInterval = std::chrono::milliseconds(0);
        std::atomic<int> inside{0};
        bool overlapped = false;
        std::vector<RebuildProgress> calls;
        control.progress = [&](const RebuildProgress& progress) {
            if (inside.fetch_add(1) != 0) overlapped = true;
            calls.push_back(progress);
            std::this_thread::yield();
            inside.fetch_sub(1);
        };

        const drovalin::RebuildResult result = drovalin::RebuildFolder(folder, 100000, control);

        QVERIFY(!overlapped);
        QVERIFY(calls.size() > 3);
        QCOMPARE(int(calls.front().phase), int(RebuildPhase::kListing));
        for (std::size_t i = 1; i < calls.size(); ++i) {
            QVERIFY(calls[i].phase >= calls[i - 1].phase);
            if (calls[i].phase == calls[i - 1].phase && calls[i].total == calls[i - 1].total)
                QVERIFY(calls[i].done >= calls[i - 1].done);
            if (calls[i].total > 0) QVERIFY(calls[i].done <= calls[i].total);
        }
        const auto lastOf = [&](RebuildPhase phase) {
            RebuildProgress last;
            for (const auto& call : calls)
                if (call.phase == phase) last = call;
            return last;
        };
        QCOMPARE(lastOf(RebuildPhase::kMeasuring).done, std::int64_t{1000});
        QCOMPARE(lastOf(RebuildPhase::kMeasuring).total, std::int64_t{1000});
        QCOMPARE(lastOf(RebuildPhase::kSearching).done, std::int64_t{result.combinations->Rows() - 1});
    }

    void backgroundRebuild_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("to the end") << false;
        QTest::newRow("cancelled") << true;
    }
    void backgroundRebuild() {
        QFETCH(bool, cancel);
        const std::string folder = MakeOddFolder(base_, "background", 400);
        QVERIFY(!folder.empty());
        std::atomic<int> finishedCalls{0};
        std::thread::id finishedOn;
        RebuildControl control;
        control.measureThreads = 2;
        // Slow enough that a cancel always comes before the end.
        control.beforeMeasuring = [](const std::string&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        };
        drovalin::BackgroundRebuild rebuild(folder, 100000, control, [&] {
            finishedOn = std::this_thread::get_id();
            ++finishedCalls;
        });
        if (cancel) rebuild.Cancel();
        QCOMPARE(rebuild.CancelRequested(), cancel);

        const drovalin::RebuildResult result = rebuild.TakeResult();

        QVERIFY(rebuild.Finished());
        QCOMPARE(finishedCalls.load(), 1);
        QVERIFY(finishedOn != std::this_thread::get_id());
        QCOMPARE(result.cancelled, cancel);
        QCOMPARE(result.files->Rows(), cancel ? 1 : 401);
    }

    // Leaving the window while a slow rebuild runs must not wait for it to finish.
    void destroyingARunningRebuildStopsIt() {
        const std::string folder = MakeOddFolder(base_, "leave", 2000);
        QVERIFY(!folder.empty());
        RebuildControl control;
        control.measureThreads = 2;
        control.beforeMeasuring = [](const std::string&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        };
        const auto start = std::chrono::steady_clock::now();
        {
            drovalin::BackgroundRebuild rebuild(folder, 100000, control);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        // Measuring all would take 5 s; stopping takes one measurement per thread.
        QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::seconds(3));
    }
};

QTEST_GUILESS_MAIN(TestRebuildThreads)
#include "test_rebuild_threads.moc"
