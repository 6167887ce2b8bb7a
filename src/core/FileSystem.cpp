// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "core/FileSystem.h"

#include "core/FileNames.h"

#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Opens the folders of the path's first bytes up to `*rest`, a piece shorter
// than the system's limit at a time, and leaves in `*rest` where the part
// still to open starts: a descriptor of the folder it is relative to, or
// AT_FDCWD for a short path. -1 with errno set on failure.
int openLeadingFolders(const QByteArray& path, qsizetype* rest) {
    int folder = AT_FDCWD;
    qsizetype at = 0;
    while (path.size() - at >= PATH_MAX) {
        // The longest piece that ends with a separator and fits the limit.
        const qsizetype cut = path.lastIndexOf('/', at + PATH_MAX - 2);
        if (cut < at) {
            if (folder != AT_FDCWD)
                ::close(folder);
            errno = ENAMETOOLONG;
            return -1;
        }
        const QByteArray piece = path.mid(at, cut - at + 1);
        const int next = ::openat(folder, piece.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int error = errno;
        if (folder != AT_FDCWD)
            ::close(folder);
        if (next < 0) {
            errno = error;
            return -1;
        }
        folder = next;
        at = cut + 1;
        while (at < path.size() && path.at(at) == '/')
            ++at;
    }
    *rest = at;
    return folder;
}

// Runs `call` with the folder and the name that the path's last part is
// relative to.
template <class Call> int atPathEnd(const QByteArray& path, Call&& call) {
    if (path.size() < PATH_MAX)
        return call(AT_FDCWD, path.constData());
    qsizetype rest = 0;
    const int folder = openLeadingFolders(path, &rest);
    if (folder < 0 && folder != AT_FDCWD)
        return -1;
    const QByteArray last = rest < path.size() ? path.mid(rest) : QByteArray(".");
    const int result = call(folder, last.constData());
    const int error = errno;
    if (folder != AT_FDCWD)
        ::close(folder);
    errno = error;
    return result;
}

} // namespace

int OpenPath(const QByteArray& path, int flags) {
    return atPathEnd(path, [flags](int folder, const char* name) {
        return ::openat(folder, name, flags | O_CLOEXEC);
    });
}

int StatPath(const QByteArray& path, struct stat* info, bool followLinks) {
    if (followLinks) {
        return atPathEnd(path, [info](int folder, const char* name) {
            return ::fstatat(folder, name, info, 0);
        });
    }
    // A trailing separator would look through a link; the root stays whole.
    QByteArray self = path;
    while (self.size() > 1 && self.endsWith('/'))
        self.chop(1);
    return atPathEnd(self, [info](int folder, const char* name) {
        return ::fstatat(folder, name, info, AT_SYMLINK_NOFOLLOW);
    });
}

QString ResolveParentParts(const QString& path) {
    if (!path.contains(QStringLiteral("..")) || !path.startsWith(QLatin1Char('/')))
        return path;
    const QStringList parts = path.split(QLatin1Char('/'));
    if (!parts.contains(QStringLiteral("..")))
        return path;
    QString reached = QStringLiteral("/");
    const auto join = [&reached](const QString& part) {
        if (!reached.endsWith(QLatin1Char('/')))
            reached += QLatin1Char('/');
        reached += part;
    };
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        if (part != QLatin1String("..")) {
            join(part);
            continue;
        }
        if (reached == QLatin1String("/"))
            continue; // the root is its own parent
        const QByteArray encoded = EncodeFileName(reached);
        struct stat self {};
        bool examined = StatPath(encoded, &self, false) == 0;
        if (examined && S_ISLNK(self.st_mode)) {
            // Up from where the link leads.
            char* real = ::realpath(encoded.constData(), nullptr);
            examined = real != nullptr;
            if (real) {
                reached = DecodeFileName(real, qsizetype(std::strlen(real)));
                std::free(real);
            }
        }
        if (!examined) {
            for (qsizetype j = i; j < parts.size(); ++j)
                join(parts.at(j));
            break;
        }
        reached.truncate(std::max<qsizetype>(1, reached.lastIndexOf(QLatin1Char('/'))));
    }
    if (path.endsWith(QLatin1Char('/')) && !reached.endsWith(QLatin1Char('/')))
        reached += QLatin1Char('/');
    return reached;
}
