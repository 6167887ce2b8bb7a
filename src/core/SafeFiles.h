// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
//
// What every file the program replaces needs: a link at its path followed only
// where the system itself would follow it, a lock that puts two writers one
// after the other, and unfinished files removed when the program is
// interrupted.
#pragma once

#include <QByteArray>
#include <QString>

#include <csignal>
#include <sys/types.h>

// The file that writing to `path` (bytes) reaches: the path itself, or, when it
// is a symbolic link, the file at the link's end (which need not exist). A link
// is followed only as the kernel's protection of shared folders allows,
// whatever the machine's fs.protected_symlinks says: not a link in a sticky
// folder that everyone may write, unless the link is the user's or the
// folder's owner's. Gives 0, or the errno value (EACCES for such a link, ELOOP
// for too many links).
int FollowLinksForWriting(const QByteArray& path, QByteArray& target);

// The folder part of a bytes path ("." when it has none).
QByteArray FolderOfPath(const QByteArray& path);

// For what is at a path and is not a regular file: "a folder", "a named pipe",
// "a socket", "a device", ...
QString KindOfFile(mode_t mode);

// An exclusive lock on a folder (a lock on a read-only descriptor of the
// folder itself, so that no lock file is ever left behind), held from
// construction until destruction; it waits for another holder. Not held when
// the folder can't be opened for reading.
class FolderLock {
  public:
    explicit FolderLock(const QByteArray& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

// Files that are being made under a name of their own and are not finished:
// removed when the program is ended by SIGINT, SIGTERM or SIGHUP (with
// InstallInterruptionCleanup()) or by RemoveUnfinishedFiles(). Gives a slot
// for ForgetUnfinishedFile(), or -1 when every slot is taken.
int RegisterUnfinishedFile(const QByteArray& path);
void ForgetUnfinishedFile(int slot);
// Removes the registered files; safe in a signal handler.
void RemoveUnfinishedFiles() noexcept;
// On SIGINT, SIGTERM and SIGHUP the program removes its unfinished files and
// then ends of that signal, as it would have without the handler.
void InstallInterruptionCleanup();

// While it lives, SIGINT, SIGTERM and SIGHUP wait: a step that must not be cut
// in two (the final copy of a page written in place) ends first.
class DeferInterruptions {
  public:
    DeferInterruptions();
    ~DeferInterruptions();
    DeferInterruptions(const DeferInterruptions&) = delete;
    DeferInterruptions& operator=(const DeferInterruptions&) = delete;

  private:
    sigset_t previous_;
};
