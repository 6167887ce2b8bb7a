// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Opening and examining paths of any length: a path as long as the system's
// limit or longer is resolved a part at a time, each part relative to the
// folder the part before it opened, so deep trees read as shallow ones do.
#pragma once

#include <QByteArray>
#include <sys/stat.h>

// open(2) for a path of any length (close-on-exec): a descriptor, or -1 with
// errno set.
int OpenPath(const QByteArray& path, int flags);

// stat(2), or lstat(2) when `followLinks` is false (trailing separators are
// then ignored, so that a link is examined itself), for a path of any length:
// 0, or -1 with errno set.
int StatPath(const QByteArray& path, struct stat* info, bool followLinks = true);

#include <QString>

// The path with its ".." parts taken as the system takes them: each goes up
// from the folder reached so far, so after a link it leads beside the link's
// target, not back to the text before the link. "." parts and doubled
// separators go with them; from a part that can't be examined on, the text
// stays as it is. A path without ".." parts comes back unchanged.
QString ResolveParentParts(const QString& path);
