// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
//
// Writing a whole buffer to a file descriptor: the system may take it in
// pieces, and a signal may interrupt it.
#pragma once

#include <QtGlobal>

#include <cerrno>
#include <sys/types.h>
#include <unistd.h>

// Writes all `size` bytes at the file position (at offset `at` when it is not
// negative). False, with errno set, when a write fails.
inline bool WriteAll(int fd, const char* p, qsizetype size, off_t at = -1) {
    while (size > 0) {
        const ssize_t n = at < 0 ? ::write(fd, p, size_t(size)) : ::pwrite(fd, p, size_t(size), at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= n;
        if (at >= 0)
            at += n;
    }
    return true;
}
