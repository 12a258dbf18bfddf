#pragma once

#include <string>

#include "plan/media_plan.h"
#include "tables/file_table.h"

namespace drovalin {

// A file name as UTF-8 text for the plan's CSV file. Valid UTF-8 stays as it is, except that a backslash
// becomes two backslashes; each byte that is not part of valid UTF-8 becomes \xHH (two upper-case hex
// digits). UnescapedName gives back the file system's bytes.
std::string EscapedName(const std::string& name);
std::string UnescapedName(const std::string& escaped);

// One CSV field as RFC 4180 writes it: quoted, with quotes doubled, when it holds a comma, a quote, CR or LF.
std::string CsvField(const std::string& text);

// The plan as CSV text: UTF-8, lines ending in CR LF, the header row
// 媒体番号,ファイル名,ファイルサイズ（KB）, then one line per file: the medium's number (from 1, in the
// plan's order), the escaped name and the kilobytes, medium by medium; files too large for the medium follow
// with an empty number.
std::string PlanCsvText(const MediaPlan& plan, const FileTable& files);

// Writes the text to path through a temporary file in the same folder that then replaces path, so a failure
// never leaves a half-written file. Returns an empty text on success, else why it failed (Japanese, UTF-8).
std::string WriteFileReplacing(const std::string& path, const std::string& text);

}  // namespace drovalin
