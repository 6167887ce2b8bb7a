// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Building the results list: every file directly inside each folder of the
// folder list whose extension passes the filter, appended as a full path.
#pragma once

#include "core/FolderEntries.h"

#include <QString>
#include <QStringList>
#include <functional>

class ListModel;
class Ui;

// Where failures of the two commands are reported.
inline const QString CreateListLocation =
    QStringLiteral("in Palavine2021/08/31.Form1.PushButton5_Click ");
inline const QString FilterHelpLocation =
    QStringLiteral("in Palavine2021/08/31.Form1.PushButton12_Click ");

// The filter that keeps every file.
inline const QString AllFilesFilter = QStringLiteral("*");

// The extension part of a path: the text after its last dot when that dot is not
// the first character (possibly empty); otherwise the whole text.
QString GetFileExtension(const QString& path);

// The filter as a run last read it: "*" keeps every file; any other text is an
// extension, compared with GetFileExtension of the full path without regard to
// letter case. The text is lowered once per change.
class ExtensionFilter {
  public:
    explicit ExtensionFilter(const QString& filter = AllFilesFilter) { update(filter); }
    void update(const QString& filter);
    bool keeps(QStringView fullPath) const;

  private:
    QString raw_;
    QString lowered_;
    bool first_ = true;
    bool all_ = false;
    bool loweredAscii_ = true;
};

// True when a name found in a folder goes into the file list at all: a name
// starting with "~" doesn't, whatever the filter.
inline bool IsListedFileName(const char* name) {
    return name[0] != '~';
}

// False for an entry that names no folder (an empty line of a list file): it
// adds no files.
inline bool NamesAFolder(const QString& entry) {
    return !entry.isEmpty();
}

// What a folder entry of the folder list puts in front of its files' names:
// the entry less one trailing separator, then a separator; ".." parts taken
// as the system takes them (ResolveParentParts), so the names lead to the
// folder that was read.
QString FolderEntryPrefix(const QString& entry);

// The regular files directly inside the folder (its path ending with a
// separator), as the file list reads them, in name order (CompareFileNames). A missing folder gives
// none; one that can't be read throws AppError. With `ui`, pending events run
// while a large folder is read and ordered.
FileNameList ReadFolderFiles(const QString& folderWithSeparator, Ui* ui = nullptr);

// Sets `path` to prefix + the decoded name, reusing its buffer.
void SetFilePath(QString& path, const QString& prefix, const char* name, qsizetype size);

// True when the path names an existing regular file (a link to one counts),
// whether or not the user may read it. Folders, broken links, sockets, pipes and
// devices are not files.
bool IsExistingFile(const QString& path);

// The names of the files directly inside the folder (with or without a trailing
// separator) that match the pattern, in name order (CompareFileNames); hidden
// files included. "*" and "*.*" match every name; any other pattern
// is a shell wildcard. A missing folder gives an empty list; a folder that can't
// be read throws AppError.
QStringList GetFilesInFolder(const QString& folder, const QString& pattern);

// "2. Start Creating List": appends to `results` the full path of every file
// directly inside each folder of `folders` that passes the filter. The folder
// texts are taken when the run starts; `readFilter` is asked for the filter
// before every name. `creatingList` blocks a second run during this one.
// Folders that can't be read are told in one message at the end.
void CreateFileList(Ui& ui, ListModel& folders, ListModel& results,
                    const std::function<QString()>& readFilter, bool& creatingList);

// The "?" beside the filter: a short help text on it.
void ShowFilterHelp(Ui& ui);
