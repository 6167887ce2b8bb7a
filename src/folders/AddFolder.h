// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Adding a folder with every folder below it to the folder list: the walk that
// extends a list of folder entries level by level, its name and attribute
// rules, and the command that runs it for the folder the user picks.
#pragma once

#include "core/FolderEntries.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

class AppError;
class ListModel;
class MousePointer;
class QWidget;
class Ui;

// Folder attribute bits, as the walk sees them. On this platform a folder is
// read-only when its owner can't write to it, hidden when its name starts with
// a dot, and a reparse point when it is a symbolic link; there is no system bit.
namespace FolderAttribute {
constexpr int ReadOnly = 1;
constexpr int Hidden = 2;
constexpr int System = 4;
constexpr int Directory = 16;
constexpr int Archive = 32;
constexpr int ReparsePoint = 1024;
} // namespace FolderAttribute

// True when the walk refuses a folder name: at its first control character
// (below 32, or from 127 to 159). Everything else passes, including "?" and the
// kept bytes of a name that is not valid UTF-8.
bool HasBadChars(const QString& name);

// True for a folder that is exactly hidden, system and directory (22), or the
// same and a reparse point (1046): such a folder is not read, and is left out.
bool IsSkippedByAttributes(int attributes);

// True for the root folder ("/", however many separators).
bool IsRootFolder(const QString& path);

// The attribute bits of the folder entry (a trailing separator is allowed).
// Throws AppError when the entry can't be examined.
int FolderAttributes(const QString& path);

// Extends dirs in place with every folder below its entries, breadth-first:
// level by level, the parents in their order and each parent's children in
// name order (CompareFileNames). Every entry ends with a separator. Each real
// folder is entered and added at most once. A link is followed only to a
// folder outside the trees below the entries and not above them, the first
// time the walk reaches that folder; a link into the trees or up to them is
// neither entered nor added. A folder below an entry that can't be examined,
// opened or listed for permission or because it is gone is removed; a listing
// that fails otherwise just ends. Every folder not read, and every name
// refused, is told in one message at the end, or gathered in `unread` when
// given.
void GetSubDirectories2016(QStringList& dirs, bool recurse, Ui& ui,
                           UnreadFolders* unread = nullptr);

// The walk of GetSubDirectories2016 with every one of its rules, giving each
// folder of its result as soon as its place is known instead of collecting
// them: the folders come in the very order GetSubDirectories2016 lists them,
// so a caller can stream whatever it does with each.
class FolderWalk {
  public:
    // Each folder of the result: its walk entry (ending with a separator, not
    // yet normalised) and, when the walk listed the whole folder itself, the
    // regular files it met there (only with collectFiles). Null files: the
    // caller reads the folder's files itself if it wants them.
    std::function<void(const QString& entry, const FileNameList* files)> folder;
    // When set, a folder that can't be opened, examined or listed is told here
    // (also the ones the walk leaves out without a word) instead of in one
    // message at the end.
    std::function<void(const QString& entry, const AppError& error)> failed;
    bool collectFiles = false;

    // Walks below the entries (each ending with a separator), which are given
    // first, in their order, unless taken out.
    void run(const QStringList& start, Ui& ui);
};

// "1. Add Folders and Subfolders": picks a folder (starting at the last output
// folder) and appends it and every folder below it to the folder list.
void AddFoldersAndSubfolders(Ui& ui, MousePointer& pointer, ListModel& folders, QWidget* owner);
// The same for folders given without the picker (named when the program
// starts, dropped on the window), each path without a trailing separator:
// each with every folder below it, in the order given; the folders not read
// are told in one message at the end.
void AddFolderTrees(Ui& ui, MousePointer& pointer, ListModel& folders, const QStringList& paths);
