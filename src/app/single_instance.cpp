#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <functional>

#include "app/handover.h"

namespace varnel {

InstanceAddress instanceAddressIn(const QString& folder) {
    QString base = QDir(folder).filePath(
        QStringLiteral("%1-%2").arg(QLatin1String(kInstanceName)).arg(::getuid()));
    return {base + QStringLiteral(".lock"), base};
}

InstanceAddress instanceAddress() {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QFileInfo info(runtime);
    if (runtime.isEmpty() || !info.isAbsolute() || !info.isDir()) runtime = QDir::tempPath();
    return instanceAddressIn(runtime);
}

InstanceLock::InstanceLock(QString path) : path_(std::move(path)) {}

InstanceLock::~InstanceLock() {
    release();
}

InstanceLock::Result InstanceLock::tryAcquire() {
    if (fd_ >= 0) return Result::Acquired;
    QByteArray native = QFile::encodeName(path_);
    int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Result::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? Result::HeldElsewhere : Result::Unavailable;
    }
    fd_ = fd;
    return Result::Acquired;
}

void InstanceLock::release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

namespace {

// Whether the process at the other end of `socket` runs as this user.
bool peerIsThisUser(QLocalSocket* socket) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
        return false;
    return cred.uid == ::getuid();
}

}  // namespace

InstanceServer::InstanceServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->setMaxPendingConnections(kMaxConnections);
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::acceptConnections);
}

InstanceServer::~InstanceServer() {
    // Connections still open are dropped without reporting back to this dying object.
    for (QLocalSocket* socket : server_->findChildren<QLocalSocket*>()) {
        socket->disconnect();
        delete socket;
    }
}

bool InstanceServer::listen(const QString& serverName) {
    QLocalServer::removeServer(serverName);
    return server_->listen(serverName);
}

QString InstanceServer::serverName() const {
    return server_->fullServerName();
}

void InstanceServer::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (connections_ >= kMaxConnections || !peerIsThisUser(socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        serve(socket);
    }
}

namespace {

// One accepted connection: reads the header, then exactly the record it announces, within the
// time limit; tells `done` the paths of a valid record (or nothing) exactly once.
class HandoverConnection : public QObject {
public:
    HandoverConnection(QLocalSocket* socket, int timeoutMs,
                       std::function<void(const QStringList&)> done)
        : QObject(socket), socket_(socket), done_(std::move(done)) {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { finish({}); });
        connect(socket_, &QLocalSocket::readyRead, this, [this] { read(); });
        connect(socket_, &QLocalSocket::disconnected, this, [this] {
            read();
            finish({});
        });
        timer_.start(timeoutMs);
    }

    void start() {
        read();
        if (socket_->state() != QLocalSocket::ConnectedState) finish({});
    }

private:
    void read() {
        while (!finished_ && socket_->bytesAvailable() > 0) {
            long long want = announcedHandoverSize(buffer_.constData(), size_t(buffer_.size()));
            if (want < 0) return finish({});
            qint64 need = want == 0 ? kHandoverHeaderBytes - buffer_.size() : want - buffer_.size();
            buffer_.append(socket_->read(need));
            long long total = announcedHandoverSize(buffer_.constData(), size_t(buffer_.size()));
            if (total < 0) return finish({});
            if (total > 0 && buffer_.size() == total) {
                // One record per connection: anything after it spoils it.
                if (socket_->bytesAvailable() > 0) return finish({});
                return finish(unpackPaths(buffer_.constData(), size_t(buffer_.size())));
            }
        }
    }

    void finish(const QStringList& paths) {
        if (finished_) return;
        finished_ = true;
        timer_.stop();
        buffer_.clear();
        socket_->abort();
        socket_->deleteLater();
        done_(paths);
    }

    QLocalSocket* socket_;
    std::function<void(const QStringList&)> done_;
    QTimer timer_;
    QByteArray buffer_;
    bool finished_ = false;
};

}  // namespace

void InstanceServer::serve(QLocalSocket* socket) {
    ++connections_;
    auto* connection = new HandoverConnection(socket, timeoutMs_, [this](const QStringList& paths) {
        --connections_;
        if (!paths.isEmpty()) emit pathsReceived(paths);
    });
    emit activationRequested();
    connection->start();
}

bool handOverToRunningInstance(const QString& serverName, const QStringList& paths, int timeoutMs,
                               QStringList* refused) {
    std::vector<QByteArray> records = packPathRecords(paths, refused);
    if (records.empty()) records.emplace_back();  // just bring the window forward
    QDeadlineTimer deadline(timeoutMs);
    for (const QByteArray& record : records) {
        QLocalSocket socket;
        for (;;) {
            socket.connectToServer(serverName);
            if (socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 1)))) break;
            if (deadline.hasExpired()) return false;
            QThread::msleep(50);
        }
        if (!record.isEmpty()) {
            socket.write(record);
            while (socket.bytesToWrite() > 0)
                if (!socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 1))))
                    return false;
            // The receiver closes its end once it has the record.
            if (socket.state() == QLocalSocket::ConnectedState)
                socket.waitForDisconnected(int(std::max<qint64>(deadline.remainingTime(), 1)));
        }
        socket.disconnectFromServer();
    }
    return true;
}

QStringList absolutePaths(const QStringList& arguments, const QString& workingDirectory) {
    QStringList out;
    QDir base(workingDirectory);
    for (const QString& a : arguments) {
        if (a.isEmpty()) continue;
        out.append(QDir::cleanPath(base.absoluteFilePath(a)));
    }
    return out;
}

}  // namespace varnel
