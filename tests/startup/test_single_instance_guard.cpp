#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <future>

#include "single_instance_guard.h"

using drovalin::SingleInstanceGuard;

namespace {

// Keys of this test process only, so no real instance and no other test run is disturbed.
QString TestKey() {
    static int serial = 0;
    return QStringLiteral("drovalin-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++serial);
}

// The later instance blocks while it waits for an answer, so it runs on its own thread while this one serves.
bool ActivateFromAnotherThread(const QString& key, int timeoutMs) {
    auto reply = std::async(std::launch::async, [key, timeoutMs] {
        const SingleInstanceGuard secondary(key);
        return secondary.ActivatePrimary(timeoutMs);
    });
    while (reply.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) QTest::qWait(10);
    return reply.get();
}

}  // namespace

class TestSingleInstanceGuard : public QObject {
    Q_OBJECT

  private slots:
    void onlyOneGuardPerKeyIsPrimary() {
        const QString key = TestKey();
        auto first = std::make_unique<SingleInstanceGuard>(key);
        SingleInstanceGuard second(key);
        SingleInstanceGuard other(TestKey());
        QVERIFY(first->TryBecomePrimary());
        QVERIFY(first->TryBecomePrimary());
        QVERIFY(!second.TryBecomePrimary());
        QVERIFY(other.TryBecomePrimary());
        first.reset();
        QVERIFY(second.TryBecomePrimary());
    }

    void laterInstanceHasThePrimaryActivated() {
        const QString key = TestKey();
        SingleInstanceGuard primary(key);
        QVERIFY(primary.TryBecomePrimary());
        int activations = 0;
        QVERIFY(primary.Listen([&activations] { ++activations; }));
        QVERIFY(ActivateFromAnotherThread(key, 5000));
        QCOMPARE(activations, 1);
        QVERIFY(ActivateFromAnotherThread(key, 5000));
        QCOMPARE(activations, 2);
    }

    void activatingWithoutAPrimaryFails() {
        const SingleInstanceGuard lonely(TestKey());
        QVERIFY(!lonely.ActivatePrimary(300));
    }

    // Only the exact request activates; anything else is dropped without an answer.
    void foreignRequestsAreRefused_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("activations");
        QTest::newRow("the request") << QByteArray("activate\n") << 1;
        QTest::newRow("twice on one connection") << QByteArray("activate\nactivate\n") << 2;
        QTest::newRow("another line") << QByteArray("quit\n") << 0;
        QTest::newRow("request without line end, then more")
            << QByteArray("activate") + QByteArray(80, 'x') << 0;
        QTest::newRow("empty line") << QByteArray("\n") << 0;
    }
    void foreignRequestsAreRefused() {
        QFETCH(QByteArray, request);
        QFETCH(int, activations);
        SingleInstanceGuard primary(TestKey());
        QVERIFY(primary.TryBecomePrimary());
        int activated = 0;
        QVERIFY(primary.Listen([&activated] { ++activated; }));
        QLocalSocket peer;
        peer.connectToServer(primary.SocketPath());
        QVERIFY(peer.waitForConnected(2000));
        peer.write(request);
        peer.flush();
        QTRY_COMPARE(activated, activations);
        QTRY_COMPARE(peer.bytesAvailable(), qint64(activations) * qint64(sizeof("activated\n") - 1));
        if (activations == 0) QTRY_COMPARE(peer.state(), QLocalSocket::UnconnectedState);
    }

    // A running instance in another process keeps the lock; once it is killed, its lock and socket files are
    // left behind and the next instance takes both over.
    void lockOfACrashedInstanceIsTakenOver() {
        const QString key = TestKey();
        QProcess running;
        running.start(QStringLiteral(INSTANCE_PROBE), {key});
        QVERIFY(running.waitForReadyRead(5000));
        QCOMPARE(running.readLine(), QByteArray("primary\n"));

        SingleInstanceGuard next(key);
        QVERIFY(!next.TryBecomePrimary());
        QVERIFY(next.ActivatePrimary(5000));
        QVERIFY(running.waitForReadyRead(5000));
        QCOMPARE(running.readLine(), QByteArray("activated\n"));

        running.kill();
        QVERIFY(running.waitForFinished(5000));
        QVERIFY(QFile::exists(next.LockFilePath()));
        QVERIFY(QFile::exists(next.SocketPath()));
        QVERIFY(next.TryBecomePrimary());
        int activations = 0;
        QVERIFY(next.Listen([&activations] { ++activations; }));
        QVERIFY(ActivateFromAnotherThread(key, 5000));
        QCOMPARE(activations, 1);
    }
};

QTEST_MAIN(TestSingleInstanceGuard)
#include "test_single_instance_guard.moc"
