// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "app/Helpers.h"

#include "app/AppInfo.h"
#include "app/ErrorReport.h"
#include "app/FileNames.h"
#include "app/FileSystem.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QWidget>

#include <climits>
#include <sys/stat.h>

namespace {
QString g_appTitle;
QString g_programFolder;

#ifndef PALAVINE_DATA_FROM_BIN
#define PALAVINE_DATA_FROM_BIN "../share/palavine"
#endif

void colourWindowAndGroups(QWidget* window, const QColor& background, const QColor& text) {
    SetWidgetColours(window, background, text);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child) ||
            qobject_cast<QCheckBox*>(child) || qobject_cast<QRadioButton*>(child))
            SetWidgetColours(child, background, text);
    }
}

bool isDataFile(const QString& path) {
    struct stat info {};
    return ::stat(EncodeFileName(path).constData(), &info) == 0 && !S_ISDIR(info.st_mode);
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

QString InstalledDataFolder() {
    return QDir::cleanPath(ProgramFolder() + QLatin1Char('/') +
                           QStringLiteral(PALAVINE_DATA_FROM_BIN));
}

QString DataFile(const QString& name) {
    const QString beside = ProgramFolder() + QLatin1Char('/') + name;
    if (isDataFile(beside))
        return beside;
    const QString installed = InstalledDataFolder() + QLatin1Char('/') + name;
    return isDataFile(installed) ? installed : beside;
}

QCursor LoadCursorFile(const QString& path) {
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    QPixmap picture;
    if (!picture.loadFromData(bytes))
        throw AppError(481, QStringLiteral("Invalid picture"));
    // A cursor file says so in its header (type 2); its first picture's hot spot
    // stands at bytes 10 and 12.
    int hotX = -1, hotY = -1;
    const auto u16 = [&](int at) {
        return int(quint8(bytes[at])) | (int(quint8(bytes[at + 1])) << 8);
    };
    if (bytes.size() >= 22 && u16(2) == 2) {
        hotX = u16(10);
        hotY = u16(12);
    }
    return QCursor(picture, hotX, hotY);
}

bool ApplySkin(QWidget* window) {
    const QString skin = DataFile(QStringLiteral("x/o.cjs"));
    struct stat info {};
    if (::stat(EncodeFileName(skin).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    ApplyButtonFaceColors(window);
    return true;
}

void ApplyButtonFaceColors(QWidget* window) {
    const QPalette theme = QApplication::palette();
    colourWindowAndGroups(window, theme.color(QPalette::Button), theme.color(QPalette::ButtonText));
}

void ApplyWhiteBackground(QWidget* window) {
    colourWindowAndGroups(window, Qt::white, Qt::black);
}

void SetWidgetColours(QWidget* widget, const QColor& background, const QColor& text) {
    // A check box paints its background from the Button role, a label or a
    // frame from Window: both take the colour, and the text its partner.
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::Window, widget->backgroundRole()})
        palette.setColor(role, background);
    for (QPalette::ColorRole role : {QPalette::WindowText, widget->foregroundRole()})
        palette.setColor(role, text);
    if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget)) {
        // The box itself: white with a dark mark on white, the theme's own otherwise.
        const QPalette theme = QApplication::palette();
        const bool white = background == QColor(Qt::white);
        palette.setColor(QPalette::Base, white ? QColor(Qt::white) : theme.color(QPalette::Base));
        palette.setColor(QPalette::Text, white ? text : theme.color(QPalette::Text));
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

bool PressButtonOnEnter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* button = qobject_cast<QPushButton*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!button || !button->isEnabled() ||
        (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    button->click();
    return true;
}
