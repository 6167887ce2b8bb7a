// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "cli/ConsoleUi.h"

#include "core/FileNames.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>

extern char** environ;

ConsoleUi::ConsoleUi(std::FILE* err, bool progress) : err_(err), progress_(progress) {
    clock_.start();
}

void ConsoleUi::message(const QString& text, const QString&, Icon) {
    // A report box's first line is its description; the rest is for a window.
    QString first = text.section(QLatin1Char('\r'), 0, 0).section(QLatin1Char('\n'), 0, 0);
    ++faults_;
    warn(first);
}

void ConsoleUi::openUrl(const QUrl& url) {
    // A page's path reaches xdg-open byte for byte, UTF-8 or not.
    QByteArray target =
        url.isLocalFile() ? QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())
                          : url.toEncoded();
    // Detached: in its own session, and holding no pipe of a script that reads
    // this program's output; its complaints still reach standard error.
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    // Signals this program ignores (a file-size limit) are the browser's own.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGXFSZ);
    sigaddset(&defaults, SIGPIPE);
    ::posix_spawnattr_init(&attributes);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF);
    char program[] = "xdg-open";
    char* arguments[] = {program, target.data(), nullptr};
    pid_t pid = 0;
    const int error = ::posix_spawnp(&pid, program, &actions, &attributes, arguments, environ);
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        warn(QStringLiteral("could not start xdg-open to open %1: %2")
                 .arg(DisplayFileName(DecodeFileName(target)),
                      QString::fromLocal8Bit(std::strerror(error))));
}

void ConsoleUi::warn(const QString& text) {
    clearLine();
    // A name's control characters must not move the cursor or start a line.
    QByteArray line = text.toUtf8();
    for (qsizetype i = 0; i < line.size(); ++i) {
        const uchar c = uchar(line[i]);
        if (c < 0x20 || c == 0x7F) {
            line[i] = '?';
        } else if (c == 0xC2 && i + 1 < line.size() && uchar(line[i + 1]) >= 0x80 &&
                   uchar(line[i + 1]) < 0xA0) { // U+0080 to U+009F
            line.replace(i, 2, "?");
        }
    }
    std::fprintf(err_, "palavine: %s\n", line.constData());
    std::fflush(err_);
}

void ConsoleUi::warn(const QString& path, const QString& reason) {
    warn(DisplayFileName(path) + QStringLiteral(": ") + reason);
}

void ConsoleUi::draw(bool force) {
    const qint64 now = clock_.elapsed();
    if (!force && now - lastDraw_ < 250)
        return;
    lastDraw_ = now;
    const double seconds = now / 1000.0;
    const double rate = seconds > 0 ? double(files_) / seconds : 0;
    std::fprintf(err_, "\r%lld folders read, %lld files found, %.0f files/s\033[K",
                 (long long)folders_, (long long)files_, rate);
    std::fflush(err_);
    shown_ = true;
}

void ConsoleUi::clearLine() {
    if (!shown_)
        return;
    std::fputs("\r\033[K", err_);
    shown_ = false;
}

void ConsoleUi::endProgress() {
    clearLine();
    progress_ = false;
}
