// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The program: "list", --help, --version and anything other than Qt's own
// window options run here, on Qt Core alone (no window, no display: an
// unknown option is told here instead of opening the window); otherwise it
// hands its arguments over to the window program.
#include "cli/ListArguments.h"
#include "cli/ListCommand.h"
#include "core/AppInfo.h"
#include "core/SafeFiles.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// The window program: beside this one (in a build), else where it is
// installed; empty when neither can be run.
QByteArray windowProgram() {
    char self[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (size <= 0)
        return {};
    QByteArray folder(self, size);
    folder.truncate(folder.lastIndexOf('/') + 1);
    for (const QByteArray& candidate :
         {folder + "palavine-window", folder + PALAVINE_WINDOW_FROM_BIN "/palavine-window"}) {
        if (::access(candidate.constData(), X_OK) == 0)
            return candidate;
    }
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    // Past a file-size limit a write fails with its reason instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    if (IsCommandLine(argc, argv)) {
        // Interrupted, it leaves no unfinished file behind.
        InstallInterruptionCleanup();
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("palavine"));
        QCoreApplication::setApplicationVersion(AppInfo::Version);
        return RunCommandLine(argc, argv);
    }
    const QByteArray window = windowProgram();
    if (!window.isEmpty())
        ::execv(window.constData(), argv);
    std::fprintf(stderr, "palavine: the window can't be started (palavine-window: %s)\n",
                 window.isEmpty() ? "not found" : std::strerror(errno));
    return 1;
}
