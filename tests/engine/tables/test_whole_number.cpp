#include <QTest>
#include <limits>

#include "tables/whole_number.h"

class TestWholeNumber : public QObject {
    Q_OBJECT
  private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        const int max = std::numeric_limits<int>::max();
        const int min = std::numeric_limits<int>::min();
        QTest::newRow("plain") << QByteArray("700") << true << 700;
        QTest::newRow("blanks around") << QByteArray(" \t4589843 ") << true << 4589843;
        QTest::newRow("plus sign") << QByteArray("+5") << true << 5;
        QTest::newRow("minus sign") << QByteArray("-5") << true << -5;
        QTest::newRow("leading zeros") << QByteArray("000123") << true << 123;
        QTest::newRow("full-width digits") << QByteArray("７００") << true << 700;
        QTest::newRow("ideographic space") << QByteArray(
                                                  "\u3000"
                                                  "42\u3000")
                                           << true << 42;
        QTest::newRow("minus sign character") << QByteArray(
                                                     "\u2212"
                                                     "7")
                                              << true << -7;
        QTest::newRow("2.5 to even 2") << QByteArray("2.5") << true << 2;
        QTest::newRow("3.5 to even 4") << QByteArray("3.5") << true << 4;
        QTest::newRow("2.50001 up") << QByteArray("2.50001") << true << 3;
        QTest::newRow("2.4999 down") << QByteArray("2.4999") << true << 2;
        QTest::newRow("-2.5 to even -2") << QByteArray("-2.5") << true << -2;
        QTest::newRow(".5 to even 0") << QByteArray(".5") << true << 0;
        QTest::newRow("trailing point") << QByteArray("5.") << true << 5;
        QTest::newRow("largest") << QByteArray("2147483647") << true << max;
        QTest::newRow("smallest") << QByteArray("-2147483648") << true << min;
        QTest::newRow("smallest with half") << QByteArray("-2147483648.5") << true << min;
        QTest::newRow("one past largest") << QByteArray("2147483648") << false << 0;
        QTest::newRow("rounds past largest") << QByteArray("2147483647.5") << false << 0;
        QTest::newRow("one past smallest") << QByteArray("-2147483649") << false << 0;
        QTest::newRow("very long") << QByteArray("99999999999999999999999999") << false << 0;
        QTest::newRow("empty") << QByteArray("") << false << 0;
        QTest::newRow("blanks only") << QByteArray("   ") << false << 0;
        QTest::newRow("sign only") << QByteArray("-") << false << 0;
        QTest::newRow("point only") << QByteArray(".") << false << 0;
        QTest::newRow("letters") << QByteArray("abc") << false << 0;
        QTest::newRow("unit after") << QByteArray("700KB") << false << 0;
        QTest::newRow("exponent") << QByteArray("1e3") << false << 0;
        QTest::newRow("inner blank") << QByteArray("1 2") << false << 0;
        QTest::newRow("separator") << QByteArray("4,589,843") << false << 0;
        QTest::newRow("two signs") << QByteArray("--5") << false << 0;
        QTest::newRow("invalid UTF-8") << QByteArray(
                                              "\xff"
                                              "5")
                                       << false << 0;
    }
    void parse() {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const auto parsed = drovalin::ParseWholeNumber(std::string_view(text.constData(), text.size()));
        QCOMPARE(parsed.has_value(), valid);
        if (valid) QCOMPARE(*parsed, value);
    }
};

QTEST_APPLESS_MAIN(TestWholeNumber)
#include "test_whole_number.moc"
