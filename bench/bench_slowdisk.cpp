// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Slow disks: the command line on the 1M tree with the page cache dropped
// before each run, and the 100k tree on a network share (sshfs from an sshd on
// a loopback address, started here with its own key, reached through a relay
// that adds 1 ms each way), remounted before each run so that no cache helps;
// also the window's "2. Start Creating List" on that share.
#include "Bench.h"

#include "window/Form1.h"
#include "window/ListView.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Rounds = 3;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

QString palavineProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../palavine");
}

QString fdProgram() {
    for (const char* name : {"fdfind", "fd"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

// Seconds of one run of a command, its output discarded; -1 when it failed.
double runOnce(const QString& program, const QStringList& arguments) {
    bool ran = true;
    const double seconds = timeSeconds([&] {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments);
        ran = process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit;
    });
    return ran ? seconds : -1;
}

bool dropPageCache() {
    ::sync();
    QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
    return drop.open(QIODevice::WriteOnly) && drop.write("3\n") == 2 && drop.flush();
}

QStringList listArguments(const BenchContext& context, const QString& tree) {
    qputenv("PALAVINE_SETTINGS", QFile::encodeName(context.workDir + QStringLiteral("/none.conf")));
    return {QStringLiteral("list"), QStringLiteral("--quiet"), QStringLiteral("-o"),
            context.workDir, tree};
}

// The three programs in turn, `prepare` before each run; medians.
struct Medians {
    double find = 0, fd = 0, palavine = 0;
    bool failed = false;
};

Medians timeInTurn(const BenchContext& context, const QString& tree,
                   const std::function<bool()>& prepare) {
    std::vector<double> find, fd, palavine;
    Medians m;
    const auto once = [&](std::vector<double>& into, const QString& program,
                          const QStringList& arguments) {
        if (!prepare()) {
            m.failed = true;
            return;
        }
        const double s = runOnce(program, arguments);
        if (s < 0)
            m.failed = true;
        into.push_back(s);
    };
    for (int round = 0; round < Rounds && !m.failed; ++round) {
        once(find, QStringLiteral("find"), {tree, QStringLiteral("-type"), QStringLiteral("f")});
        once(fd, fdProgram(),
             {QStringLiteral("-u"), QStringLiteral("-t"), QStringLiteral("f"), QStringLiteral("."),
              tree});
        once(palavine, palavineProgram(), listArguments(context, tree));
    }
    m.find = median(find);
    m.fd = median(fd);
    m.palavine = median(palavine);
    return m;
}

BenchResult coldCacheList(const BenchContext& context) {
    BenchResult r;
    r.reference = QStringLiteral("fd -u -t f TREE (cold)");
    if (fdProgram().isEmpty()) {
        r.note = QStringLiteral("skipped: no fd (./dev bench installs fd-find)");
        return r;
    }
    if (!dropPageCache()) {
        r.note = QStringLiteral("skipped: dropping the page cache needs root "
                                "(echo 3 > /proc/sys/vm/drop_caches)");
        return r;
    }
    const Medians m = timeInTurn(context, context.bigTree, dropPageCache);
    // The stages after this one start warm.
    for (const QString& tree : {context.bigTree, context.smallTree, context.hugeFolder})
        warmTree(tree);
    if (m.failed) {
        r.note = QStringLiteral("failed: a run or dropping the page cache");
        return r;
    }
    r.seconds = m.palavine;
    r.referenceSeconds = m.fd;
    r.goal = 1.0;
    r.note = QStringLiteral("find -type f %1 s, so %2x find; medians of %3, page cache dropped "
                            "before each run")
                 .arg(m.find, 0, 'f', 3)
                 .arg(m.palavine / m.find, 0, 'f', 2)
                 .arg(Rounds);
    return r;
}

// A TCP relay on a loopback address that holds every byte 1 ms in each
// direction before passing it on, as a near network would.
class DelayRelay {
  public:
    explicit DelayRelay(quint16 targetPort) : target_(targetPort) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = loopback(0);
        socklen_t size = sizeof(address);
        if (listener_ < 0 ||
            ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { accept(); });
    }

    ~DelayRelay() {
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        if (acceptor_.joinable())
            acceptor_.join();
        ::close(listener_);
        for (const int fd : sockets_)
            ::shutdown(fd, SHUT_RDWR);
        for (std::thread& t : threads_)
            t.join();
        for (const int fd : sockets_)
            ::close(fd);
    }

    quint16 port() const { return port_; }

  private:
    static sockaddr_in loopback(quint16 port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }

    void accept() {
        while (!stopping_) {
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                return;
            const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address = loopback(target_);
            if (server < 0 ||
                ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
                ::close(client);
                if (server >= 0)
                    ::close(server);
                continue;
            }
            for (const int fd : {client, server}) {
                const int one = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
            }
            sockets_.push_back(client);
            sockets_.push_back(server);
            pipes_.push_back(std::make_unique<Pipe>());
            pipes_.push_back(std::make_unique<Pipe>());
            Pipe* up = pipes_[pipes_.size() - 2].get();
            Pipe* down = pipes_.back().get();
            threads_.emplace_back([=, this] { read(client, *up); });
            threads_.emplace_back([=, this] { write(server, *up); });
            threads_.emplace_back([=, this] { read(server, *down); });
            threads_.emplace_back([=, this] { write(client, *down); });
        }
    }

    struct Pipe {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<std::pair<std::chrono::steady_clock::time_point, QByteArray>> chunks;
        bool closed = false;
    };

    void read(int from, Pipe& pipe) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::recv(from, buffer, sizeof(buffer), 0);
            const std::lock_guard<std::mutex> lock(pipe.mutex);
            if (n <= 0) {
                pipe.closed = true;
                pipe.changed.notify_all();
                return;
            }
            pipe.chunks.emplace_back(std::chrono::steady_clock::now() + Delay,
                                     QByteArray(buffer, n));
            pipe.changed.notify_all();
        }
    }

    void write(int to, Pipe& pipe) {
        std::unique_lock<std::mutex> lock(pipe.mutex);
        for (;;) {
            pipe.changed.wait(lock, [&] { return pipe.closed || !pipe.chunks.empty(); });
            if (pipe.chunks.empty()) {
                ::shutdown(to, SHUT_WR);
                return;
            }
            auto [due, bytes] = std::move(pipe.chunks.front());
            pipe.chunks.pop_front();
            lock.unlock();
            std::this_thread::sleep_until(due);
            for (qsizetype sent = 0; sent < bytes.size();) {
                const ssize_t n =
                    ::send(to, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += n;
            }
            lock.lock();
        }
    }

    static constexpr auto Delay = std::chrono::milliseconds(1);
    quint16 target_;
    quint16 port_ = 0;
    int listener_ = -1;
    std::atomic<bool> stopping_{false};
    std::vector<int> sockets_;
    std::vector<std::unique_ptr<Pipe>> pipes_;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
};

// A free TCP port on the loopback address (a moment ago).
quint16 freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    quint16 port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

bool runQuietly(const QString& program, const QStringList& arguments, int timeoutMs = 30000) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    return process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A folder served by an sshd of its own on a loopback address, mounted with
// sshfs through the delaying relay.
class NetworkShare {
  public:
    NetworkShare(const QString& folder, const QString& scratch)
        : folder_(folder), dir_(scratch + QStringLiteral("/share")),
          mountPoint_(dir_ + QStringLiteral("/mnt")) {
        const QString sshd = QStringLiteral("/usr/sbin/sshd");
        if (!QFile::exists(sshd) ||
            QStandardPaths::findExecutable(QStringLiteral("sshfs")).isEmpty()) {
            problem_ = QStringLiteral("skipped: no sshd or sshfs (./dev bench installs "
                                      "openssh-server and sshfs)");
            return;
        }
        QDir().mkpath(mountPoint_);
        QDir().mkpath(QStringLiteral("/run/sshd")); // sshd's own empty folder, when root
        for (const char* key : {"host", "user"}) {
            if (!runQuietly(QStringLiteral("ssh-keygen"),
                            {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                             QStringLiteral("-N"), QString(), QStringLiteral("-f"),
                             dir_ + QLatin1Char('/') + QLatin1String(key)})) {
                problem_ = QStringLiteral("skipped: ssh-keygen failed");
                return;
            }
        }
        QFile::copy(dir_ + QStringLiteral("/user.pub"), dir_ + QStringLiteral("/authorized_keys"));
        const quint16 port = freePort();
        QFile config(dir_ + QStringLiteral("/sshd_config"));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(QStringLiteral("ListenAddress 127.0.0.1:%1\nHostKey %2/host\n"
                                    "AuthorizedKeysFile %2/authorized_keys\n"
                                    "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                                    "UsePAM no\nStrictModes no\nPidFile none\n"
                                    "Subsystem sftp internal-sftp\n")
                         .arg(port)
                         .arg(dir_)
                         .toUtf8());
        config.close();
        sshd_.setProcessChannelMode(QProcess::MergedChannels);
        sshd_.start(sshd, {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"),
                           config.fileName()});
        if (!sshd_.waitForStarted()) {
            problem_ = QStringLiteral("skipped: sshd did not start");
            return;
        }
        QThread::msleep(300);
        relay_ = std::make_unique<DelayRelay>(port);
        if (relay_->port() == 0 || !mount()) {
            problem_ = QStringLiteral("skipped: sshfs could not mount (FUSE usable? %1)")
                           .arg(QString::fromUtf8(sshd_.readAll()).simplified().left(120));
            return;
        }
        ok_ = true;
    }

    ~NetworkShare() {
        unmount();
        if (sshd_.state() != QProcess::NotRunning) {
            sshd_.terminate();
            sshd_.waitForFinished(5000);
        }
    }

    bool ok() const { return ok_; }
    QString problem() const { return problem_; }
    QString mountPoint() const { return mountPoint_; }

    // Mounts the share afresh: nothing of it is cached.
    bool remount() { return unmount() && mount(); }

  private:
    bool mount() {
        return runQuietly(
            QStringLiteral("sshfs"),
            {QStringLiteral("-p"), QString::number(relay_->port()), QStringLiteral("-o"),
             QStringLiteral("IdentityFile=%1/user,StrictHostKeyChecking=no,"
                            "UserKnownHostsFile=/dev/null,BatchMode=yes,LogLevel=ERROR")
                 .arg(dir_),
             QStringLiteral("127.0.0.1:") + folder_, mountPoint_});
    }

    bool unmount() {
        if (!mounted())
            return true;
        for (const char* program : {"fusermount3", "fusermount", "umount"}) {
            const QString path = QStandardPaths::findExecutable(QString::fromLatin1(program));
            if (!path.isEmpty() &&
                runQuietly(path, program[0] == 'u'
                                     ? QStringList{mountPoint_}
                                     : QStringList{QStringLiteral("-u"), mountPoint_}))
                return true;
        }
        return false;
    }

    bool mounted() const {
        QFile mounts(QStringLiteral("/proc/self/mounts"));
        if (!mounts.open(QIODevice::ReadOnly))
            return false;
        return mounts.readAll().contains(' ' + QFile::encodeName(mountPoint_) + ' ');
    }

    QString folder_, dir_, mountPoint_;
    QProcess sshd_;
    std::unique_ptr<DelayRelay> relay_;
    QString problem_ = QStringLiteral("skipped: the share could not be set up");
    bool ok_ = false;
};

// goal: the largest ratio to the reference ("fd" or "find").
BenchResult networkShareList(const BenchContext& context, bool againstFd) {
    BenchResult r;
    r.reference =
        againstFd ? QStringLiteral("fd -u -t f SHARE") : QStringLiteral("find SHARE -type f");
    if (fdProgram().isEmpty()) {
        r.note = QStringLiteral("skipped: no fd (./dev bench installs fd-find)");
        return r;
    }
    NetworkShare share(context.smallTree, context.workDir);
    if (!share.ok()) {
        r.note = share.problem();
        return r;
    }
    const Medians m = timeInTurn(context, share.mountPoint(), [&] { return share.remount(); });
    if (m.failed) {
        r.note = QStringLiteral("failed: a run or a remount");
        return r;
    }
    r.seconds = m.palavine;
    r.referenceSeconds = againstFd ? m.fd : m.find;
    r.goal = againstFd ? 1.0 : 0.5;
    r.note = QStringLiteral("sshfs, 1 ms each way; find %1 s, fd %2 s; medians of %3, "
                            "remounted before each run")
                 .arg(m.find, 0, 'f', 3)
                 .arg(m.fd, 0, 'f', 3)
                 .arg(Rounds);
    return r;
}

// "2. Start Creating List" on the share in the window, the folder list holding
// every folder of the tree.
BenchResult buildListOnShareThroughForm1(const BenchContext& context) {
    BenchResult r;
    r.reference = QStringLiteral("fd -u -t f SHARE");
    NetworkShare share(context.smallTree, context.workDir);
    if (!share.ok() || fdProgram().isEmpty()) {
        r.note = share.ok() ? QStringLiteral("skipped: no fd") : share.problem();
        return r;
    }
    QStringList folders{share.mountPoint() + QLatin1Char('/')};
    QDirIterator it(context.smallTree, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        folders.append(share.mountPoint() + it.next().mid(context.smallTree.size()) +
                       QLatin1Char('/'));
    BenchWindow window;
    Form1& form = window.form();
    form.Text1->setText(QStringLiteral("*"));
    window.fill(*form.ListView1, std::move(folders));
    std::vector<double> seconds, references;
    double worstStall = 0;
    for (int round = 0; round < Rounds; ++round) {
        if (!share.remount()) {
            r.note = QStringLiteral("failed: a remount");
            return r;
        }
        window.empty(*form.ListView2);
        double stall = 0;
        seconds.push_back(window.click(5, stall));
        worstStall = std::max(worstStall, stall);
        share.remount();
        references.push_back(
            runOnce(fdProgram(), {QStringLiteral("-u"), QStringLiteral("-t"), QStringLiteral("f"),
                                  QStringLiteral("."), share.mountPoint()}));
    }
    r.seconds = median(seconds);
    r.referenceSeconds = median(references);
    r.stallMs = worstStall;
    r.stallGoalMs = WindowStallGoalMs;
    r.note = QStringLiteral("%1 results shown; medians of %2, worst stall")
                 .arg(form.ListView2->Count())
                 .arg(Rounds);
    return r;
}

} // namespace

PALAVINE_BENCH_STAGE(QStringLiteral("cold cache list 1M"), coldCacheList);
PALAVINE_BENCH_STAGE(QStringLiteral("network share list 100k vs fd"),
                     [](const BenchContext& c) { return networkShareList(c, true); });
PALAVINE_BENCH_STAGE(QStringLiteral("network share list 100k vs find"),
                     [](const BenchContext& c) { return networkShareList(c, false); });
PALAVINE_BENCH_STAGE(QStringLiteral("network share build list Form1"),
                     buildListOnShareThroughForm1);
