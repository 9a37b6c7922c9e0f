#include "app/single_instance.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include "app/handover.h"
#include "gui_test_support.h"

namespace varnel {
namespace {

using test::waitFor;

TEST(InstanceLock, OneHolderAtATimeAndReleasedWithItsHolder) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.lock"));
    InstanceLock first(path), second(path);
    EXPECT_EQ(first.tryAcquire(), InstanceLock::Result::Acquired);
    EXPECT_EQ(second.tryAcquire(), InstanceLock::Result::HeldElsewhere);
    first.release();
    EXPECT_EQ(second.tryAcquire(), InstanceLock::Result::Acquired);

    InstanceLock nowhere(dir.filePath(QStringLiteral("missing/folder/x.lock")));
    EXPECT_EQ(nowhere.tryAcquire(), InstanceLock::Result::Unavailable);
}

TEST(InstanceLock, LockFileLeftByAKilledInstanceDoesNotBlock) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.lock"));
    const QByteArray native = QFile::encodeName(path);
    // A process that takes the lock and dies without a chance to clean up.
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int fd = ::open(native.constData(), O_RDWR | O_CREAT, 0600);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(fd, "12345", 5) != 5) ::_exit(1);
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(QFile::exists(path));
    InstanceLock next(path);
    EXPECT_EQ(next.tryAcquire(), InstanceLock::Result::Acquired);
}

TEST(InstanceAddress, PerUserNamesInTheRuntimeFolder) {
    InstanceAddress a = instanceAddressIn(QStringLiteral("/run/user/7"));
    const QString base =
        QStringLiteral("/run/user/7/OVVL-MainFrame-{3219D2DB-BD40-42f6-AB55-01D7A243432F}-%1")
            .arg(::getuid());
    EXPECT_EQ(a.serverName, base);
    EXPECT_EQ(a.lockPath, base + QStringLiteral(".lock"));
}

TEST(InstanceArguments, MadeAbsoluteAndCleaned) {
    QStringList got = absolutePaths({QStringLiteral("a.png"), QStringLiteral("../b/./c.jpg"),
                                     QStringLiteral("/abs/d.bmp"), QString()},
                                    QStringLiteral("/home/u/pics"));
    EXPECT_EQ(got, (QStringList{QStringLiteral("/home/u/pics/a.png"),
                                QStringLiteral("/home/u/b/c.jpg"), QStringLiteral("/abs/d.bmp")}));
}

// A listening first instance in a scratch runtime folder, with counters of what it reported.
struct ServerFixture : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        address = instanceAddressIn(dir.path());
        ASSERT_TRUE(server.listen(address.serverName));
        QObject::connect(&server, &InstanceServer::activationRequested, [this] { ++activations; });
        QObject::connect(&server, &InstanceServer::pathsReceived, [this](const QStringList& p) {
            received.append(p);
            ++records;
        });
    }

    // Connects, writes `chunks` (one write each, with the event loop run in between) and
    // returns whether the server closed the connection within `ms`.
    bool send(const std::vector<QByteArray>& chunks, int ms = 3000) {
        QLocalSocket socket;
        socket.connectToServer(address.serverName);
        if (!socket.waitForConnected(2000)) return false;
        for (const QByteArray& c : chunks) {
            socket.write(c);
            socket.flush();
            waitFor([] { return false; }, 30);
        }
        return waitFor([&] { return socket.state() == QLocalSocket::UnconnectedState; }, ms);
    }

    QTemporaryDir dir;
    InstanceAddress address;
    InstanceServer server;
    int activations = 0, records = 0;
    QStringList received;
};

TEST_F(ServerFixture, ValidRecordIsPassedOnEvenWhenItArrivesInPieces) {
    QByteArray r = packPaths({QStringLiteral("/p/a.png"), QStringLiteral("/p/b.jpg")});
    ASSERT_TRUE(send({r.left(5), r.mid(5, 300), r.mid(305)}));
    ASSERT_TRUE(waitFor([&] { return records == 1; }));
    EXPECT_EQ(received, (QStringList{QStringLiteral("/p/a.png"), QStringLiteral("/p/b.jpg")}));
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(server.openConnections(), 0);
}

TEST_F(ServerFixture, HostileRecordsAreDroppedAndTheirConnectionsClosed) {
    const QByteArray good = packPaths({QStringLiteral("/p/a.png")});
    QByteArray huge = good.left(12);
    qToLittleEndian<uint32_t>(0xFFFFFFF0u, huge.data() + 4);
    QByteArray lying = good;
    qToLittleEndian<uint32_t>(2, lying.data() + 8);
    struct Case {
        const char* name;
        std::vector<QByteArray> chunks;
    } cases[] = {
        {"garbage", {QByteArray("GET / HTTP/1.0\r\n\r\n")}},
        {"announces 4 GB", {huge, QByteArray(4096, 'x')}},
        {"count does not match the size", {lying}},
        {"a second record behind the first", {good + good}},
        {"trailing byte", {good + QByteArray(1, '\0')}},
        {"header then hang-up", {good.left(12)}},
    };
    server.setTimeout(1000);  // the record that never comes
    for (const Case& c : cases) EXPECT_TRUE(send(c.chunks)) << c.name;
    waitFor([] { return false; }, 50);
    EXPECT_EQ(records, 0);
    EXPECT_TRUE(received.isEmpty());
    EXPECT_EQ(server.openConnections(), 0);
}

TEST_F(ServerFixture, IdleConnectionsAreClosedAfterTheTimeLimit) {
    server.setTimeout(200);
    QLocalSocket idle;
    idle.connectToServer(address.serverName);
    ASSERT_TRUE(idle.waitForConnected(2000));
    idle.write(packPaths({QStringLiteral("/p/a.png")}).left(20));
    idle.flush();
    ASSERT_TRUE(waitFor([&] { return server.openConnections() == 1; }));
    EXPECT_TRUE(waitFor([&] { return idle.state() == QLocalSocket::UnconnectedState; }, 3000));
    EXPECT_EQ(server.openConnections(), 0);
    EXPECT_EQ(records, 0);
}

TEST_F(ServerFixture, ConnectionsBeyondTheCapAreRefused) {
    std::vector<std::unique_ptr<QLocalSocket>> held;
    for (int i = 0; i < InstanceServer::kMaxConnections; ++i) {
        held.push_back(std::make_unique<QLocalSocket>());
        held.back()->connectToServer(address.serverName);
        ASSERT_TRUE(held.back()->waitForConnected(2000));
    }
    ASSERT_TRUE(
        waitFor([&] { return server.openConnections() == InstanceServer::kMaxConnections; }));
    QLocalSocket extra;
    extra.connectToServer(address.serverName);
    ASSERT_TRUE(extra.waitForConnected(2000));
    EXPECT_TRUE(waitFor([&] { return extra.state() == QLocalSocket::UnconnectedState; }));
    for (auto& s : held) EXPECT_EQ(s->state(), QLocalSocket::ConnectedState);
}

// The editor program itself, started while this process is the first instance.
struct SecondStartFixture : ServerFixture {
    void SetUp() override {
        ServerFixture::SetUp();
        lock = std::make_unique<InstanceLock>(address.lockPath);
        ASSERT_EQ(lock->tryAcquire(), InstanceLock::Result::Acquired);
        work = dir.filePath(QStringLiteral("work"));
        ASSERT_TRUE(QDir().mkpath(work));
    }

    // Runs the editor with `args` in the work folder; returns its exit code (-1 on a crash or
    // when it did not finish in time).
    int runEditor(const QStringList& args) {
        QProcess editor;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        // Recovery copies the user's own editor left behind would be offered in a dialog.
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir.path());
        editor.setProcessEnvironment(env);
        editor.setWorkingDirectory(work);
        editor.start(QStringLiteral(VARNEL_EDITOR_BINARY), args);
        if (!editor.waitForStarted(5000)) return -1;
        // The event loop must run meanwhile: this process is the one being handed the paths.
        if (!waitFor([&] { return editor.state() == QProcess::NotRunning; }, 30000)) {
            editor.kill();
            editor.waitForFinished();
            return -1;
        }
        return editor.exitStatus() == QProcess::NormalExit ? editor.exitCode() : -1;
    }

    std::unique_ptr<InstanceLock> lock;
    QString work;
};

TEST_F(SecondStartFixture, HandsItsFilesToTheFirstInstanceAsAbsolutePathsAndExits) {
    EXPECT_EQ(runEditor({QStringLiteral("pic.png"), QStringLiteral("sub/../b.jpg"),
                         QStringLiteral("/elsewhere/c.bmp")}),
              0);
    ASSERT_TRUE(waitFor([&] { return records == 1; }));
    EXPECT_EQ(received,
              (QStringList{work + QStringLiteral("/pic.png"), work + QStringLiteral("/b.jpg"),
                           QStringLiteral("/elsewhere/c.bmp")}));
    EXPECT_GE(activations, 1);
}

TEST_F(SecondStartFixture, WithoutFilesOnlyAsksForTheWindow) {
    EXPECT_EQ(runEditor({}), 0);
    ASSERT_TRUE(waitFor([&] { return activations == 1; }));
    waitFor([] { return false; }, 100);
    EXPECT_EQ(records, 0);
}

}  // namespace
}  // namespace varnel
