// One running editor per user: the first start holds a lock and listens on a local socket; a
// later start finds the lock held, hands its file paths to the first over the socket and exits.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace varnel {

// The name the instance's lock file and socket are derived from.
inline constexpr char kInstanceName[] = "OVVL-MainFrame-{3219D2DB-BD40-42f6-AB55-01D7A243432F}";

struct InstanceAddress {
    QString lockPath;    // the lock file standing in for a system-wide named mutex
    QString serverName;  // the full path of the local socket
};

// The per-user address: in $XDG_RUNTIME_DIR when that is an absolute path to a folder, otherwise
// in the temporary folder; the user id is part of the names, so users never meet.
InstanceAddress instanceAddress();
// The same in a given folder (tests use their own).
InstanceAddress instanceAddressIn(const QString& folder);

// An advisory lock on a file. The system releases it when the holder exits, crashed or not, so a
// lock file left behind by a crash never stops the next start.
class InstanceLock {
public:
    enum class Result {
        Acquired,       // this process is the first instance
        HeldElsewhere,  // another process holds it
        Unavailable,    // the lock file cannot be created or locked (then run without it)
    };

    explicit InstanceLock(QString path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result tryAcquire();
    bool held() const { return fd_ >= 0; }
    void release();

private:
    QString path_;
    int fd_ = -1;
};

// The first instance's end of the socket. Every connection from the same user asks for the
// window to be brought forward; one that delivers a complete, valid hand-over record passes its
// paths on. Anything else (another user, a malformed or oversized record, a connection that does
// not finish within the time limit, more than a few connections at once) is dropped.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 5000;
    static constexpr int kMaxConnections = 8;

    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;

    // Starts listening at `serverName`, replacing a socket left behind by a crashed instance
    // (the caller holds the lock, so no live instance owns it).
    bool listen(const QString& serverName);
    QString serverName() const;
    // How long one connection may take to deliver its record.
    void setTimeout(int ms) { timeoutMs_ = ms; }
    int openConnections() const { return connections_; }

signals:
    void activationRequested();
    void pathsReceived(const QStringList& paths);

private:
    void acceptConnections();
    void serve(QLocalSocket* socket);

    QLocalServer* server_;
    int timeoutMs_ = kDefaultTimeoutMs;
    int connections_ = 0;
};

// The second start's side: reaches the running instance at `serverName` (retrying for up to
// `timeoutMs` while it is still starting) and sends `paths` (absolute) in as many records as
// needed; with no paths it only asks for the window to come forward. Returns false when the
// running instance could not be reached; paths that do not fit a record are listed in `refused`.
bool handOverToRunningInstance(const QString& serverName, const QStringList& paths, int timeoutMs,
                               QStringList* refused = nullptr);

// `arguments` made absolute against `workingDirectory` and cleaned, in order.
QStringList absolutePaths(const QStringList& arguments, const QString& workingDirectory);

}  // namespace varnel
