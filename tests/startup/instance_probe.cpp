// A stand-in for a running instance in another process: takes the instance lock for the key given as the
// first argument, listens, and reports on its standard output; the test kills it to leave a stale lock
// behind.
#include <QCoreApplication>
#include <cstdio>

#include "single_instance_guard.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 2) return 2;
    drovalin::SingleInstanceGuard guard(QString::fromLocal8Bit(argv[1]));
    if (!guard.TryBecomePrimary()) {
        std::puts("secondary");
        return 1;
    }
    const bool listening = guard.Listen([] {
        std::puts("activated");
        std::fflush(stdout);
    });
    std::puts(listening ? "primary" : "not listening");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
