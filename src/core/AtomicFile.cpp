// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "core/AtomicFile.h"

#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/FileSystem.h"
#include "core/SafeFiles.h"
#include "core/WriteAll.h"

#include <QRandomGenerator>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

constexpr qsizetype CopyBytes = qsizetype(1) << 20;
// How far the bytes on their way to the disk may trail the bytes written.
constexpr off_t WriteBehindBytes = off_t(8) << 20;

[[noreturn]] void fail(int error) {
    throw AppError::fromErrno(error);
}

[[noreturn]] void failNotRegular(mode_t mode) {
    if (S_ISDIR(mode))
        fail(EISDIR);
    throw AppError(ErrorNumber::PathFileAccess, QStringLiteral("Path/File access error (") +
                                                    KindOfFile(mode) +
                                                    QStringLiteral(", not a regular file)"));
}

// Lets go of the earlier page once its name is the new page's. Its blocks are
// freed when the last reference to it goes, which for a large page takes tens
// of milliseconds: that happens on a thread of its own, not in the command
// that the window waits for.
void dropEarlier(int fd) {
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
    }
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The file system has no files without a name (or the kernel has none).
bool noUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

QByteArray hiddenName(const QByteArray& folder, const QByteArray& name) {
    static constexpr char Letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray suffix(6, '\0');
    for (char& c : suffix)
        c = Letters[QRandomGenerator::system()->bounded(int(sizeof Letters - 1))];
    return folder + "/." + name + '.' + suffix;
}

} // namespace

AtomicFile::AtomicFile(const QString& path, bool folderLocked) : folderLocked_(folderLocked) {
    if (const int error = FollowLinksForWriting(EncodeFileName(path), target_))
        fail(error);
    folder_ = FolderOfPath(target_);
    struct stat earlier {};
    if (StatPath(target_, &earlier, false) == 0) {
        if (!S_ISREG(earlier.st_mode))
            failNotRegular(earlier.st_mode);
        // A page the user protected is refused, as opening it for writing would be.
        if (::faccessat(AT_FDCWD, target_.constData(), W_OK, AT_EACCESS) != 0)
            fail(errno);
        existed_ = true;
        mode_ = earlier.st_mode & 07777;
        owner_ = earlier.st_uid;
        group_ = earlier.st_gid;
    } else if (errno != ENOENT) {
        fail(errno);
    }
    const mode_t mode = existed_ ? mode_ : newFileMode();

    // The page's folder may be sticky and shared, and the earlier page another
    // user's: then its name can't be taken, and it is written in place.
    struct stat folder {};
    const uid_t user = ::geteuid();
    const bool replaceable = !existed_ || user == 0 || user == owner_ ||
                             StatPath(folder_, &folder) != 0 || !(folder.st_mode & S_ISVTX) ||
                             folder.st_uid == user;

    int error = EPERM;
    if (replaceable) {
        fd_ = ::open(folder_.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        error = errno;
        if (fd_ < 0 && noUnnamedFiles(error)) {
            temporary_ = folder_ + "/." + target_.mid(target_.lastIndexOf('/') + 1) + ".XXXXXX";
            fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
            error = errno;
            if (fd_ >= 0)
                unfinishedSlot_ = RegisterUnfinishedFile(temporary_);
            else
                temporary_.clear();
        }
    }
    if (fd_ < 0) {
        // Only a folder that refuses new names leaves the page to be written
        // in place; any other reason stands.
        if ((error != EACCES && error != EPERM && error != EROFS) || !existed_)
            fail(error);
        openAside();
        return;
    }
    // Only root, or an owner keeping a group of theirs, may give these.
    if (existed_ && ::fchown(fd_, owner_, group_) != 0) {
    }
    ::fchmod(fd_, mode);
}

AtomicFile::~AtomicFile() {
    if (!done_)
        abandon();
}

// The new page of a page written in place is made aside, in a file with no
// name in the temporary folder, or else in memory: the earlier page is not
// touched until the new one is complete.
void AtomicFile::openAside() {
    inPlace_ = true;
    const char* variable = std::getenv("TMPDIR");
    const QByteArray folder = variable && *variable ? QByteArray(variable) : QByteArray("/tmp");
    fd_ = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ < 0)
        fd_ = ::memfd_create("palavine-page", MFD_CLOEXEC);
    if (fd_ < 0)
        fail(errno);
}

void AtomicFile::write(const QByteArray& bytes) {
    if (!WriteAll(fd_, bytes.constData(), bytes.size()))
        fail(errno);
    if (!inPlace_) {
        // Start writing it out now, and wait for what was started a few pieces
        // ago: the page reaches the disk as fast as the disk takes it, so
        // commit() waits for the last few pieces only, not for a backlog of
        // everything the disk could not keep up with (a wait the window,
        // past its last yield, would show as a stall).
        ::sync_file_range(fd_, written_, off_t(bytes.size()), SYNC_FILE_RANGE_WRITE);
        const off_t behind = written_ + off_t(bytes.size()) - WriteBehindBytes;
        if (behind > settled_) {
            ::sync_file_range(fd_, settled_, behind - settled_,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER);
            settled_ = behind;
        }
    }
    written_ += off_t(bytes.size());
}

void AtomicFile::commit() {
    if (inPlace_) {
        copyInPlace();
        return;
    }
    if (::fdatasync(fd_) != 0)
        fail(errno);
    // Two saves into this folder: one after the other.
    std::optional<FolderLock> lock;
    if (!folderLocked_)
        lock.emplace(folder_);
    // The earlier page, held so that the rename does not free its blocks: for
    // a large page that takes the file system tens of milliseconds.
    const int earlier =
        existed_ ? ::open(target_.constData(), O_PATH | O_CLOEXEC | O_NOFOLLOW) : -1;
    int error = 0;
    if (temporary_.isEmpty()) {
        // The file gets a name only now that it is complete: the page's own
        // when there is no page yet, else a hidden one that then takes the
        // page's (a name can't be given over another).
        const QByteArray descriptor = "/proc/self/fd/" + QByteArray::number(fd_);
        const auto link = [&](const QByteArray& name) {
            if (::linkat(AT_FDCWD, descriptor.constData(), AT_FDCWD, name.constData(),
                         AT_SYMLINK_FOLLOW) == 0)
                return true;
            // Without /proc, only a privileged user may name it.
            return errno == ENOENT &&
                   ::linkat(fd_, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0;
        };
        if (!existed_ && link(target_)) {
            done_ = true;
        } else if (!existed_ && errno != EEXIST) {
            error = errno;
        } else {
            for (int tries = 0; tries < 100 && temporary_.isEmpty(); ++tries) {
                const QByteArray name =
                    hiddenName(folder_, target_.mid(target_.lastIndexOf('/') + 1));
                const int slot = RegisterUnfinishedFile(name);
                if (link(name)) {
                    temporary_ = name;
                    unfinishedSlot_ = slot;
                } else {
                    error = errno;
                    ForgetUnfinishedFile(slot);
                    if (error != EEXIST)
                        break;
                }
            }
        }
    }
    if (!done_ && !temporary_.isEmpty()) {
        if (::rename(temporary_.constData(), target_.constData()) == 0) {
            done_ = true;
        } else {
            error = errno;
            ::unlink(temporary_.constData());
        }
        ForgetUnfinishedFile(unfinishedSlot_);
        unfinishedSlot_ = -1;
        temporary_.clear();
    }
    if (done_) {
        const int fd = fd_;
        fd_ = -1;
        ::close(fd);
        if (earlier >= 0)
            dropEarlier(earlier);
        return;
    }
    if (earlier >= 0)
        ::close(earlier);
    // A page that may be written but not replaced (a sticky shared folder, a
    // page of another user's): its bytes are copied in, under a lock of its own.
    if ((error != EACCES && error != EPERM) || !existed_)
        fail(error);
    lock.reset();
    copyInPlace();
}

// The new page's bytes, complete in fd_, go over the earlier page in one step
// that signals can't cut in two: room for all of them is taken first, so that
// a full disk stops the save before the earlier page is touched.
void AtomicFile::copyInPlace() {
    const int page = ::open(target_.constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (page < 0)
        fail(errno);
    const auto closePage = qScopeGuard([page] { ::close(page); });
    struct stat info {};
    if (::fstat(page, &info) != 0)
        fail(errno);
    if (!S_ISREG(info.st_mode))
        failNotRegular(info.st_mode);
    // Two saves into this page: one after the other.
    std::optional<FolderLock> lock;
    if (!folderLocked_)
        lock.emplace(folder_);
    if (lock && !lock->held()) {
        while (::flock(page, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    if (written_ > 0 && ::fallocate(page, FALLOC_FL_KEEP_SIZE, 0, written_) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        fail(errno);

    const DeferInterruptions whole;
    off_t at = 0;
    while (at < written_) {
        off_t from = at;
        const ssize_t n =
            ::sendfile(page, fd_, &from, size_t(std::min<off_t>(written_ - at, 1 << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        at += n;
    }
    if (at < written_) {
        // Where the kernel can't send between these files: read and write.
        QByteArray buffer(CopyBytes, Qt::Uninitialized);
        while (at < written_) {
            const ssize_t n = ::pread(fd_, buffer.data(),
                                      size_t(std::min<off_t>(written_ - at, buffer.size())), at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(n < 0 ? errno : EIO);
            if (!WriteAll(page, buffer.constData(), n, at))
                fail(errno);
            at += n;
        }
    }
    if (::ftruncate(page, written_) != 0 || ::fdatasync(page) != 0)
        fail(errno);
    const int fd = fd_;
    fd_ = -1;
    ::close(fd);
    done_ = true;
}

void AtomicFile::abandon() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.isEmpty())
        ::unlink(temporary_.constData());
    ForgetUnfinishedFile(unfinishedSlot_);
}
