#pragma once

#include <QDir>

#include <cstdlib>
#include <filesystem>
#include <string>

// A fresh folder under the temporary directory, removed with everything in it afterwards. Unlike
// QTemporaryDir it also removes entries whose names are not UTF-8.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = QDir::tempPath().toStdString() + "/drovalin-mover-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool IsValid() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};
