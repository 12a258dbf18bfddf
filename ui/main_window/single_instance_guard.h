#pragma once

#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

namespace drovalin {

// One running instance per user. The first instance holds a lock file and listens on a local socket; a later
// one finds the lock taken and asks the first, over the socket, to bring its window to the front. A lock left
// by an instance that crashed is taken over.
class SingleInstanceGuard {
  public:
    // key names the lock and the socket; the default is this user's, other keys keep tests apart.
    explicit SingleInstanceGuard(const QString& key = DefaultKey());
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;
    ~SingleInstanceGuard();

    static QString DefaultKey();

    // Takes the lock. False only when another live instance holds it; when no lock can be made at all (an
    // unwritable directory) the program runs rather than refusing to start.
    bool TryBecomePrimary();
    // For the primary instance: calls activate whenever another instance asks for the window. False when the
    // socket could not be opened (other instances then cannot raise this one).
    bool Listen(std::function<void()> activate);
    // For a later instance: asks the primary to activate its window. True once the primary has confirmed,
    // false when it did not answer within timeoutMs.
    bool ActivatePrimary(int timeoutMs = 3000) const;

    QString LockFilePath() const;
    QString SocketPath() const;

  private:
    QString directory_;
    QString key_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace drovalin
