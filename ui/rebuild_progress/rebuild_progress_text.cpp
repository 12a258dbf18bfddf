#include "rebuild_progress_text.h"

#include <QLocale>
#include <algorithm>

namespace drovalin {
namespace {

QString Count(std::int64_t n) { return QLocale(QLocale::Japanese, QLocale::Japan).toString(qlonglong(n)); }

// Bars count in int; a bar of 1000 steps shows any count finely enough.
constexpr int kSteps = 1000;

int Step(std::int64_t done, std::int64_t total) {
    return static_cast<int>(
        std::clamp<std::int64_t>(done * kSteps / std::max<std::int64_t>(total, 1), 0, kSteps));
}

}  // namespace

RebuildProgressText RebuildProgressText::From(const RebuildProgress& progress) {
    switch (progress.phase) {
        case RebuildPhase::kListing:
            return {QStringLiteral("ファイルを数えています…　%1 件").arg(Count(progress.done)), 0, 0};
        case RebuildPhase::kMeasuring:
            return {QStringLiteral("ファイルを調べています…　%1 / %2 件")
                        .arg(Count(progress.done), Count(progress.total)),
                    Step(progress.done, progress.total), kSteps};
        case RebuildPhase::kSearching:
            if (progress.total == 0) return {QStringLiteral("組み合わせを探しています…"), 0, 0};
            return {QStringLiteral("組み合わせを探しています…"), Step(progress.done, progress.total), kSteps};
    }
    return {};
}

RebuildProgressText RebuildProgressText::Cancelling() {
    return {QStringLiteral("キャンセルしています…"), 0, 0};
}

}  // namespace drovalin
