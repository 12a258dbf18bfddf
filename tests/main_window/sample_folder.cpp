#include "sample_folder.h"

#include <QByteArray>
#include <filesystem>
#include <fstream>
#include <stdexcept>

std::string MakeFolder(const std::string& parent, const std::string& name,
                       const std::vector<std::pair<std::string, std::int64_t>>& kilobyteFiles) {
    const std::string folder = parent + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(folder));
    for (const auto& [file, kilobytes] : kilobyteFiles) {
        std::ofstream out(std::filesystem::path(folder + "/" + file), std::ios::binary);
        const std::string block(1024, 'x');
        for (std::int64_t i = 0; i < kilobytes; ++i) out << block;
        if (!out) throw std::runtime_error("cannot write " + file);
    }
    return folder;
}

QUrl FileUrl(const std::string& path) {
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}
