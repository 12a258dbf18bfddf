#pragma once

#include <QByteArray>

#include <map>
#include <string>

// A folder's contents as plain data: "name" maps to the file's bytes, "name/" to "" for a folder, and
// entries inside a folder are written "folder/name".
using FolderTree = std::map<std::string, std::string>;

// Creates the entries under root; false when one could not be made.
bool WriteFolderTree(const std::string& root, const FolderTree& tree);
// Everything under root, folders entered; an entry that is neither file nor folder reads as "<other>".
FolderTree ReadFolderTree(const std::string& root);
// One line per entry, bytes outside printable ASCII escaped, so a failed comparison shows the difference.
QByteArray DescribeFolderTree(const FolderTree& tree);
