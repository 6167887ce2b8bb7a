// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// A directory stream that closes itself.
#pragma once

#include <dirent.h>
#include <memory>

struct DirectoryCloser {
    void operator()(DIR* dir) const {
        if (dir)
            ::closedir(dir);
    }
};

using DirectoryStream = std::unique_ptr<DIR, DirectoryCloser>;
