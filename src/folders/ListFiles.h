// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Filling the folder list from plain-text list files, one folder per line, and
// with the two sample folders.
#pragma once

#include <QString>
#include <functional>

class ListModel;
class MousePointer;
class QWidget;
class Ui;

// Appends every line of the file as an item at the end of the list: a line
// ends at CR, CR LF or LF; the last line needs no end; a UTF-8 byte-order mark
// at the start of the file is dropped. Each line is read as a name is (valid
// UTF-8 as UTF-8, any other bytes kept as they are), so it names the folder
// with exactly its bytes. A relative line is taken relative to the folder that
// holds the list file and kept as that absolute path; an empty line stays
// empty. A line holding a NUL byte adds nothing, and one message at the end
// names the list file and the line (or how many, and the first). Yields once
// per line. A missing file gives "File not found"; a failure to read is
// reported and ends the reading of the file, keeping the lines already added.
void FileToListbox(Ui& ui, ListModel& list, const QString& path);

// How the entries of a list are separated: lines, or NUL bytes as
// `find -print0` writes them (then CR and LF are part of the names, and the
// bytes are taken as they are, with no byte-order mark looked for).
enum class ListSeparator { Lines, Nul };

// The lines of a list file by the rules of FileToListbox, each given to `line`
// as soon as it is read (yielding once per line), so a caller can stream them.
// A file that can't be opened or read throws AppError; the lines given so far
// stay given.
void ReadListFileLines(Ui& ui, const QString& path, const std::function<void(QString&&)>& line,
                       ListSeparator separator = ListSeparator::Lines);

// The same for a list that comes from a stream with no file of its own (such
// as standard input, fd 0): relative lines are taken relative to baseFolder
// (CurrentFolder() for standard input), and messages name the list `source`.
void ReadListLines(Ui& ui, int fd, const QString& source, const QString& baseFolder,
                   const std::function<void(QString&&)>& line,
                   ListSeparator separator = ListSeparator::Lines);

// "Load Folders From Text File": the user chooses one or more list files, which
// are read in the order the chooser gives them.
void LoadFoldersFromTextFiles(Ui& ui, MousePointer& pointer, ListModel& folders, QWidget* owner);
// Reads the list files as that command does once they are chosen (files
// dropped on the window).
void LoadFolderListFiles(Ui& ui, MousePointer& pointer, ListModel& folders,
                         const QStringList& files);

// "Load Sample/Example Data": appends the folders named by TEMP and ProgramFiles
// (the temporary folder and /usr/bin when unset).
void LoadSampleData(Ui& ui, ListModel& folders);
