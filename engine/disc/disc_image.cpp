#include "disc/disc_image.h"

#include <dirent.h>
#include <fcntl.h>
// No libburn here: libisofs then declares the byte stream it hands out itself.
#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "disc/disc_names.h"

namespace drovalin {

namespace {

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        iso_init();
        // Names are bytes read from the file system; Joliet needs them taken as UTF-8 whatever the locale.
        char utf8[] = "UTF-8";
        iso_set_local_charset(utf8, 0);
        char never[] = "NEVER";
        char fatal[] = "FATAL";
        char id[] = "drovalin";
        iso_set_msgs_severities(never, fatal, id);
    });
}

std::string SystemText(int error) { return std::strerror(error); }

std::string LibraryText(int code) {
    const char* text = iso_error_to_msg(code);
    return text ? text : "";
}

}  // namespace

struct DiscImage::Tree {
    IsoImage* image = nullptr;
    IsoWriteOpts* opts = nullptr;
    std::string error;

    ~Tree() {
        if (opts) iso_write_opts_free(opts);
        if (image) iso_image_unref(image);
    }

    // The entry at diskPath under parent as name, with its contents when it is a folder. A name that is not
    // valid UTF-8 is added twice: as its bytes for Rock Ridge, and escaped for Joliet; the two nodes share
    // the file's data.
    bool Add(IsoDir* parent, const std::string& name, const std::string& diskPath, int hidden) {
        if (IsValidUtf8(name)) return AddNode(parent, name, diskPath, hidden);
        if (!AddNode(parent, name, diskPath, hidden | LIBISO_HIDE_ON_JOLIET)) return false;
        if (hidden & LIBISO_HIDE_ON_JOLIET) return true;
        return AddNode(parent, JolietEscapedName(name), diskPath, hidden | LIBISO_HIDE_ON_RR);
    }

    bool AddNode(IsoDir* parent, const std::string& name, const std::string& diskPath, int hidden) {
        IsoNode* node = nullptr;
        int r = iso_tree_add_new_node(image, parent, name.c_str(), diskPath.c_str(), &node);
        if (r < 0) {
            error = "「" + diskPath + "」をイメージに加えられません（" + LibraryText(r) + "）。";
            return false;
        }
        if (hidden) iso_node_set_hidden(node, hidden);
        if (iso_node_get_type(node) != LIBISO_DIR) return true;
        return AddChildren(reinterpret_cast<IsoDir*>(node), diskPath, hidden);
    }

    bool AddChildren(IsoDir* dir, const std::string& diskPath, int hidden) {
        DIR* d = opendir(diskPath.c_str());
        if (!d) {
            error = "フォルダ「" + diskPath + "」を読めません（" + SystemText(errno) + "）。";
            return false;
        }
        bool ok = true;
        errno = 0;
        while (dirent* e = readdir(d)) {
            std::string child = e->d_name;
            if (child == "." || child == "..") continue;
            std::string childPath = diskPath + "/" + child;
            struct stat st {};
            if (lstat(childPath.c_str(), &st) != 0) {
                error = "「" + childPath + "」を読めません（" + SystemText(errno) + "）。";
                ok = false;
                break;
            }
            // Links and special files have no data of their own to keep on a disc.
            if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) continue;
            if (!Add(dir, child, childPath, hidden)) {
                ok = false;
                break;
            }
            errno = 0;
        }
        if (ok && errno != 0) {
            error = "フォルダ「" + diskPath + "」を読めません（" + SystemText(errno) + "）。";
            ok = false;
        }
        closedir(d);
        return ok;
    }

    struct Place {
        IsoDir* dir;
        int hidden;
    };

    // The folders of a relative path, made on first use with the attributes of the folders on disk. A
    // folder whose name is not valid UTF-8 is reached twice, as its bytes and escaped, one per tree.
    bool PlacesOf(const std::string& folder, const std::string& relative, std::vector<Place>& places) {
        places = {{iso_image_get_root(image), 0}};
        std::size_t start = 0;
        for (std::size_t slash; (slash = relative.find('/', start)) != std::string::npos; start = slash + 1) {
            std::string part = relative.substr(start, slash - start);
            std::string diskPath = folder + "/" + relative.substr(0, slash);
            std::vector<Place> next;
            for (const Place& place : places) {
                if (IsValidUtf8(part)) {
                    next.push_back({Folder(place.dir, part, diskPath, place.hidden), place.hidden});
                    continue;
                }
                int raw = place.hidden | LIBISO_HIDE_ON_JOLIET;
                next.push_back({Folder(place.dir, part, diskPath, raw), raw});
                if (!(place.hidden & LIBISO_HIDE_ON_JOLIET)) {
                    int escaped = place.hidden | LIBISO_HIDE_ON_RR;
                    next.push_back({Folder(place.dir, JolietEscapedName(part), diskPath, escaped), escaped});
                }
            }
            for (const Place& place : next)
                if (!place.dir) return false;
            places = std::move(next);
        }
        return true;
    }

    IsoDir* Folder(IsoDir* parent, const std::string& name, const std::string& diskPath, int hidden) {
        IsoNode* node = nullptr;
        if (iso_dir_get_node(parent, name.c_str(), &node) == 1) {
            if (iso_node_get_type(node) == LIBISO_DIR) return reinterpret_cast<IsoDir*>(node);
            error = "「" + diskPath + "」はフォルダではありません。";
            return nullptr;
        }
        int r = iso_tree_add_new_node(image, parent, name.c_str(), diskPath.c_str(), &node);
        if (r < 0 || iso_node_get_type(node) != LIBISO_DIR) {
            error = "「" + diskPath + "」をイメージに加えられません（" + LibraryText(r) + "）。";
            return nullptr;
        }
        if (hidden) iso_node_set_hidden(node, hidden);
        return reinterpret_cast<IsoDir*>(node);
    }
};

namespace {

// Creates the writer's byte stream; it starts producing at once, so it is made only to be read or sized.
burn_source* StartStream(IsoImage* image, IsoWriteOpts* opts, int& result) {
    burn_source* source = nullptr;
    result = iso_image_create_burn_source(image, opts, &source);
    return result < 0 ? nullptr : source;
}

void StopStream(burn_source* source, bool early) {
    if (early && source->version > 0 && source->cancel) source->cancel(source);
    source->free_data(source);
    free(source);
}

}  // namespace

DiscImage::DiscImage(std::unique_ptr<Tree> tree, std::int64_t bytes)
    : tree_(std::move(tree)), bytes_(bytes) {}

DiscImage::~DiscImage() = default;

std::unique_ptr<DiscImage> DiscImage::Build(const std::string& relativeFolder,
                                            const std::vector<DiscItem>& items, const std::string& volumeName,
                                            std::string& error) {
    // libisofs takes only absolute paths of files.
    std::error_code ec;
    std::string folder = std::filesystem::absolute(relativeFolder, ec).string();
    InitLibrary();
    auto tree = std::make_unique<Tree>();
    if (iso_image_new(volumeName.c_str(), &tree->image) < 0 || iso_write_opts_new(&tree->opts, 0) < 0) {
        error = "ディスクイメージを準備できません（メモリ不足）。";
        return nullptr;
    }
    iso_image_set_ignore_aclea(tree->image, 3);
    IsoWriteOpts* opts = tree->opts;
    iso_write_opts_set_iso_level(opts, 3);
    iso_write_opts_set_rockridge(opts, 1);
    iso_write_opts_set_joliet(opts, 1);
    // Deep or long paths stay where they are (no relocation, nothing left out of a tree), so every item
    // takes the room the count gives it.
    iso_write_opts_set_allow_deep_paths(opts, 1);
    iso_write_opts_set_allow_longer_paths(opts, 1);
    iso_write_opts_set_joliet_longer_paths(opts, 1);

    std::vector<Tree::Place> places;
    for (const DiscItem& item : items) {
        if (!tree->PlacesOf(folder, item.path, places)) {
            error = tree->error;
            return nullptr;
        }
        std::size_t slash = item.path.rfind('/');
        std::string leaf = slash == std::string::npos ? item.path : item.path.substr(slash + 1);
        for (const Tree::Place& place : places) {
            if (!tree->Add(place.dir, leaf, folder + "/" + item.path, place.hidden)) {
                error = tree->error;
                return nullptr;
            }
        }
    }
    int result = 0;
    // Only the size is wanted here: libisofs then starts no writing thread.
    iso_write_opts_set_will_cancel(opts, 1);
    burn_source* source = StartStream(tree->image, opts, result);
    iso_write_opts_set_will_cancel(opts, 0);
    if (!source) {
        error = "ディスクイメージを準備できません（" + LibraryText(result) + "）。";
        return nullptr;
    }
    std::int64_t bytes = source->get_size(source);
    StopStream(source, true);
    return std::unique_ptr<DiscImage>(new DiscImage(std::move(tree), bytes));
}

std::string DiscImage::Write(const std::string& path, const DiscWriteProgress& progress,
                             const std::atomic<bool>& cancel) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return "「" + path + "」を作成できません（" + SystemText(errno) + "）。";
    int result = 0;
    burn_source* source = StartStream(tree_->image, tree_->opts, result);
    std::string failure;
    if (!source) failure = "ディスクイメージを作成できません（" + LibraryText(result) + "）。";
    std::vector<unsigned char> buffer(1 << 16);
    std::int64_t written = 0;
    while (source && failure.empty() && written < bytes_) {
        if (cancel.load()) {
            failure = kCancelled;
            break;
        }
        int want = static_cast<int>(std::min<std::int64_t>(buffer.size(), bytes_ - written));
        int got = source->read_xt(source, buffer.data(), want);
        if (got <= 0) {
            failure = "ディスクイメージのデータを作れません（ファイルの読み込みに失敗しました）。";
            break;
        }
        for (int done = 0; done < got;) {
            ssize_t w = ::write(fd, buffer.data() + done, got - done);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                failure = "「" + path + "」に書き込めません（" + SystemText(w < 0 ? errno : ENOSPC) + "）。";
                break;
            }
            done += static_cast<int>(w);
        }
        written += got;
        if (failure.empty() && progress) progress(written, bytes_);
    }
    if (source) StopStream(source, written < bytes_);
    if (close(fd) != 0 && failure.empty())
        failure = "「" + path + "」に書き込めません（" + SystemText(errno) + "）。";
    if (!failure.empty()) unlink(path.c_str());
    return failure;
}

}  // namespace drovalin
