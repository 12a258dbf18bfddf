#include <QTest>

#include "plan/media_presets.h"

class TestMediaPresets : public QObject {
    Q_OBJECT

  private slots:
    void eachMedium_data();
    void eachMedium();
    void listedInOrder();
};

void TestMediaPresets::eachMedium_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<int>("kilobytes");
    // 99 % of the user data area, in whole kilobytes rounded down.
    QTest::newRow("CD-R 80 min") << 0 << QString("CD-R（80分）") << qint64(737'280'000) << 712'800;
    QTest::newRow("DVD±R") << 1 << QString("DVD±R（4.7GB）") << qint64(4'700'372'992) << 4'544'305;
    QTest::newRow("DVD±R DL") << 2 << QString("DVD±R DL（8.5GB）") << qint64(8'543'666'176) << 8'259'989;
    QTest::newRow("BD-R") << 3 << QString("BD-R（25GB）") << qint64(25'025'314'816) << 24'194'396;
    QTest::newRow("BD-R DL") << 4 << QString("BD-R DL（50GB）") << qint64(50'050'629'632) << 48'388'792;
}

void TestMediaPresets::eachMedium() {
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(qint64, bytes);
    QFETCH(int, kilobytes);
    const drovalin::MediaPreset& preset = drovalin::MediaPresets()[std::size_t(index)];
    QCOMPARE(QString::fromUtf8(preset.name.data(), qsizetype(preset.name.size())), name);
    QCOMPARE(preset.userDataBytes, bytes);
    QCOMPARE(drovalin::PresetKilobytes(preset.userDataBytes), kilobytes);
}

void TestMediaPresets::listedInOrder() {
    const auto presets = drovalin::MediaPresets();
    QCOMPARE(presets.size(), std::size_t(5));
    for (std::size_t i = 1; i < presets.size(); ++i)
        QVERIFY(presets[i - 1].userDataBytes < presets[i].userDataBytes);
}

QTEST_APPLESS_MAIN(TestMediaPresets)
#include "test_media_presets.moc"
