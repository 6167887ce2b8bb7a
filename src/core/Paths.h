// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The path rules, the special folders, the program's data files and the
// application title: small helpers shared by the commands.
#pragma once

#include <QString>
#include <QtGlobal>

// The path rules exist in two styles: Windows (backslash, 260 characters) and
// POSIX (slash, PATH_MAX). The program uses the native one.
enum class PathStyle { Windows, Posix };
constexpr PathStyle NativePathStyle = PathStyle::Posix;

QChar Separator(PathStyle style = NativePathStyle);
// Paths this long or longer are not read further.
int MaxPathLength(PathStyle style = NativePathStyle);
bool EndsWithSeparator(const QString& path, PathStyle style = NativePathStyle);
// The path less one trailing separator, if it has one.
QString WithoutTrailingSeparator(const QString& path, PathStyle style = NativePathStyle);

// True when the path's modification time can be read (the path exists).
bool FileExists(const QString& path);
// True when the path is an existing directory (a link to one counts).
bool IsFolder(const QString& path);

// Collapses doubled separators, keeping a leading prefix: with the Windows style
// a leading run of backslashes becomes exactly two (a network prefix); with the
// POSIX style a leading run of slashes becomes one. Inside the text each pair of
// separators becomes one.
QString NormalizeBackslashes(const QString& path, PathStyle style = NativePathStyle);

// Special folder 0 is the user's desktop: its path, or "" when there is none.
QString GetSpecialFolder(int folder);
// The desktop folder followed by a separator; the home folder when the desktop
// can't be determined.
QString DesktopFolder();

// A colour number (red in the low byte) as "#RRGGBB".
QString ColorToHtml(qint32 colour);

// The application title message boxes show when they name none of their own.
void SetAppTitle();
QString AppTitle();
// The title made from a product name: its last word dropped, then more words
// while it is longer than 40 characters; a one-word name is kept whole.
QString AppTitleFromName(const QString& name);

// The folder of the executable, where the optional cursor and skin files are
// looked for first. Another folder can take its place (for tests and portable use).
QString ProgramFolder();
void SetProgramFolder(const QString& folder);
// The data folder of an installed program (share/palavine beside bin), where
// the optional files are looked for next.
QString InstalledDataFolder();
// The data folder's place relative to the program's folder, when the program
// is installed elsewhere than beside the command line.
void SetDataFolderFromProgram(const QString& relative);
// An optional data file by its name below those folders (such as "x/o.cjs"):
// the first that is there and not a folder; the program folder's when neither is.
QString DataFile(const QString& name);
