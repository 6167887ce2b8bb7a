// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "core/SafeFiles.h"

#include "core/FileSystem.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MaxLinks = 40; // as the kernel's own limit

// A link may be followed for writing (the kernel's rule for links in shared
// folders): the follower owns it, or its folder is not sticky and writable by
// everyone, or the folder's owner owns it.
bool mayFollow(const struct stat& link, const struct stat& folder) {
    if (link.st_uid == ::geteuid())
        return true;
    if ((folder.st_mode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH))
        return true;
    return folder.st_uid == link.st_uid;
}

constexpr int Slots = 8;
struct UnfinishedFile {
    std::atomic<bool> used{false};
    std::atomic<bool> ready{false};
    char path[PATH_MAX + 1] = {};
};
UnfinishedFile g_unfinished[Slots];

constexpr int CleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onInterruption(int signal) {
    const int saved = errno;
    RemoveUnfinishedFiles();
    errno = saved;
    // The handler was reset as it ran: the signal now ends the program, as
    // it would have without it.
    ::raise(signal);
}

} // namespace

QByteArray FolderOfPath(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

int FollowLinksForWriting(const QByteArray& path, QByteArray& target) {
    target = path;
    for (int hops = 0;; ++hops) {
        struct stat info {};
        if (StatPath(target, &info, false) != 0 || !S_ISLNK(info.st_mode))
            return 0;
        if (hops == MaxLinks)
            return ELOOP;
        const QByteArray folder = FolderOfPath(target);
        struct stat folderInfo {};
        if (StatPath(folder, &folderInfo) != 0)
            return errno;
        if (!mayFollow(info, folderInfo))
            return EACCES;
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(target.constData(), link.data(), size_t(link.size()));
        if (n < 0)
            return errno;
        if (n == 0 || n >= link.size())
            return ENAMETOOLONG;
        link.resize(n);
        target = link.startsWith('/') ? link : folder + '/' + link;
    }
}

QString KindOfFile(mode_t mode) {
    switch (mode & S_IFMT) {
    case S_IFDIR:
        return QStringLiteral("a folder");
    case S_IFIFO:
        return QStringLiteral("a named pipe");
    case S_IFSOCK:
        return QStringLiteral("a socket");
    case S_IFCHR:
    case S_IFBLK:
        return QStringLiteral("a device");
    case S_IFLNK:
        return QStringLiteral("a symbolic link");
    default:
        return QStringLiteral("not a regular file");
    }
}

FolderLock::FolderLock(const QByteArray& folder) {
    fd_ = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0)
        ::close(fd_); // lets go of the lock
}

int RegisterUnfinishedFile(const QByteArray& path) {
    if (path.size() > PATH_MAX)
        return -1;
    for (int i = 0; i < Slots; ++i) {
        bool expected = false;
        if (!g_unfinished[i].used.compare_exchange_strong(expected, true))
            continue;
        std::memcpy(g_unfinished[i].path, path.constData(), size_t(path.size()));
        g_unfinished[i].path[path.size()] = '\0';
        g_unfinished[i].ready.store(true);
        return i;
    }
    return -1;
}

void ForgetUnfinishedFile(int slot) {
    if (slot < 0 || slot >= Slots)
        return;
    g_unfinished[slot].ready.store(false);
    g_unfinished[slot].used.store(false);
}

void RemoveUnfinishedFiles() noexcept {
    for (UnfinishedFile& file : g_unfinished) {
        if (file.ready.exchange(false))
            ::unlink(file.path);
    }
}

void InstallInterruptionCleanup() {
    struct sigaction action {};
    action.sa_handler = onInterruption;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : CleanedSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : CleanedSignals) {
        struct sigaction previous {};
        // A signal that was ignored when the program started stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
}

DeferInterruptions::DeferInterruptions() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : CleanedSignals)
        sigaddset(&set, signal);
    ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

DeferInterruptions::~DeferInterruptions() {
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}
