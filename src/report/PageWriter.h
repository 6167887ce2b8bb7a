// The results page FileList.html: its bytes (head, one link line per entry,
// tail), the plain text-file writer, and the "3. Save Results As HTML File"
// command that writes the page into the output folder.
#pragma once

#include "app/Helpers.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class ListView;
class MousePointer;
class Ui;

// Writes the text as UTF-8 to the file: a mode below 2 starts the file afresh
// (created or emptied), any other mode appends (creating a missing file). No
// line end is added. Failures are thrown as AppError.
void WriteTextFile(const QString& text, const QString& path, int mode);

// What shapes the page: the font name as stored and the two colour numbers
// (red in the low byte).
struct PageStyle {
    QString fontName = QStringLiteral("Arial");
    qint32 textColour = 16711680;
    qint32 backgroundColour = 16777215;
};

// The page in pieces, so that a writer can stream entries of any number:
// PageHead() + PageEntryLine(e) for each entry + PageTail() is the whole page.
// Every line ends with CR LF except the last, "</html>".
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
QByteArray BuildPage(const PageStyle& style, const QStringList& entries);

// The link target: "file://" + the entry's bytes as the file system holds them
// (separators as "/"), every byte other than ASCII letters, digits and
// - . _ ~ / : written as %XX.
QByteArray PageLinkTarget(const QString& entry, PathStyle pathStyle = NativePathStyle);
// The link text: the entry as shown to a person (U+FFFD for bytes that are not
// UTF-8), with & < > " ' and control characters written as references.
QString PageLinkText(const QString& entry);
// The font name with the characters that could end its declaration or the
// style block removed.
QString PageFontName(const QString& stored);

// The page's file in the output folder: the folder text + "/" + FileList.html.
QString PagePath(const QString& outputFolder);

// The "3. Save Results As HTML File" command. Checks the output folder and the
// results, writes the page in one pass to a temporary file renamed over
// FileList.html at the end, says "Done." only when this run's page is complete,
// and then opens it when openAfter is set. While a save is under way `saving`
// is true and a second call does nothing.
void SaveResultsAsHtml(Ui& ui, MousePointer& pointer, ListView& results,
                       const QString& outputFolder, qint32 textColour, qint32 backgroundColour,
                       const std::function<bool()>& openAfter, bool& saving);
