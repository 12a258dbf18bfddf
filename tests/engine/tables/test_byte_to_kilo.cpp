#include <QTest>
#include <cstdint>
#include <limits>

#include "tables/byte_to_kilo.h"

class TestByteToKilo : public QObject {
    Q_OBJECT
  private slots:
    void rounding_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<qint64>("kilobytes");
        QTest::newRow("zero") << qint64{0} << qint64{0};
        QTest::newRow("511 rounds down") << qint64{511} << qint64{0};
        QTest::newRow("512 half to even 0") << qint64{512} << qint64{0};
        QTest::newRow("513 rounds up") << qint64{513} << qint64{1};
        QTest::newRow("1023") << qint64{1023} << qint64{1};
        QTest::newRow("1024 exact") << qint64{1024} << qint64{1};
        QTest::newRow("1536 half to even 2") << qint64{1536} << qint64{2};
        QTest::newRow("2560 half to even 2") << qint64{2560} << qint64{2};
        QTest::newRow("3584 half to even 4") << qint64{3584} << qint64{4};
        QTest::newRow("2^31 beyond 32-bit bytes") << (qint64{1} << 31) << qint64{2097152};
        QTest::newRow("3 GiB") << qint64{3221225472} << qint64{3145728};
        QTest::newRow("2^40+512 half stays even") << (qint64{1} << 40) + 512 << (qint64{1} << 30);
        QTest::newRow("2^40+1536 half goes to even") << (qint64{1} << 40) + 1536 << (qint64{1} << 30) + 2;
        QTest::newRow("2^41 KB beyond 32-bit kilobytes") << (qint64{1} << 51) << (qint64{1} << 41);
        QTest::newRow("largest byte count") << std::numeric_limits<qint64>::max() << (qint64{1} << 53);
        QTest::newRow("-512 half to even 0") << qint64{-512} << qint64{0};
        QTest::newRow("-1536 half to even -2") << qint64{-1536} << qint64{-2};
        QTest::newRow("-513") << qint64{-513} << qint64{-1};
    }
    void rounding() {
        QFETCH(qint64, bytes);
        QFETCH(qint64, kilobytes);
        QCOMPARE(drovalin::ByteToKilo(bytes), kilobytes);
    }
};

QTEST_APPLESS_MAIN(TestByteToKilo)
#include "test_byte_to_kilo.moc"
