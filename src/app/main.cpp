// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Starts the window, or, with "list" or any argument other than Qt's own window
// options, the command line (no window, no display): an unknown option is told
// there instead of opening the window.
#include "app/AppInfo.h"
#include "app/Form1.h"
#include "app/QtUi.h"
#include "app/SafeFiles.h"
#include "cli/ListCommand.h"

#include <QApplication>
#include <QCoreApplication>
#include <QScreen>
#include <QStyle>

#include <csignal>
#include <cstdio>

namespace {
// Without a display Qt would abort with a long message; say it in one line.
bool displayAvailable() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"))
        return true;
    return !qgetenv("DISPLAY").isEmpty() || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationVersion(AppInfo::Version);
    // Past a file-size limit a write fails with its reason instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // Interrupted, it leaves no unfinished file behind.
    InstallInterruptionCleanup();
    if (IsCommandLine(argc, argv)) {
        // Nothing from the window's toolkit is made here.
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("palavine"));
        return RunCommandLine(argc, argv);
    }
    if (!displayAvailable()) {
        std::fprintf(stderr, "palavine: no display found (DISPLAY and WAYLAND_DISPLAY are not "
                             "set); start it in a desktop session, or use 'palavine list' (see "
                             "'palavine --help').\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("palavine"));
    // The desktop entry's id: a Wayland dock matches the window to its menu
    // entry and icon by it.
    QGuiApplication::setDesktopFileName(QStringLiteral(PALAVINE_APP_ID));
    QApplication::setWindowIcon(ApplicationIcon());
    QtUi ui;
    Form1 window(ui);
    window.Form_Load();
    window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                           window.screen()->availableGeometry()));
    window.show();
    return app.exec();
}
