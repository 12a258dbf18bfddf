#pragma once

#include <QString>

#include <optional>
#include <string>

#include "settings_files.h"

namespace drovalin {

// One settings file in the current directory, read and written in one go.
class SettingsFile {
  public:
    // name: as the file is opened, relative to the current directory; what: how the user knows the
    // file, in Japanese, for messages.
    SettingsFile(QString name, QString what);

    // The file's bytes; empty when it is missing. Nothing when it exists but cannot be read.
    std::optional<std::string> Load() const;

    // The first line's bytes without its line end; empty when the file is missing or unreadable.
    std::string FirstLine() const;

    // Replaces the file's bytes through a temporary file beside it, so a failed write leaves the old
    // file whole. Where no temporary file can be made but the file exists, it is rewritten in place.
    SettingsWriteResult Save(const std::string& bytes) const;

    // A failure to write the file, in a sentence for the user.
    SettingsWriteResult Failure(const QString& reason) const;

  private:
    // Empties the existing file and writes bytes into it, checking every step.
    SettingsWriteResult SaveInPlace(const std::string& bytes, const QString& whyNotReplaced) const;

    QString name_;
    QString what_;
};

}  // namespace drovalin
