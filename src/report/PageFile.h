// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
//
// The file a page is written to. The page goes to a temporary file beside it
// that takes the page's name when it is complete; where the folder lets no new
// file be made (or the name be taken) but the page itself may be written, the
// page is written in place. Until commit() succeeds the earlier page stays as
// it was. Failures are thrown as AppError with the system's reason.
#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

class PageFile {
  public:
    // Opens the page at the path (names are bytes, as EncodeFileName gives
    // them); a link there is followed, so the page it points to is replaced.
    explicit PageFile(const QString& path);
    // A page not committed is dropped, and the earlier one stays.
    ~PageFile();
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    void write(const QByteArray& bytes);
    // Makes the written bytes the page, with the earlier page's permission
    // bits (and its owner, where that may be given).
    void commit();

    // True when the page is written in place, not through a temporary file.
    bool inPlace() const { return inPlace_; }
    // The temporary file beside the page (bytes), until commit(); empty in place.
    const QByteArray& temporaryPath() const { return temporary_; }

  private:
    void openInPlace(int reasonIfNot);
    void settleInPlace();
    void abandon();

    QByteArray target_; // the page's bytes path, links followed
    QByteArray temporary_;
    int fd_ = -1;
    bool inPlace_ = false;
    bool existed_ = false;
    bool regular_ = false;
    bool overwriting_ = false;
    bool done_ = false;
    off_t earlierSize_ = 0; // in place: the new page goes after the earlier one
    off_t written_ = 0;
    off_t settled_ = 0; // the bytes before this have been written out
    mode_t mode_ = 0;
    uid_t owner_ = 0;
    gid_t group_ = 0;
};
