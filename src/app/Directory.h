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
