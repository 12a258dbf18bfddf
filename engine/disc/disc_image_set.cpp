#include "disc/disc_image_set.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "disc/disc_image.h"

namespace drovalin {

namespace {

std::string ImagePath(const std::string& target, int number) {
    return target + "/w" + std::to_string(number) + ".iso";
}

std::string Kilobytes(std::int64_t bytes) { return std::to_string((bytes + 1023) / 1024) + " KB"; }

}  // namespace

std::string DiscVolumeName(const std::string& prefix, int number) {
    std::string head = prefix;
    if (head.size() > 28) {
        std::size_t cut = 28;
        while (cut > 0 && (static_cast<unsigned char>(head[cut]) & 0xC0) == 0x80) --cut;
        head.resize(cut);
    }
    return head + "_" + std::to_string(number);
}

DiscSetResult WriteDiscImages(const std::string& folder, const std::vector<DiscMedium>& media,
                              const std::string& volumePrefix, std::int64_t capacityBytes,
                              const std::string& target, const DiscSetProgress& progress,
                              const std::atomic<bool>& cancel) {
    DiscSetResult result;
    for (const DiscMedium& m : media) {
        struct stat st {};
        std::string path = ImagePath(target, m.number);
        if (lstat(path.c_str(), &st) == 0 || errno != ENOENT) {
            result.error = "「" + path + "」がすでにあります。何も書き込みませんでした。";
            return result;
        }
    }
    std::vector<std::unique_ptr<DiscImage>> images;
    std::int64_t total = 0;
    std::string tooLarge;
    for (const DiscMedium& m : media) {
        std::string error;
        images.push_back(DiscImage::Build(folder, m.items, DiscVolumeName(volumePrefix, m.number), error));
        if (!images.back()) {
            result.error = "媒体 " + std::to_string(m.number) + " のイメージを準備できません。" + error;
            return result;
        }
        std::int64_t bytes = images.back()->Bytes();
        total += bytes;
        if (bytes > capacityBytes)
            tooLarge += "媒体 " + std::to_string(m.number) + "：" + Kilobytes(bytes) + "（" +
                        Kilobytes(bytes - capacityBytes) + " 超過）\n";
    }
    if (!tooLarge.empty()) {
        result.error = "次の媒体のイメージは容量に収まりません。何も書き込みませんでした。\n" + tooLarge;
        return result;
    }
    struct statvfs fs {};
    if (statvfs(target.c_str(), &fs) != 0) {
        result.error = "「" + target + "」の空き容量を調べられません（" + std::strerror(errno) + "）。";
        return result;
    }
    std::int64_t free = static_cast<std::int64_t>(fs.f_bavail) * static_cast<std::int64_t>(fs.f_frsize);
    if (free < total) {
        result.error = "「" + target + "」の空き容量が足りません（必要 " + Kilobytes(total) + "、空き " +
                       Kilobytes(free) + "）。何も書き込みませんでした。";
        return result;
    }
    int count = static_cast<int>(media.size());
    for (int i = 0; i < count; ++i) {
        std::string path = ImagePath(target, media[i].number);
        std::string error = images[i]->Write(
            path,
            [&](std::int64_t written, std::int64_t bytes) {
                if (progress) progress(i, count, written, bytes);
            },
            cancel);
        if (error == DiscImage::kCancelled) {
            result.cancelled = true;
            return result;
        }
        if (!error.empty()) {
            result.error = error;
            return result;
        }
        result.written.push_back(path);
    }
    return result;
}

std::future<DiscSetResult> StartWritingDiscImages(std::string folder, std::vector<DiscMedium> media,
                                                  std::string volumePrefix, std::int64_t capacityBytes,
                                                  std::string target, DiscSetProgress progress,
                                                  const std::atomic<bool>& cancel) {
    return std::async(std::launch::async, [=, &cancel] {
        return WriteDiscImages(folder, media, volumePrefix, capacityBytes, target, progress, cancel);
    });
}

}  // namespace drovalin
