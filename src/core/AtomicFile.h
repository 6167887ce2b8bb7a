// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
//
// The one way the program replaces a file (the page, the options store). The
// new content is written to a file with no name in the file's folder, which
// takes the file's name when it is complete (where
// the file system has no such files, a hidden temporary file beside the page,
// removed on every way out); where the folder lets no new file be made (or the
// name be taken) but the page itself may be written, the new page is made
// aside and copied over the earlier one at the end, in one short step. Until
// commit() succeeds the earlier page stays as it was; an interrupted save
// leaves nothing behind. Nothing but a regular file is ever replaced, a link
// at the page's path is followed only where the system would let the user
// follow it, and a page the user may not write is refused. Failures are
// thrown as AppError with the system's reason.
#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

class AtomicFile {
  public:
    // Opens the file at the path (names are bytes, as EncodeFileName gives
    // them); a link there is followed, so the file it points to is replaced.
    // With `folderLocked`, the caller holds the folder's lock (FolderLock)
    // already, from reading the file to writing it.
    explicit AtomicFile(const QString& path, bool folderLocked = false);
    // A page not committed is dropped, and the earlier one stays.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(const QByteArray& bytes);
    // Makes the written bytes the page, with the earlier page's permission
    // bits (and its owner, where that may be given). Two saves into one
    // folder commit one after the other: the last one wins, whole.
    void commit();

    // The temporary file beside the page (bytes) when it has a name, until
    // commit(); empty otherwise.
    const QByteArray& temporaryPath() const { return temporary_; }

  private:
    void openAside();
    void copyInPlace();
    void abandon();

    QByteArray target_; // the page's bytes path, links followed
    QByteArray folder_;
    QByteArray temporary_;
    int unfinishedSlot_ = -1;
    int fd_ = -1;
    bool inPlace_ = false;
    bool folderLocked_ = false;
    bool existed_ = false;
    bool done_ = false;
    off_t written_ = 0;
    off_t settled_ = 0; // the bytes before this have been written out
    mode_t mode_ = 0;
    uid_t owner_ = 0;
    gid_t group_ = 0;
};
