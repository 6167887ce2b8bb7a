// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "report/PageFile.h"

#include "core/WriteAll.h"

#include "core/ErrorReport.h"
#include "core/FileNames.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
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

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// The file a path names once its links are followed (it need not exist).
QByteArray followLinks(QByteArray path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(path.constData(), link.data(), size_t(link.size()));
        if (n <= 0 || n >= link.size())
            return path;
        link.resize(n);
        path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    }
    return path;
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

} // namespace

PageFile::PageFile(const QString& path) : target_(followLinks(EncodeFileName(path))) {
    struct stat earlier {};
    if (::stat(target_.constData(), &earlier) == 0) {
        if (S_ISDIR(earlier.st_mode))
            fail(EISDIR);
        existed_ = true;
        regular_ = S_ISREG(earlier.st_mode);
        mode_ = earlier.st_mode & 07777;
        owner_ = earlier.st_uid;
        group_ = earlier.st_gid;
    }
    const qsizetype slash = target_.lastIndexOf('/');
    temporary_ = folderOf(target_) + "/." + target_.mid(slash + 1) + ".XXXXXX";
    fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        temporary_.clear();
        openInPlace(error);
        return;
    }
    if (existed_) {
        // Only root, or an owner keeping a group of theirs, may give these.
        if (::fchown(fd_, owner_, group_) != 0) {
        }
        ::fchmod(fd_, mode_);
    } else {
        ::fchmod(fd_, newFileMode());
    }
}

PageFile::~PageFile() {
    if (!done_)
        abandon();
}

void PageFile::openInPlace(int reasonIfNot) {
    // Only a folder that refuses new names leaves the page to be written in
    // place; any other reason stands.
    if ((reasonIfNot != EACCES && reasonIfNot != EPERM) || !existed_ || !regular_)
        fail(reasonIfNot);
    fd_ = ::open(target_.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    const bool readable = fd_ >= 0;
    if (!readable && errno == EACCES)
        fd_ = ::open(target_.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        fail(errno);
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))
        fail(reasonIfNot);
    inPlace_ = true;
    written_ = 0;
    if (!readable) {
        // A page that may be written but not read is written over directly.
        overwriting_ = true;
        return;
    }
    // The new page goes after the earlier one, which stays whole until the new
    // one is complete.
    earlierSize_ = info.st_size;
    if (::lseek(fd_, earlierSize_, SEEK_SET) < 0)
        fail(errno);
}

void PageFile::write(const QByteArray& bytes) {
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

void PageFile::commit() {
    if (inPlace_) {
        settleInPlace();
        return;
    }
    if (::fdatasync(fd_) != 0)
        fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail(errno);
    // The earlier page, held so that the rename does not free its blocks: for
    // a large page that takes the file system tens of milliseconds.
    const int earlier =
        existed_ && regular_ ? ::open(target_.constData(), O_PATH | O_CLOEXEC | O_NOFOLLOW) : -1;
    if (::rename(temporary_.constData(), target_.constData()) == 0) {
        temporary_.clear();
        done_ = true;
        if (earlier >= 0)
            dropEarlier(earlier);
        return;
    }
    // A page that may be written but not replaced (a sticky shared folder, a
    // page of another user's): its bytes are copied in.
    const int error = errno;
    if (earlier >= 0)
        ::close(earlier);
    const int from = ::open(temporary_.constData(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        fail(error);
    try {
        openInPlace(error);
        QByteArray buffer(CopyBytes, Qt::Uninitialized);
        for (;;) {
            const ssize_t n = ::read(from, buffer.data(), size_t(buffer.size()));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                fail(errno);
            if (n == 0)
                break;
            write(QByteArray::fromRawData(buffer.constData(), n));
        }
    } catch (...) {
        ::close(from);
        throw;
    }
    ::close(from);
    settleInPlace();
    ::unlink(temporary_.constData());
    temporary_.clear();
}

void PageFile::settleInPlace() {
    // From here on the earlier page is overwritten: it can't come back.
    overwriting_ = true;
    if (earlierSize_ > 0 && written_ > 0) {
        QByteArray buffer(qsizetype(std::min<off_t>(written_, CopyBytes)), Qt::Uninitialized);
        for (off_t at = 0; at < written_;) {
            const size_t want = size_t(std::min<off_t>(written_ - at, buffer.size()));
            const ssize_t n = ::pread(fd_, buffer.data(), want, earlierSize_ + at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(n < 0 ? errno : EIO);
            if (!WriteAll(fd_, buffer.constData(), n, at))
                fail(errno);
            at += n;
        }
    }
    if (::ftruncate(fd_, written_) != 0 || ::fdatasync(fd_) != 0)
        fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail(errno);
    done_ = true;
}

void PageFile::abandon() {
    if (fd_ >= 0) {
        if (inPlace_ && !overwriting_) {
            if (::ftruncate(fd_, earlierSize_) != 0) {
            }
        }
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.isEmpty())
        ::unlink(temporary_.constData());
}
