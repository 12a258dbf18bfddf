#include "message_box_split_dialogs.h"

#include "move_notices.h"
#include "ok_message_box.h"
#include "tables/byte_to_kilo.h"

namespace {

const QString kTitle = QStringLiteral("フォルダに分けられません");

QString Decoded(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void ShowWarning(QWidget* parent, const QString& text) {
    ShowOkMessageBox(parent, kTitle, text, QMessageBox::Warning);
}

}  // namespace

MessageBoxSplitDialogs::MessageBoxSplitDialogs(QWidget* parent) : parent_(parent), moveDialogs_(parent) {}

std::vector<std::string> MessageBoxSplitDialogs::ConfirmationLines(
    const std::vector<drovalin::SplitMedium>& media) {
    std::vector<std::string> lines;
    for (const drovalin::SplitMedium& medium : media) {
        std::string heading = "【" + medium.subfolder + "】 " + std::to_string(medium.names.size()) + " 個";
        if (!medium.bytes.empty()) {
            std::int64_t bytes = 0;
            for (const std::int64_t size : medium.bytes) bytes += size;
            heading += "　" + std::to_string(drovalin::ByteToKilo(bytes)) + " KB";
        }
        lines.push_back(heading);
        for (const std::string& name : medium.names) lines.push_back("　" + name);
    }
    return lines;
}

std::string MessageBoxSplitDialogs::ConfirmationSummary(const std::vector<drovalin::SplitMedium>& media) {
    std::size_t files = 0;
    for (const drovalin::SplitMedium& medium : media) files += medium.names.size();
    std::string summary = "媒体 " + std::to_string(media.size()) + " 枚分、" + std::to_string(files) +
                          " 個のファイルを新しいフォルダ ";
    summary +=
        media.size() == 1 ? media.front().subfolder : media.front().subfolder + "～" + media.back().subfolder;
    return summary + " に分けて移動します";
}

bool MessageBoxSplitDialogs::ConfirmSplit(const std::vector<drovalin::SplitMedium>& media) {
    return moveDialogs_.ConfirmMove(ConfirmationLines(media), ConfirmationSummary(media));
}

void MessageBoxSplitDialogs::ReportChangedFiles(const std::vector<std::string>& names) {
    ShowOkMessageBox(parent_, drovalin::ChangedFilesTitle(), drovalin::ChangedFilesText(names),
                     QMessageBox::Warning);
}

void MessageBoxSplitDialogs::ReportExistingSubfolder(const std::string& subfolder) {
    ShowWarning(
        parent_,
        QStringLiteral("フォルダの中に「%1」という名前の項目が既にあるため、ファイルは移動していません。\n"
                       "その項目の名前を変えるか別の場所に移してから、もう一度お試しください。")
            .arg(Decoded(subfolder)));
}

void MessageBoxSplitDialogs::ReportSubfolderFailure(const std::string& subfolder, const std::string& detail) {
    ShowWarning(parent_,
                QStringLiteral("移動先のフォルダ「%1」を用意できなかったため、そこから先のファイルは移動して"
                               "いません。\n%2")
                    .arg(Decoded(subfolder), Decoded(detail)));
}

void MessageBoxSplitDialogs::ReportMoveFailure(const std::string& name, const std::string& reason) {
    moveDialogs_.ReportMoveFailureAt(name, reason);
}
