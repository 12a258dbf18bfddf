#include <QTest>

#include "cp932_codec.h"
#include "stored_text.h"

using namespace drovalin;

class Cp932CodecTest : public QObject {
    Q_OBJECT

  private slots:
    void decodesWindowsVariant_data() {
        QTest::addColumn<QByteArray>("cp932");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("windowsWrites");
        QTest::newRow("ASCII, backslash kept")
            << QByteArray("C:\\a~") << QStringLiteral("C:\\a~") << QByteArray();
        QTest::newRow("full-width tilde")
            << QByteArray("\x81\x60") << QStringLiteral("\uFF5E") << QByteArray();
        QTest::newRow("NEC row 13") << QByteArray("\x87\x40") << QStringLiteral("\u2460") << QByteArray();
        QTest::newRow("IBM extension") << QByteArray("\xFA\x40") << QStringLiteral("\u2170") << QByteArray();
        QTest::newRow("NEC-selected IBM extension")
            << QByteArray("\xED\x40") << QStringLiteral("\u7E8A") << QByteArray("\xFA\x5C");
        QTest::newRow("trail byte 0x5C") << QByteArray("\x83\x5C") << QStringLiteral("ソ") << QByteArray();
        QTest::newRow("half-width katakana") << QByteArray("\xB1") << QStringLiteral("ｱ") << QByteArray();
    }
    void decodesWindowsVariant() {
        QFETCH(QByteArray, cp932);
        QFETCH(QString, text);
        QFETCH(QByteArray, windowsWrites);
        const std::optional<std::string> utf8 = DecodeCp932(cp932.toStdString());
        QVERIFY(utf8);
        QCOMPARE(QString::fromStdString(*utf8), text);
        const std::optional<std::string> back = EncodeCp932(*utf8);
        QVERIFY(back);
        QCOMPARE(QByteArray::fromStdString(*back), windowsWrites.isEmpty() ? cp932 : windowsWrites);
    }

    // The native form of stored text relies on this: nothing code page 932 holds starts with 0xEF.
    void noTextBeginsWithEF() {
        for (int trail = 0; trail < 0x100; ++trail) {
            const std::string bytes{'\xEF', static_cast<char>(trail)};
            QVERIFY2(!DecodeCp932(bytes), qPrintable(QString::number(trail, 16)));
        }
    }

    void storesTextCodePage932Lacks_data() {
        QTest::addColumn<QByteArray>("native");
        QTest::addColumn<bool>("asCp932");
        QTest::newRow("Japanese") << QByteArray("日本語") << true;
        QTest::newRow("heart") << QByteArray("♥") << false;
        QTest::newRow("accented") << QByteArray("café") << false;
        QTest::newRow("emoji") << QByteArray("📁") << false;
        QTest::newRow("yen sign, one way onto 0x5C") << QByteArray("¥") << false;
        QTest::newRow("not UTF-8") << QByteArray("\xFF\xFE/a") << false;
        QTest::newRow("lone lead byte") << QByteArray("\x82") << false;
    }
    void storesTextCodePage932Lacks() {
        QFETCH(QByteArray, native);
        QFETCH(bool, asCp932);
        const std::string stored = ToStoredText(native.toStdString());
        QCOMPARE(!stored.starts_with("\xEF\xBB\xBF"), asCp932);
        const std::optional<std::string> back = FromStoredText(stored);
        QVERIFY(back);
        QCOMPARE(QByteArray::fromStdString(*back), native);
    }
};

QTEST_GUILESS_MAIN(Cp932CodecTest)
#include "cp932_codec_test.moc"
