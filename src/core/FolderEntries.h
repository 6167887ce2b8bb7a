// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// A folder's entries as the walk and the file list read them: what each entry
// is, the names of many files held in one buffer, their name order, and the
// folders a long command could not read, told once at its end.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <sys/stat.h>
#include <utility>
#include <vector>

class Ui;

// What one entry of a directory listing is. The type comes from the listing;
// the file system is asked only for links and entries of unknown type, so a
// link counts as what it leads to. "." and ".." are neither.
enum class EntryKind { Other, Folder, File };
EntryKind KindOfEntry(int folderFd, const char* name, unsigned char listedType);
// The same, telling whether the entry is a link (or of unknown type and
// examined), and then, in `target`, what it leads to.
EntryKind KindOfEntry(int folderFd, const char* name, unsigned char listedType, struct stat* target,
                      bool* link);

// The names of one folder's files, their bytes end to end: a folder of many
// files costs one buffer instead of one string per name.
struct FileNameList {
    QByteArray bytes;
    std::vector<std::pair<qsizetype, qsizetype>> spans; // offset and size of each name

    qsizetype size() const { return qsizetype(spans.size()); }
    const char* name(qsizetype i) const { return bytes.constData() + spans[size_t(i)].first; }
    qsizetype nameSize(qsizetype i) const { return spans[size_t(i)].second; }
    void append(const char* name, qsizetype size) {
        spans.emplace_back(bytes.size(), size);
        bytes.append(name, size);
    }
};

// Puts the names in name order (CompareFileNames).
void SortFileNames(FileNameList& names);
// The same, letting pending events run meanwhile: a large folder's names are
// ordered on a helper thread while this one yields.
void SortFileNames(FileNameList& names, Ui& ui);
constexpr qsizetype SortAsideSize = 20000;

// The folders a long command could not read, told once at its end: how many,
// and the first ten with their reasons.
inline const QString UnreadFoldersTitle = QStringLiteral("Folders Not Read");
// What a walk's message says of the folders it could not read.
inline const QString UnreadFoldersOfWalk =
    QStringLiteral("The folders below them are not in the folder list.");
class UnreadFolders {
  public:
    static constexpr qsizetype Shown = 10;

    void add(const QString& folder, const QString& reason);
    qsizetype count() const { return count_; }
    // The message, the consequence after the list; empty when all were read.
    QString text(const QString& consequence) const;
    // One box with the message, when a folder could not be read.
    void tell(Ui& ui, const QString& consequence) const;

  private:
    qsizetype count_ = 0;
    QStringList first_;
};
