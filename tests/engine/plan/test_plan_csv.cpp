#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "plan/media_plan.h"
#include "plan/plan_csv.h"
#include "tables/file_table.h"

using Fields = std::vector<std::string>;

namespace {

// Reads CSV text as RFC 4180 defines it: records end in CR LF, quoted fields may hold anything, "" is a
// quote.
std::vector<Fields> ParseCsv(const std::string& text) {
    std::vector<Fields> records;
    Fields fields;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            fields.push_back(field);
            records.push_back(fields);
            fields.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

class TestPlanCsv : public QObject {
    Q_OBJECT
  private slots:
    void nameEscaping_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("escaped");
        QTest::newRow("plain") << QByteArray("movie.mkv") << QByteArray("movie.mkv");
        QTest::newRow("Japanese") << QByteArray("映画.mkv") << QByteArray("映画.mkv");
        QTest::newRow("backslash") << QByteArray("a\\b") << QByteArray("a\\\\b");
        QTest::newRow("looks escaped") << QByteArray("\\x41") << QByteArray("\\\\x41");
        QTest::newRow("Shift-JIS bytes")
            << QByteArray("\x83\x65\x83\x58\x83\x67") << QByteArray("\\x83e\\x83X\\x83g");
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << QByteArray("\\xC0\\xAF");
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QByteArray("\\xED\\xA0\\x80");
        QTest::newRow("cut sequence") << QByteArray("a\xE6\x98") << QByteArray("a\\xE6\\x98");
        QTest::newRow("beyond U+10FFFF")
            << QByteArray("\xF4\x90\x80\x80") << QByteArray("\\xF4\\x90\\x80\\x80");
    }
    void nameEscaping() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, escaped);
        const std::string got = drovalin::EscapedName(name.toStdString());
        QCOMPARE(QByteArray::fromStdString(got), escaped);
        QVERIFY(QString::fromUtf8(got).toUtf8() == QByteArray::fromStdString(got));  // valid UTF-8
        QCOMPARE(QByteArray::fromStdString(drovalin::UnescapedName(got)), name);
    }

    // Names that need quoting and escaping come back byte for byte from the written file.
    void planRoundTrip() {
        const std::vector<std::string> names{"plain.txt",   "com,ma",       "quo\"te",  "line\nbreak",
                                             "back\\slash", "sjis\x83\x65", "tab\there"};
        auto files = std::make_shared<drovalin::FileTable>();
        std::int64_t size = 500;
        for (const std::string& name : names) files->Append(name, size -= 60);
        files->Append("huge.iso", 900);
        files->SortBySizeDescending();
        const drovalin::MediaPlan plan = drovalin::PlanMedia(*files, 700);

        QTemporaryDir dir;
        const std::string path = dir.path().toStdString() + "/plan.csv";
        QCOMPARE(QByteArray::fromStdString(drovalin::WriteFileReplacing(path, "old contents")), QByteArray());
        QCOMPARE(QByteArray::fromStdString(
                     drovalin::WriteFileReplacing(path, drovalin::PlanCsvText(plan, *files))),
                 QByteArray());
        const std::vector<Fields> records = ParseCsv(ReadAll(path));
        QCOMPARE(records.size(), names.size() + 2);
        QCOMPARE(records[0], (Fields{"媒体番号", "ファイル名", "ファイルサイズ（KB）"}));
        std::size_t line = 1;
        for (std::size_t m = 0; m < plan.media.size(); ++m) {
            for (const int row : plan.media[m].rows) {
                const Fields& record = records[line++];
                QCOMPARE(record, (Fields{std::to_string(m + 1), drovalin::EscapedName(files->Name(row)),
                                         std::to_string(files->Kilobytes(row))}));
                QCOMPARE(drovalin::UnescapedName(record[1]), files->Name(row));
            }
        }
        QCOMPARE(records[line], (Fields{"", "huge.iso", "900"}));
        // Nothing but the file itself is left in the folder.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("plan.csv")});
    }

    void writeFailureIsReported() {
        QTemporaryDir dir;
        const std::string missing = dir.path().toStdString() + "/no such folder/plan.csv";
        const std::string error = drovalin::WriteFileReplacing(missing, "text");
        QVERIFY(!error.empty());
        QVERIFY(QString::fromStdString(error).contains(QStringLiteral("フォルダが見つかりません")));
    }
};

QTEST_GUILESS_MAIN(TestPlanCsv)
#include "test_plan_csv.moc"
