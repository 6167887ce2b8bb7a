// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The results page FileList.html: its bytes (head, one link line per entry,
// tail), the plain text-file writer, and the "3. Save Results As HTML File"
// command that writes the page into the output folder.
#pragma once

#include "core/Paths.h"
#include "core/Settings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class ListModel;
class MousePointer;
class Ui;

// Writes the text as UTF-8 to the file: a mode below 2 starts the file afresh
// (created or emptied), any other mode appends (creating a missing file). No
// line end is added. Failures are thrown as AppError.
void WriteTextFile(const QString& text, const QString& path, int mode);

// What shapes the page: the font name as stored and the two colour numbers
// (red in the low byte).
struct PageStyle {
    QString fontName = Option::DefaultFontName;
    qint32 textColour = Option::DefaultTextColour;
    qint32 backgroundColour = Option::DefaultBackgroundColour;
};

// The page in pieces: PageHead(), one PageEntryLine(e) for each entry, then
// PageTail(). Every line ends with CR LF except the last, "</html>".
QByteArray PageHead(const PageStyle& style);
QByteArray PageTail();
// Appends one entry's link line (with its CR LF) to the buffer.
void AppendPageEntryLine(QByteArray& out, const QString& entry,
                         PathStyle pathStyle = NativePathStyle);
inline QByteArray PageEntryLine(const QString& entry, PathStyle pathStyle = NativePathStyle) {
    QByteArray line;
    AppendPageEntryLine(line, entry, pathStyle);
    return line;
}

// Writes a page of any number of entries into a buffer that the caller empties
// as it likes: the head at once, then the entry lines as they come. A page of
// up to 1,000 entries is the head, its entry lines and the tail. A larger one
// puts its entry lines in blocks of at most 1,000 entries, each its own
// element, and looks the same. A block that the browser lays out only when it
// comes into view is what lets a huge page open at once; but such a block
// can't make the page wider, so an entry of 120 characters or more (it may
// not fit in the window), or holding a control character, goes in a plain
// block, which is laid out at once, as do runs of fewer than 100 entries
// between such entries. The first 1,000 entries are held to decide; after
// that, at most two blocks' lines.
//
// A browser takes far longer to make a link than a line of text (for a
// million entries, seconds): so every late block but the first holds its
// entries as lines of text drawn as the links are, their link targets in a
// comment before them, and a small script at the end of the page turns each
// such block into the same links as it comes near the window, and the rest
// while the browser is idle. The text is there to find from the start.
class PageBody {
  public:
    PageBody(QByteArray& out, const PageStyle& style, PathStyle pathStyle = NativePathStyle);
    void add(const QString& entry);
    // Link targets relative to this folder (absolute, the page's own) from now
    // on, so that the links work where the page goes with the files.
    void setLinkFolder(const QString& folder) { linkFolder_ = folder; }
    // The lines held and the tail; nothing may be added after it.
    void finish();
    qint64 count() const { return count_; }

    static constexpr int BlockEntries = 1000;
    static constexpr qsizetype WideEntry = 120;
    static constexpr int LateRun = 100;

  private:
    void settleRun(bool last);
    void emitPlain();
    void emitLate();
    QByteArray& sink() { return count_ > BlockEntries ? out_ : staged_; }
    void appendLine(QByteArray& out, const QString& entry) const;
    void appendRunLines(QByteArray& out) const;

    QByteArray& out_;
    PathStyle pathStyle_;
    QString linkFolder_;
    qint64 count_ = 0;
    QByteArray held_;   // the first entries as plain lines, until there are more than 1,000
    QByteArray staged_; // the blocks made of them meanwhile
    QByteArray plain_;  // the plain block being gathered
    int plainCount_ = 0;
    // The run of short entries being gathered: their link targets and their
    // texts, a line each.
    QByteArray runTargets_;
    QByteArray runTexts_;
    int runCount_ = 0;
    int lateBlocks_ = 0; // late blocks made so far
};

QByteArray BuildPage(const PageStyle& style, const QStringList& entries);

// The address that opens the page's file, whatever bytes its path holds; a
// relative path is taken in the current folder.
QUrl PageUrl(const QString& path);

// The link target: "file://" + the entry's bytes as the file system holds them
// (separators as "/"), every byte other than ASCII letters, digits and
// - . _ ~ / : written as %XX.
QByteArray PageLinkTarget(const QString& entry, PathStyle pathStyle = NativePathStyle);
// The entry's path as seen from the folder ("../R/a.txt"), for a link that
// works wherever the page goes with the files; "./" in front when its first
// part holds ":".
QString RelativeLinkPath(const QString& entry, const QString& folder);
// Appends one entry's link line with that relative target.
void AppendRelativeEntryLine(QByteArray& out, const QString& entry, const QString& folder);

// The link text: the entry as shown to a person (U+FFFD for bytes that are not
// UTF-8, and for C1 controls and the bidirectional controls that would reorder
// what the browser shows), with & < > " ' and other control characters written
// as references.
QString PageLinkText(const QString& entry);
// The font name with the characters that could end its declaration or the
// style block removed.
QString PageFontName(const QString& stored);

// The page's file in the output folder: the folder text + "/" + FileList.html.
QString PagePath(const QString& outputFolder);

// The "3. Save Results As HTML File" command. Checks the output folder and the
// results, writes the page in one pass through a AtomicFile, says "Done." only
// when this run's page is complete, and then opens it when openAfter is set. While a save is under
// way `saving` is true and a second call does nothing.
void SaveResultsAsHtml(Ui& ui, MousePointer& pointer, ListModel& results,
                       const QString& outputFolder, qint32 textColour, qint32 backgroundColour,
                       const std::function<bool()>& openAfter, bool& saving);
