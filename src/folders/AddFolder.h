// Adding a folder with every folder below it to the folder list: the walk that
// extends a list of folder entries level by level, its name and attribute
// rules, and the command that runs it for the folder the user picks.
#pragma once

#include <QString>
#include <QStringList>

class ListView;
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
// level by level, the parents in their order and each parent's children in the
// order the directory listing gives them. Every entry ends with a separator.
// An entry that can't be opened for permission or because it is gone is
// removed; a listing that fails otherwise just ends. A folder already read in
// this walk (same device and inode: a link cycle, a link to a folder met
// before) is listed but not read again. Other failures are reported.
void GetSubDirectories2016(QStringList& dirs, bool recurse, Ui& ui);

// "1. Add Folders and Subfolders": picks a folder (starting at the last output
// folder) and appends it and every folder below it to the folder list.
void AddFoldersAndSubfolders(Ui& ui, MousePointer& pointer, ListView& folders, QWidget* owner);
