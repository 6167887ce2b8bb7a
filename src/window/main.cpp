// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The window program, started by "palavine" with its arguments: Qt's own
// window options and the folders to add.
#include "core/AppInfo.h"
#include "core/Paths.h"
#include "core/SafeFiles.h"
#include "window/Form1.h"
#include "window/QtUi.h"

#include <QApplication>
#include <QCoreApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>

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
    SetDataFolderFromProgram(QStringLiteral(PALAVINE_DATA_FROM_WINDOW));
    // Interrupted, it leaves no unfinished file behind.
    InstallInterruptionCleanup();
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
    // What the window manager adds around the window is known only once it is
    // shown: room for a title bar and borders is kept.
    const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
    window.placeOnScreen(window.screen()->availableGeometry(), QMargins(4, title, 4, 4));
    window.show();
    // The folders named, once the window shows (QApplication took its own
    // options out of argv).
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const QStringList folders = Form1::FolderArguments(arguments);
    if (!folders.isEmpty())
        QTimer::singleShot(0, &window, [&window, folders] { window.AddFolderArguments(folders); });
    return app.exec();
}
