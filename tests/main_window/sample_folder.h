#pragma once

#include <QUrl>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Makes the folder parent/name (name as raw bytes) holding files of the given sizes in kilobytes, and returns
// its path.
std::string MakeFolder(const std::string& parent, const std::string& name,
                       const std::vector<std::pair<std::string, std::int64_t>>& kilobyteFiles);

// A file URL as a file manager sends it: every byte of the path that is not plain ASCII is percent-encoded.
QUrl FileUrl(const std::string& path);
