// Filling the folder list from plain-text list files, one folder per line, and
// with the two sample folders.
#pragma once

#include <QString>
#include <functional>

class ListView;
class MousePointer;
class QWidget;
class Ui;

// Appends every line of the file as an item at the end of the list, character
// for character: a line ends at CR, CR LF or LF; the last line needs no end; a
// UTF-8 byte-order mark at the start is dropped; the text is UTF-8, or Latin-1
// when the file is not valid UTF-8. Yields once per line. A missing file gives
// "File not found"; a failure to read is reported and ends the reading of the
// file, keeping the lines already added.
void FileToListbox(Ui& ui, ListView& list, const QString& path);

// The lines of a list file by the rules of FileToListbox, each given to `line`
// as soon as it is read (yielding once per line), so a caller can stream them.
// A file that can't be opened or read throws AppError; the lines given so far
// stay given.
void ReadListFileLines(Ui& ui, const QString& path, const std::function<void(QString&&)>& line);

// "Load Folders From Text File": the user chooses one or more list files, which
// are read in the order the chooser gives them.
void LoadFoldersFromTextFiles(Ui& ui, MousePointer& pointer, ListView& folders, QWidget* owner);

// "Load Sample/Example Data": appends the folders named by TEMP and ProgramFiles
// (the temporary folder and /usr/bin when unset).
void LoadSampleData(Ui& ui, ListView& folders);
