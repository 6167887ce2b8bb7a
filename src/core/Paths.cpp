// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "core/Paths.h"

#include "core/AppInfo.h"
#include "core/FileNames.h"
#include "core/FileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <climits>
#include <sys/stat.h>

namespace {
QString g_appTitle;
QString g_programFolder;

// Where an installed program finds its data folder, from its own folder.
QString g_dataFromProgram = QStringLiteral("../share/palavine");

bool isDataFile(const QString& path) {
    struct stat info {};
    return StatPath(EncodeFileName(path), &info) == 0 && !S_ISDIR(info.st_mode);
}
} // namespace

QChar Separator(PathStyle style) {
    return style == PathStyle::Windows ? QLatin1Char('\\') : QLatin1Char('/');
}

int MaxPathLength(PathStyle style) {
    return style == PathStyle::Windows ? 260 : PATH_MAX;
}

bool EndsWithSeparator(const QString& path, PathStyle style) {
    return path.endsWith(Separator(style));
}

QString WithoutTrailingSeparator(const QString& path, PathStyle style) {
    return EndsWithSeparator(path, style) ? path.chopped(1) : path;
}

bool FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    struct stat info {};
    return StatPath(EncodeFileName(path), &info) == 0;
}

bool IsFolder(const QString& path) {
    if (path.isEmpty())
        return false;
    struct stat info {};
    return StatPath(EncodeFileName(path), &info) == 0 && S_ISDIR(info.st_mode);
}

QString NormalizeBackslashes(const QString& path, PathStyle style) {
    const QChar sep = Separator(style);
    const QString pair = QString(2, sep);
    if (!path.startsWith(sep)) {
        QString out = path;
        return out.replace(pair, QString(sep));
    }
    qsizetype k = 1;
    while (k < path.size() && path.at(k) == sep)
        ++k;
    QString rest = path.mid(k);
    rest.replace(pair, QString(sep));
    const QString prefix = style == PathStyle::Windows ? pair : QString(sep);
    return prefix + rest;
}

QString GetSpecialFolder(int folder) {
    if (folder != 0)
        return {};
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty() || !IsFolder(desktop))
        return {};
    return desktop;
}

QString DesktopFolder() {
    QString folder = GetSpecialFolder(0);
    if (folder.isEmpty())
        folder = QDir::homePath();
    if (folder.isEmpty())
        folder = QStringLiteral("/");
    return EndsWithSeparator(folder) ? folder : folder + Separator();
}

QString ColorToHtml(qint32 colour) {
    QString s = QString::number(quint32(colour), 16).toUpper();
    if (s.size() < 6)
        s = QString(6 - s.size(), QLatin1Char('0')) + s;
    return QLatin1Char('#') + s.right(2) + s.mid(2, 2) + s.left(2);
}

QString AppTitleFromName(const QString& name) {
    QString title = name;
    for (;;) {
        const qsizetype space = title.lastIndexOf(QLatin1Char(' '));
        if (space < 0)
            break;
        title.truncate(space);
        if (title.size() <= 40)
            break;
    }
    return title;
}

void SetAppTitle() {
    g_appTitle = AppTitleFromName(AppInfo::ProductName);
}

QString AppTitle() {
    return g_appTitle.isEmpty() ? AppInfo::ProductName : g_appTitle;
}

QString ProgramFolder() {
    return g_programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : g_programFolder;
}

void SetProgramFolder(const QString& folder) {
    g_programFolder = folder;
}

void SetDataFolderFromProgram(const QString& relative) {
    g_dataFromProgram = relative;
}

QString InstalledDataFolder() {
    return QDir::cleanPath(ProgramFolder() + QLatin1Char('/') + g_dataFromProgram);
}

QString DataFile(const QString& name) {
    const QString beside = ProgramFolder() + QLatin1Char('/') + name;
    if (isDataFile(beside))
        return beside;
    const QString installed = InstalledDataFolder() + QLatin1Char('/') + name;
    return isDataFile(installed) ? installed : beside;
}
