#include "folder_snapshot.h"

#include <dirent.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

bool WriteFolderTree(const std::string& root, const FolderTree& tree) {
    for (const auto& [path, content] : tree) {
        const std::string full = root + "/" + path;
        if (path.ends_with('/')) {
            if (mkdir(full.c_str(), 0755) != 0) return false;
            continue;
        }
        std::ofstream out(full, std::ios::binary);
        out << content;
        if (!out) return false;
    }
    return true;
}

namespace {

void ReadInto(const std::string& root, const std::string& prefix, FolderTree& tree) {
    DIR* dir = opendir((root + "/" + prefix).c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = prefix + name;
        const std::string full = root + "/" + path;
        struct stat info {};
        if (lstat(full.c_str(), &info) != 0) continue;
        if (S_ISDIR(info.st_mode)) {
            tree[path + "/"] = "";
            ReadInto(root, path + "/", tree);
        } else if (S_ISREG(info.st_mode)) {
            std::ifstream in(full, std::ios::binary);
            tree[path] = std::string(std::istreambuf_iterator<char>(in), {});
        } else {
            tree[path] = "<other>";
        }
    }
    closedir(dir);
}

}  // namespace

FolderTree ReadFolderTree(const std::string& root) {
    FolderTree tree;
    ReadInto(root, "", tree);
    return tree;
}

QByteArray DescribeFolderTree(const FolderTree& tree) {
    QByteArray text;
    for (const auto& [path, content] : tree) {
        text += QByteArray::fromStdString(path).toPercentEncoding("/,. ") + " = " +
                QByteArray::fromStdString(content).toPercentEncoding(" ") + "\n";
    }
    return text;
}
