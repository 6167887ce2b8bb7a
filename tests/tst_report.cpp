// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The results page, the text-file writer, the output folder choice and Help.
#include "core/AppInfo.h"
#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/MousePointer.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "help/Help.h"
#include "report/OutputFolder.h"
#include "report/PageWriter.h"
#include "support/ScriptedUi.h"
#include "support/TestSettings.h"
#include "window/ListView.h"

#include <QDataStream>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint32 BlueColour = 16711680;
constexpr qint32 WhiteColour = 16777215;
const QString SaveLocation = QStringLiteral("in Palavine2021/08/31.Form1.PushButton7_Click ");

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The page's lines as the product's layout states them, for one entry line.
QByteArray expectedPage(const QString& bg, const QString& font, const QString& fg,
                        const QByteArray& entryLine) {
    const QStringList head = {
        "<html>",
        "<head>",
        "<meta http-equiv=\"Content-Type\"",
        "content=\"text/html; charset=utf-8\">",
        "<meta name=\"GENERATOR\" content=\"Palavine\">",
        "<title> List of files </title>",
        "<style>",
        "/* Main Selectors */",
        "body {",
        "background-color: " + bg + ";",
        "font-family: " + font + ";",
        "color:" + fg + ";",
        "}",
        "",
        "a, a:visited {",
        "background-color: transparent;",
        "font-family: " + font + ";",
        "color: #808000;",
        "}",
        "",
        "a:hover {",
        "background-color: transparent;",
        "font-family: " + font + ";",
        "color:" + fg + ";",
        "}",
        "/* Header */",
        "div#header h1 {",
        "font-family: " + font + ";",
        "text-align: center;",
        "background-color: transparent;",
        "color:" + fg + ";",
        "}",
        "</style>",
        "</head>",
        "<body>",
        "<div id='header'>",
        "<h1> List of files</h1>",
        "</div>",
        "<p class='description'> List of files</p>",
        "<p class='description'>&nbsp;</p>",
        "<div id='index'>",
    };
    QByteArray page = head.join("\r\n").toUtf8() + "\r\n";
    page += entryLine;
    page += "<br></div>\r\n</body>\r\n</html>";
    return page;
}

QStringList boxTexts(const ScriptedUi& ui) {
    QStringList texts;
    for (const auto& box : ui.boxes)
        texts << box.text;
    return texts;
}

// Writes a file whose path is the given bytes.
bool writeRaw(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written =
        fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    if (fd >= 0)
        ::close(fd);
    return written;
}

// Creates a file whose name is the given bytes, in the folder; gives the path
// as the program holds it.
QString makeFile(const QString& folder, const QByteArray& name) {
    const QByteArray path = EncodeFileName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return {};
    ::close(fd);
    return DecodeFileName(path);
}

// The entry lines of a page: (link target, link text).
QList<QPair<QByteArray, QByteArray>> entryLinks(const QByteArray& page) {
    QList<QPair<QByteArray, QByteArray>> links;
    for (const QByteArray& line : page.split('\n')) {
        if (!line.startsWith("<a href='"))
            continue;
        const qsizetype open = line.indexOf("'>");
        const qsizetype close = line.lastIndexOf("</a><br>\r");
        links.append({line.mid(9, open - 9), line.mid(open + 2, close - open - 2)});
    }
    return links;
}

QString unescapeHtml(QString text) {
    static const QRegularExpression number(QStringLiteral("&#(\\d+);"));
    QRegularExpressionMatch m;
    while ((m = number.match(text)).hasMatch())
        text.replace(m.capturedStart(), m.capturedLength(), QChar(m.captured(1).toInt()));
    text.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"");
    return text.replace("&amp;", "&");
}

// Removes the files made with raw names (QTemporaryDir can't name them all).
void removeFiles(const QList<QString>& paths) {
    for (const QString& path : paths)
        ::unlink(EncodeFileName(path).constData());
}

struct Saver {
    ScriptedUi ui;
    MousePointer pointer;
    ListView results;
    bool saving = false;
    qint32 text = BlueColour;
    qint32 background = WhiteColour;

    void save(const QString& folder, bool openAfter = false) {
        SaveResultsAsHtml(
            ui, pointer, results, folder, text, background, [&] { return openAfter; }, saving);
    }
};

// The page with each block of texts (its link targets in a comment before
// them) written as the link lines the page's script makes of it, in a block
// that starts "<pre" still.
QByteArray withTextsLinked(const QByteArray& page) {
    QList<QByteArray> lines = page.split('\n');
    QList<QByteArray> out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].startsWith("<pre")) {
            out << lines[i];
            continue;
        }
        out << lines[i].left(lines[i].indexOf("<!--")) + '\r';
        QList<QByteArray> targets;
        for (++i; i < lines.size() && !lines[i].startsWith("-->"); ++i)
            targets << lines[i].chopped(1);
        lines[i].remove(0, 3);
        for (const QByteArray& target : targets) {
            if (lines[i].startsWith("</pre>"))
                return "more targets than texts";
            out << "<a href='" + target + "'>" + lines[i++].chopped(1) + "</a><br>\r";
        }
        if (lines[i] != "</pre>\r")
            return "more texts than targets";
        out << lines[i];
    }
    return out.join('\n');
}

// A page's entry region as its blocks in order: "L<n>" for a block of links
// laid out when shown, "T<n>" for one of texts that the page's script makes
// links of, "P<n>" for a plain one, "-<n>" for lines outside any block. Each
// late block's height estimate must be its number of lines.
QString pageBlocks(const QByteArray& page) {
    static const QByteArray late = "content-visibility:auto;contain-intrinsic-size:auto ";
    const QByteArray linked = withTextsLinked(page);
    const qsizetype begin = linked.indexOf("<div id='index'>\r\n") + 18;
    const qsizetype end = linked.lastIndexOf("<br></div>\r\n");
    QStringList blocks;
    int lines = 0;
    QByteArray open;
    for (const QByteArray& line : linked.mid(begin, end - begin).split('\n')) {
        if (line.startsWith("<div") || line.startsWith("<pre")) {
            if (lines)
                blocks << QString("-%1").arg(lines);
            open = line;
            lines = 0;
        } else if (line == "</div>\r" || line == "</pre>\r") {
            const qsizetype at = open.indexOf(late);
            if (at >= 0 && open.mid(at + late.size()).split('l').first().toInt() != lines)
                return "wrong estimate in " + QString::fromUtf8(open);
            blocks << QString("%1%2")
                          .arg(open.startsWith("<pre") ? "T"
                               : at >= 0               ? "L"
                                                       : "P")
                          .arg(lines);
            open.clear();
            lines = 0;
        } else if (line.startsWith("<a href=")) {
            ++lines;
        }
    }
    if (lines)
        blocks << QString("-%1").arg(lines);
    return blocks.join(' ');
}

// The page with its block lines and script taken out, its texts as links: the
// one-run page of the entries.
QByteArray withoutBlocks(const QByteArray& page) {
    QByteArray linked = withTextsLinked(page);
    const qsizetype script = linked.indexOf("<script>");
    if (script >= 0)
        linked.remove(script, linked.indexOf("</script>\r\n") + 11 - script);
    QList<QByteArray> lines = linked.split('\n');
    const qsizetype index = lines.indexOf("<div id='index'>\r");
    for (qsizetype i = lines.size() - 1; i > index; --i) {
        if (lines[i].startsWith("<div") || lines[i].startsWith("<pre") || lines[i] == "</div>\r" ||
            lines[i] == "</pre>\r")
            lines.removeAt(i);
    }
    return lines.join('\n');
}

// What a save run in a child process saw.
struct ChildSave {
    QStringList boxes;
    QByteArray page;   // the page's bytes afterwards
    QStringList names; // the names in the page's folder
    int mode = -1;
    int owner = -1;
};

enum ChildWay { AsIs = 0, AsNobody = 1, OnFullDisk = 2 };

// Puts a small file system of its own over the folder, seen by this process
// only (a private mount namespace; for a user other than root, with a user
// namespace as well).
bool mountSmallDisk(const QByteArray& folder) {
    if (::geteuid() != 0) {
        const uid_t uid = ::getuid();
        const gid_t gid = ::getgid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        for (const auto& [file, text] :
             {std::pair{"/proc/self/setgroups", QByteArray("deny")},
              std::pair{"/proc/self/uid_map", "0 " + QByteArray::number(uid) + " 1"},
              std::pair{"/proc/self/gid_map", "0 " + QByteArray::number(gid) + " 1"}}) {
            const int fd = ::open(file, O_WRONLY);
            const bool written = fd >= 0 && ::write(fd, text.constData(), text.size()) > 0;
            if (fd >= 0)
                ::close(fd);
            if (!written)
                return false;
        }
    } else if (::unshare(CLONE_NEWNS) != 0) {
        return false;
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("tmpfs", folder.constData(), "tmpfs", 0, "size=64k") == 0;
}

// Runs the window's save of the entries into the folder in a child process:
// as an unprivileged user, or with the folder on a small disk of its own (made
// ready by `prepare`), which this process can't be; the child reports what it
// saw. Nothing when the child could not get its own file system.
// With `killAtYield`, the child is killed (SIGKILL) at that yield of the save
// and reports nothing.
std::optional<ChildSave> saveInChild(const QStringList& entries, const QByteArray& folder, int way,
                                     const std::function<void()>& prepare, rlim_t sizeLimit,
                                     int killAtYield = 0) {
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const bool root = ::geteuid() == 0; // not the root of a namespace of its own
        if (way & OnFullDisk) {
            if (!mountSmallDisk(folder))
                ::_exit(3);
            prepare();
        }
        if ((way & AsNobody) && root &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(4);
        if (sizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit { sizeLimit, sizeLimit };
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        Saver s;
        for (const QString& entry : entries)
            s.results.Add(entry);
        if (killAtYield)
            s.ui.atYield(killAtYield, [] { ::raise(SIGKILL); });
        s.save(DecodeFileName(folder));
        ChildSave seen;
        seen.boxes = boxTexts(s.ui);
        const QByteArray page = folder + "/FileList.html";
        if (const int fd = ::open(page.constData(), O_RDONLY | O_NONBLOCK); fd >= 0) {
            char buffer[65536];
            for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
                seen.page.append(buffer, n);
            ::close(fd);
        }
        if (DIR* d = ::opendir(folder.constData())) {
            while (const dirent* e = ::readdir(d)) {
                if (qstrcmp(e->d_name, ".") && qstrcmp(e->d_name, ".."))
                    seen.names << QString::fromUtf8(e->d_name);
            }
            ::closedir(d);
        }
        struct stat info {};
        if (::stat(page.constData(), &info) == 0) {
            seen.mode = int(info.st_mode & 07777);
            seen.owner = int(info.st_uid);
        }
        QByteArray report;
        QDataStream out(&report, QIODevice::WriteOnly);
        out << seen.boxes << seen.page << seen.names << seen.mode << seen.owner;
        for (qsizetype at = 0; at < report.size();) {
            const ssize_t n = ::write(channel[1], report.constData() + at, report.size() - at);
            if (n <= 0)
                break;
            at += n;
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray report;
    char buffer[65536];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (report.isEmpty())
        return std::nullopt;
    ChildSave seen;
    QDataStream in(report);
    in >> seen.boxes >> seen.page >> seen.names >> seen.mode >> seen.owner;
    return seen;
}
} // namespace

class TestReport : public QObject {
    Q_OBJECT
  private slots:
    void pageWithDefaultsAndOneEntryIsExact();
    void largePagesGoInBlocks_data();
    void largePagesGoInBlocks();
    void headFollowsColoursAndFont_data();
    void headFollowsColoursAndFont();
    void linkTargetAndTextAreEncoded_data();
    void linkTargetAndTextAreEncoded();
    void linksOfLongMixedNamesMatchTheByteRule();
    void awkwardNamesGiveWorkingLinksAndInertText();
    void checksStopBeforeTouchingTheFile_data();
    void checksStopBeforeTouchingTheFile();
    void folderTextsWriteIntoTheFolderNamed_data();
    void folderTextsWriteIntoTheFolderNamed();
    void savingTwiceGivesTheSameFile();
    void folderInPlaceOfPageShowsNoDone();
    void failedWriteLeavesEarlierPageIntact();
    void awkwardOutputFilesAndFolders_data();
    void awkwardOutputFilesAndFolders();
    void secondPressAndListChangesDuringYieldsCannotTearPage();
    void pageOpensOnlyAfterDoneAndWhenAsked();
    void pointerIsResetAfterWriting();
    void writeTextFileModes_data();
    void writeTextFileModes();
    void writeTextFileFailureIsThrown();
    void outputFolderPick_data();
    void outputFolderPick();
    void outputFolderCancelChangesNothing();
    void helpShowsContactBoxEachTime();
};

void TestReport::pageWithDefaultsAndOneEntryIsExact() {
    TestSettings settings;
    QTemporaryDir dir;
    Saver s;
    s.results.Add("/home/u/a.txt");
    s.save(dir.path());
    QCOMPARE(boxTexts(s.ui), QStringList{"Done."});
    QCOMPARE(s.ui.boxes[0].icon, Ui::Icon::None);
    QVERIFY(s.ui.openedUrls.isEmpty());
    const QByteArray page = readBytes(dir.path() + "/FileList.html");
    QCOMPARE(page, expectedPage("#FFFFFF", "Arial", "#0000FF",
                                "<a href='file:///home/u/a.txt'>/home/u/a.txt</a><br>\r\n"));
    QCOMPARE(page.count("\r\n"), 44);
    QCOMPARE(page.count('\n'), 44);
    QVERIFY(page.endsWith("\r\n</html>"));
    QCOMPARE(BuildPage(PageStyle{}, {"/home/u/a.txt"}), page);
}

void TestReport::largePagesGoInBlocks_data() {
    QTest::addColumn<int>("entries");
    // The entries that can't go in a block laid out when shown, and their text.
    QTest::addColumn<QList<int>>("wide");
    QTest::addColumn<QString>("wideText");
    QTest::addColumn<QString>("shortText"); // the other entries' (%1 the folder, %2 the file)
    QTest::addColumn<QString>("blocks");
    const QString longName = "/data/" + QString(120, 'w') + "%1";
    const QString plain = "/data/folder %1/file %2.txt";
    QTest::newRow("1,000 entries: one run, as ever")
        << 1000 << QList<int>{} << longName << plain << "-1000";
    QTest::newRow("1,001 entries: two blocks")
        << 1001 << QList<int>{} << longName << plain << "L1000 T1";
    QTest::newRow("a wide entry gets a plain block")
        << 1500 << QList<int>{1200} << longName << plain << "L1000 T200 P1 T299";
    QTest::newRow("short runs between wide entries join them")
        << 1100 << QList<int>{1000, 1050, 1099} << longName << plain << "L1000 P100";
    QTest::newRow("every block at most 1,000 entries")
        << 2600 << QList<int>{0, 1, 50, 1200, 1250} << longName << plain
        << "P51 L1000 T149 P51 T1000 T349";
    // A line of text of its own would break at it.
    QTest::newRow("a control character gets a plain block")
        << 2100 << QList<int>{1500} << "/data/line\nbreak\ttab %1" << plain << "L1000 T500 P1 T599";
    QTest::newRow("any control character")
        << 2100 << QList<int>{1500, 1501} << "/data/etx\003 it's %1" << plain
        << "L1000 T500 P2 T598";
    QTest::newRow("markup, quotes, escapes and other scripts in the texts and targets")
        << 2500 << QList<int>{} << longName
        << "/data/a&amp;b <i>%1</i>/it's \"q\" 100% #x?y=z \u00e9\u202e\U0001F600 --> %2"
        << "L1000 T1000 T500";
}

void TestReport::largePagesGoInBlocks() {
    QFETCH(int, entries);
    QFETCH(QList<int>, wide);
    QFETCH(QString, wideText);
    QFETCH(QString, shortText);
    TestSettings settings;
    QTemporaryDir dir;
    Saver s;
    QStringList list;
    for (int i = 0; i < entries; ++i) {
        list << (wide.contains(i) ? wideText.arg(i) : shortText.arg(i / 100).arg(i));
        s.results.Add(list.last());
    }
    s.save(dir.path());
    QCOMPARE(boxTexts(s.ui), QStringList{"Done."});
    const QByteArray page = readBytes(dir.path() + "/FileList.html");
    QTEST(pageBlocks(page), "blocks");
    // The script that makes links of the texts, where there are texts.
    QCOMPARE(page.contains("<script>"), pageBlocks(page).contains('T'));
    QByteArray oneRun = PageHead(PageStyle{});
    for (const QString& entry : list)
        oneRun += PageEntryLine(entry);
    oneRun += PageTail();
    QCOMPARE(withoutBlocks(page), oneRun);
    QCOMPARE(BuildPage(PageStyle{}, list), page);
}

void TestReport::headFollowsColoursAndFont_data() {
    // "unsaved:" before the font: chosen while the store can't be written.
    QTest::addColumn<QString>("storedFont");
    QTest::addColumn<qint32>("text");
    QTest::addColumn<qint32>("background");
    QTest::addColumn<QString>("fontLine");
    QTest::addColumn<QString>("bgLine");
    QTest::addColumn<QString>("fgLine");
    QTest::newRow("defaults") << QString() << BlueColour << WhiteColour << "font-family: Arial;"
                              << "background-color: #FFFFFF;"
                              << "color:#0000FF;";
    QTest::newRow("red on black, two-word font")
        << "Courier New" << qint32(255) << qint32(0) << "font-family: Courier New;"
        << "background-color: #000000;"
        << "color:#FF0000;";
    QTest::newRow("green on grey")
        << "DejaVu Sans" << qint32(0x00FF00) << qint32(0x808080) << "font-family: DejaVu Sans;"
        << "background-color: #808080;"
        << "color:#00FF00;";
    QTest::newRow("font closing the style block")
        << "Evil;}</style><script>alert(1)</script>" << BlueColour << WhiteColour
        << "font-family: Evilstylescriptalert(1)script;"
        << "background-color: #FFFFFF;"
        << "color:#0000FF;";
    QTest::newRow("font with control characters and comment")
        << "A\r\nB\t/*C*/\"D'\\" << BlueColour << WhiteColour << "font-family: ABCD;"
        << "background-color: #FFFFFF;"
        << "color:#0000FF;";
    QTest::newRow("font chosen while the store can't be written: it lasts until the window closes")
        << "unsaved:Verdana" << BlueColour << WhiteColour << "font-family: Verdana;"
        << "background-color: #FFFFFF;"
        << "color:#0000FF;";
}

void TestReport::headFollowsColoursAndFont() {
    QFETCH(QString, storedFont);
    QFETCH(qint32, text);
    QFETCH(qint32, background);
    TestSettings settings;
    if (storedFont.startsWith("unsaved:")) {
        // A folder in the store's place: no save can succeed, even for root.
        QVERIFY(QDir().mkpath(settings.path()));
        QVERIFY(!SaveOption("FontName", storedFont.mid(8)));
    } else if (!storedFont.isEmpty()) {
        QVERIFY(SaveOption("FontName", storedFont));
    }
    QTemporaryDir dir;
    Saver s;
    s.text = text;
    s.background = background;
    s.results.Add("/x");
    s.save(dir.path());
    const QList<QByteArray> lines = readBytes(dir.path() + "/FileList.html").split('\n');
    QCOMPARE(lines.size(), 45);
    QFETCH(QString, bgLine);
    QCOMPARE(QString::fromUtf8(lines[9]), bgLine + "\r");
    QFETCH(QString, fontLine);
    QFETCH(QString, fgLine);
    for (int i : {10, 16, 22, 27})
        QCOMPARE(QString::fromUtf8(lines[i]).chopped(1), fontLine);
    for (int i : {11, 23, 30})
        QCOMPARE(QString::fromUtf8(lines[i]).chopped(1), fgLine);
    QCOMPARE(lines[17], "color: #808000;\r");
}

void TestReport::linkTargetAndTextAreEncoded_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("windows");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << "/home/u/a-b_c.d/e.txt" << false
                           << QByteArray("file:///home/u/a-b_c.d/e.txt") << "/home/u/a-b_c.d/e.txt";
    QTest::newRow("windows drive")
        << "C:\\Data\\a.txt" << true << QByteArray("file://C:/Data/a.txt") << "C:\\Data\\a.txt";
    QTest::newRow("windows network")
        << "\\\\server\\share\\a.txt" << true << QByteArray("file:////server/share/a.txt")
        << "\\\\server\\share\\a.txt";
    QTest::newRow("backslash is a name byte here")
        << "/d/a\\b" << false << QByteArray("file:///d/a%5Cb") << "/d/a\\b";
    QTest::newRow("quotes and markup") << "/d/it's \"<b>\" & co" << false
                                       << QByteArray("file:///d/it%27s%20%22%3Cb%3E%22%20%26%20co")
                                       << "/d/it&#39;s &quot;&lt;b&gt;&quot; &amp; co";
    QTest::newRow("url specials") << "/d/#1 100%?x=y;z~" << false
                                  << QByteArray("file:///d/%231%20100%25%3Fx%3Dy%3Bz~")
                                  << "/d/#1 100%?x=y;z~";
    QTest::newRow("control characters")
        << "/d/a\nb\rc\td\x7F" << false << QByteArray("file:///d/a%0Ab%0Dc%09d%7F")
        << "/d/a&#10;b&#13;c&#9;d&#127;";
    QTest::newRow("non-ascii") << QString::fromUtf8("/d/é日本😀") << false
                               << QByteArray("file:///d/%C3%A9%E6%97%A5%E6%9C%AC%F0%9F%98%80")
                               << QString::fromUtf8("/d/é日本😀");
    QTest::newRow("invalid bytes") << DecodeFileName(QByteArray("/d/a\xff\xc3.txt")) << false
                                   << QByteArray("file:///d/a%FF%C3.txt")
                                   << QString::fromUtf8("/d/a\xef\xbf\xbd\xef\xbf\xbd.txt");
    // A name must not pass for another: what would reorder the rest of the line
    // shows as U+FFFD; the link still leads to the real file.
    const QString fffd(QChar(0xFFFD));
    QTest::newRow("right-to-left override shown, not obeyed")
        << QString::fromUtf8("/d/evil\u202Etxt.exe") << false
        << QByteArray("file:///d/evil%E2%80%AEtxt.exe") << "/d/evil" + fffd + "txt.exe";
    QTest::newRow("embeddings, isolates and marks shown")
        << QString::fromUtf8(
               "/d/\u202A\u202B\u202C\u202D\u2066\u2067\u2068\u2069\u200E\u200F\u061Cx")
        << false
        << QByteArray("file:///d/%E2%80%AA%E2%80%AB%E2%80%AC%E2%80%AD%E2%81%A6%E2%81%A7%E2%81%A8"
                      "%E2%81%A9%E2%80%8E%E2%80%8F%D8%9Cx")
        << "/d/" + fffd.repeated(11) + "x";
    QTest::newRow("C1 controls shown")
        << QString::fromUtf8("/d/a\u0080b\u0085c\u009F") << false
        << QByteArray("file:///d/a%C2%80b%C2%85c%C2%9F") << "/d/a" + fffd + "b" + fffd + "c" + fffd;
}

void TestReport::linkTargetAndTextAreEncoded() {
    QFETCH(QString, entry);
    QFETCH(bool, windows);
    const PathStyle style = windows ? PathStyle::Windows : PathStyle::Posix;
    QTEST(PageLinkTarget(entry, style), "target");
    QTEST(PageLinkText(entry), "text");
    QFETCH(QByteArray, target);
    QFETCH(QString, text);
    QCOMPARE(PageEntryLine(entry, style),
             "<a href='" + target + "'>" + text.toUtf8() + "</a><br>\r\n");
}

// Long names mixing every kind of character at every position: the target is
// the per-byte rule applied to the name's bytes, the text the per-character one.
void TestReport::linksOfLongMixedNamesMatchTheByteRule() {
    const QList<QString> pieces = {"a",    "Z",  "0",  "-", ".", "_", "~", "/", ":",      " ",
                                   "'",    "\"", "<",  ">", "&", "#", "%", "?", "\\",     "\t",
                                   "\x7f", "é",  "日", "😀", "@", "+", "=", "[", "\u00a0", "\u007e"};
    QRandomGenerator random(12345);
    for (int round = 0; round < 3000; ++round) {
        QString entry;
        const int length = int(random.bounded(40));
        for (int i = 0; i < length; ++i) {
            if (random.bounded(12) == 0)
                entry += QChar(char16_t(0xDC80 + random.bounded(128))); // a kept byte
            else
                entry += pieces[int(random.bounded(qsizetype(pieces.size())))];
        }
        QByteArray target = "file://";
        for (const char byte : EncodeFileName(entry)) {
            const auto c = uchar(byte);
            if (isalnum(c) || strchr("-._~/:", c))
                target += char(c);
            else
                target += "%" + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        }
        QString text;
        for (const QChar c : DisplayFileName(entry)) {
            if (c == '&' || c == '<' || c == '>' || c == '"' || c == '\'' || c < QChar(0x20) ||
                c == QChar(0x7F))
                text += QString("&#%1;").arg(c.unicode());
            else
                text += c;
        }
        QCOMPARE(PageLinkTarget(entry, PathStyle::Posix), target);
        QCOMPARE(unescapeHtml(PageLinkText(entry)), unescapeHtml(text));
        QVERIFY(!PageLinkText(entry).contains(QRegularExpression("[<>\"'\\x00-\\x1f]")));
    }
}

void TestReport::awkwardNamesGiveWorkingLinksAndInertText() {
    TestSettings settings;
    QTemporaryDir dir;
    const QList<QByteArray> names = {"it's.txt",        "say \"hi\".txt", "#hash.txt",
                                     "100%.txt",        "what?.txt",      "a&b.txt",
                                     "<b>x<\\b>",       "two  spaces ",   "\xc3\xa9t\xc3\xa9.txt",
                                     "bad\xff\xfe.txt", "line\nbreak",    "back\\slash",
                                     "%41%2F.txt"};
    Saver s;
    QList<QString> paths;
    for (const QByteArray& name : names) {
        const QString path = makeFile(dir.path(), name);
        QVERIFY2(!path.isEmpty(), name.constData());
        paths << path;
        s.results.Add(path);
    }
    s.save(dir.path());
    QCOMPARE(boxTexts(s.ui), QStringList{"Done."});
    const QByteArray page = readBytes(dir.path() + "/FileList.html");
    // Valid UTF-8 throughout.
    QCOMPARE(QString::fromUtf8(page).toUtf8(), page);
    QCOMPARE(page.count("\r\n"), 43 + names.size());
    const auto links = entryLinks(page);
    QCOMPARE(links.size(), names.size());
    static const QRegularExpression allowed(
        QStringLiteral("^file://([A-Za-z0-9._~/:-]|%[0-9A-F]{2})*$"));
    for (int i = 0; i < links.size(); ++i) {
        const QByteArray& target = links[i].first;
        QVERIFY2(allowed.match(QString::fromLatin1(target)).hasMatch(), target.constData());
        const QByteArray bytes = QByteArray::fromPercentEncoding(target.mid(7));
        QCOMPARE(bytes, EncodeFileName(paths[i]));
        struct stat info {};
        QVERIFY2(::stat(bytes.constData(), &info) == 0, bytes.constData());
        const QByteArray& text = links[i].second;
        for (char c : {'<', '>', '"', '\'', '\n', '\r'})
            QVERIFY2(!text.contains(c), text.constData());
        QCOMPARE(unescapeHtml(QString::fromUtf8(text)), DisplayFileName(paths[i]));
        QVERIFY(QUrl::fromEncoded(target, QUrl::StrictMode).isValid());
    }
    removeFiles(paths);
}

void TestReport::checksStopBeforeTouchingTheFile_data() {
    QTest::addColumn<QString>("folder"); // "@" stands for the temporary folder
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("message");
    const QString noFolder = "Folder does not exist. Please select another folder.";
    QTest::newRow("missing folder") << "@/gone" << 1 << noFolder;
    QTest::newRow("empty folder text") << "" << 1 << noFolder;
    QTest::newRow("a file, not a folder") << "@/FileList.html" << 1 << noFolder;
    QTest::newRow("empty results") << "@" << 0 << "No list of files created.";
}

void TestReport::checksStopBeforeTouchingTheFile() {
    QFETCH(QString, folder);
    QFETCH(int, entries);
    TestSettings settings;
    QTemporaryDir dir;
    writeBytes(dir.path() + "/FileList.html", "earlier page");
    Saver s;
    for (int i = 0; i < entries; ++i)
        s.results.Add("/x");
    s.save(folder.replace("@", dir.path()), true);
    QFETCH(QString, message);
    QCOMPARE(boxTexts(s.ui), QStringList{message});
    QCOMPARE(s.ui.boxes[0].title, AppTitle());
    QCOMPARE(readBytes(dir.path() + "/FileList.html"), QByteArray("earlier page"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    QVERIFY(s.ui.openedUrls.isEmpty());
    QVERIFY(!s.saving);
}

void TestReport::folderTextsWriteIntoTheFolderNamed_data() {
    QTest::addColumn<QString>("text"); // the output folder's text; "@" the folder
    QTest::addColumn<QString>("home"); // HOME then; "@" the folder
    QTest::addColumn<QString>("current");
    QTest::newRow("a trailing separator") << "@/"
                                          << "/nowhere"
                                          << "/";
    QTest::newRow("~ is the home folder") << "~"
                                          << "@"
                                          << "/";
    QTest::newRow("~/ and a folder in it") << "~/out"
                                           << "@/.."
                                           << "/";
    QTest::newRow("relative, in the current folder") << "out/"
                                                     << "/nowhere"
                                                     << "@/..";
    QTest::newRow("a folder named ~ in the current folder") << "./~"
                                                            << "/nowhere"
                                                            << "@/..";
}

void TestReport::folderTextsWriteIntoTheFolderNamed() {
    QFETCH(QString, text);
    QFETCH(QString, home);
    QFETCH(QString, current);
    TestSettings settings;
    QTemporaryDir base;
    const QString dir = base.path() + (text.contains("~") && text.startsWith(".") ? "/~" : "/out");
    QVERIFY(QDir().mkpath(dir));
    const QByteArray oldHome = qgetenv("HOME");
    const QString oldCurrent = QDir::currentPath();
    qputenv("HOME", home.replace("@", dir).toUtf8());
    QDir::setCurrent(current.replace("@", dir));
    Saver s;
    s.results.Add("/x");
    s.save(text.replace("@", dir), true);
    qputenv("HOME", oldHome);
    QDir::setCurrent(oldCurrent);
    QCOMPARE(boxTexts(s.ui), QStringList{"Done."});
    QVERIFY(readBytes(dir + "/FileList.html").endsWith("</html>"));
    // The browser, started elsewhere, gets the whole path.
    QCOMPARE(s.ui.openedUrls.size(), 1);
    QVERIFY2(QDir::isAbsolutePath(s.ui.openedUrls[0].toLocalFile()),
             qPrintable(s.ui.openedUrls[0].toString()));
    QCOMPARE(QDir::cleanPath(s.ui.openedUrls[0].toLocalFile()), dir + "/FileList.html");
}

void TestReport::savingTwiceGivesTheSameFile() {
    TestSettings settings;
    QTemporaryDir dir;
    Saver s;
    for (int i = 0; i < 100; ++i)
        s.results.Add(QString("/data/file %1.txt").arg(i));
    s.save(dir.path());
    const QByteArray first = readBytes(dir.path() + "/FileList.html");
    s.save(dir.path());
    QCOMPARE(readBytes(dir.path() + "/FileList.html"), first);
    QCOMPARE(first.count("<a href="), 100);
    QCOMPARE(boxTexts(s.ui), (QStringList{"Done.", "Done."}));
    // Nothing left beside the page.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"FileList.html"});
}

void TestReport::folderInPlaceOfPageShowsNoDone() {
    TestSettings settings;
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("FileList.html"));
    Saver s;
    s.results.Add("/x");
    s.save(dir.path(), true);
    const QStringList texts = boxTexts(s.ui);
    QVERIFY(!texts.contains("Done."));
    QCOMPARE(texts.size(), 2);
    QVERIFY2(texts[0].startsWith("Path/File access error (Is a directory)\r\n" + SaveLocation +
                                 "at line 108"),
             qPrintable(texts[0]));
    QCOMPARE(s.ui.boxes[0].title, QString("Application Error"));
    QCOMPARE(texts[1],
             "File not created. Please email screenshot of this to " + AppInfo::SupportEmail);
    QVERIFY(s.ui.openedUrls.isEmpty());
    QVERIFY(IsFolder(dir.path() + "/FileList.html"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"FileList.html"});
    QCOMPARE(s.pointer.shape(), int(MousePointer::Default));
}

void TestReport::failedWriteLeavesEarlierPageIntact() {
    TestSettings settings;
    QTemporaryDir dir;
    Saver s;
    s.results.Add("/earlier");
    s.save(dir.path());
    const QByteArray earlier = readBytes(dir.path() + "/FileList.html");
    QVERIFY(earlier.contains("/earlier"));

    // A file size limit makes the write fail part-way, also for root.
    for (int i = 0; i < 20000; ++i)
        s.results.Add(QString("/a/rather/long/path/to/make/the/page/big/file_%1.txt").arg(i));
    struct rlimit previous {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = previous;
    small.rlim_cur = 64 * 1024;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    s.save(dir.path(), true);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);

    const QStringList texts = boxTexts(s.ui);
    QCOMPARE(texts.size(), 3);
    QVERIFY2(
        texts[1].startsWith("Device I/O error (File too large)\r\n" + SaveLocation + "at line 108"),
        qPrintable(texts[1]));
    QVERIFY(texts[2].startsWith("File not created."));
    QCOMPARE(readBytes(dir.path() + "/FileList.html"), earlier);
    QVERIFY(s.ui.openedUrls.isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"FileList.html"});
}

void TestReport::awkwardOutputFilesAndFolders_data() {
    QTest::addColumn<int>("way");
    QTest::addColumn<int>("folderMode");  // 0: as made
    QTest::addColumn<int>("pageMode");    // of the earlier page; 0: as made
    QTest::addColumn<bool>("otherOwner"); // the earlier page is nobody's (root only)
    QTest::addColumn<int>("sizeLimit");
    QTest::addColumn<QByteArray>("folderName");
    QTest::addColumn<QString>("atPage");  // what is at the page's path; "" the earlier page
    QTest::addColumn<int>("killAtYield"); // the save is killed (SIGKILL) at this yield
    QTest::addColumn<QString>("box");
    const QString done = "Done.";
    const QString none;
    QTest::newRow("full disk while written in place: the reason, the earlier page kept")
        << int(OnFullDisk | AsNobody) << 0555 << 0666 << false << 0 << QByteArray("out") << none
        << 0 << "Disk full";
    QTest::newRow("file-size limit in place: the reason, the earlier page kept")
        << int(AsNobody) << 0555 << 0666 << false << 64 * 1024 << QByteArray("out") << none << 0
        << "Device I/O error (File too large)";
    QTest::newRow("folder refusing new files, page writable: written in place")
        << int(AsNobody) << 0555 << 0666 << false << 0 << QByteArray("out") << none << 0 << done;
    QTest::newRow("sticky shared folder, another user's page: written in place")
        << int(AsNobody) << 01777 << 0666 << false << 0 << QByteArray("out") << none << 0 << done;
    QTest::newRow("replaced page keeps its mode and owner")
        << int(AsIs) << 0 << 0640 << true << 0 << QByteArray("out") << none << 0 << done;
    QTest::newRow("output folder not valid UTF-8")
        << int(AsIs) << 0 << 0 << false << 0 << QByteArray("out\xff\xc3(") << none << 0 << done;
    QTest::newRow("page the user protected (mode 444): Permission denied, kept")
        << int(AsNobody) << 0777 << 0444 << true << 0 << QByteArray("out") << none << 0
        << "Permission denied";
    QTest::newRow("named pipe at the page's path: refused, left as it is")
        << int(AsIs) << 0 << 0 << false << 0 << QByteArray("out") << "fifo" << 0
        << "Path/File access error (a named pipe, not a regular file)";
    QTest::newRow("link to a named pipe: refused, link and pipe left as they are")
        << int(AsIs) << 0 << 0 << false << 0 << QByteArray("out") << "link to fifo" << 0
        << "Path/File access error (a named pipe, not a regular file)";
    QTest::newRow("another user's link in a sticky shared folder: not followed, even by root")
        << int(AsIs) << 01777 << 0 << false << 0 << QByteArray("out") << "planted link" << 0
        << "Permission denied";
    QTest::newRow("the user's own link: the page is written where it leads")
        << int(AsIs) << 0 << 0 << false << 0 << QByteArray("out") << "own link" << 0 << done;
    QTest::newRow("killed while saving: nothing left, the earlier page kept")
        << int(AsIs) << 0 << 0 << false << 0 << QByteArray("out") << none << 5000 << none;
    QTest::newRow("killed while saving in place: the earlier page kept whole")
        << int(AsNobody) << 0555 << 0666 << false << 0 << QByteArray("out") << none << 15000
        << none;
}

void TestReport::awkwardOutputFilesAndFolders() {
    QFETCH(int, way);
    QFETCH(int, folderMode);
    QFETCH(int, pageMode);
    QFETCH(bool, otherOwner);
    QFETCH(int, sizeLimit);
    QFETCH(QByteArray, folderName);
    QFETCH(QString, atPage);
    QFETCH(int, killAtYield);
    QFETCH(QString, box);
    TestSettings settings;
    QTemporaryDir dir;
    ::chmod(EncodeFileName(dir.path()).constData(), 0755);
    ::chmod(EncodeFileName(QFileInfo(settings.path()).path()).constData(), 0755);
    const QByteArray folder = EncodeFileName(dir.path()) + '/' + folderName;
    QCOMPARE(::mkdir(folder.constData(), 0755), 0);
    const QByteArray earlier = "earlier page";
    const QByteArray page = folder + "/FileList.html";
    // Where a link at the page's path leads, outside the output folder.
    const QByteArray linked = EncodeFileName(dir.path()) + "/elsewhere";
    const auto cleanUp = qScopeGuard([&] {
        ::chmod(folder.constData(), 0755);
        ::unlink(page.constData());
        ::unlink(linked.constData());
        ::rmdir(folder.constData());
    });
    int owner = int(::geteuid());
    const auto prepare = [&] {
        if (atPage == "fifo") {
            ::mkfifo(page.constData(), 0644);
        } else if (atPage == "link to fifo") {
            ::mkfifo(linked.constData(), 0644);
            QCOMPARE(::symlink(linked.constData(), page.constData()), 0);
        } else if (atPage == "planted link") {
            // Root's own file, and a link to it planted by another user.
            writeRaw(linked, "root only");
            ::chmod(linked.constData(), 0600);
            QCOMPARE(::symlink(linked.constData(), page.constData()), 0);
            QCOMPARE(::lchown(page.constData(), 65534, 65534), 0);
        } else if (atPage == "own link") {
            writeRaw(linked, earlier);
            QCOMPARE(::symlink(linked.constData(), page.constData()), 0);
        } else {
            writeRaw(page, earlier);
        }
        if (pageMode)
            ::chmod(page.constData(), mode_t(pageMode));
        if (otherOwner && owner == 0 && ::chown(page.constData(), 65534, 65534) == 0)
            owner = 65534;
        if (folderMode)
            ::chmod(folder.constData(), mode_t(folderMode));
    };
    if (!(way & OnFullDisk))
        prepare();
    QStringList entries;
    for (int i = 0; i < 20000; ++i)
        entries << QString("/a/rather/long/path/to/make/the/page/big/file_%1.txt").arg(i);

    const std::optional<ChildSave> seen =
        saveInChild(entries, folder, way, prepare, rlim_t(sizeLimit), killAtYield);
    if (!seen && (way & OnFullDisk))
        QSKIP("no file system of its own can be mounted here (no mount namespace)");
    if (killAtYield) {
        QVERIFY(!seen); // it was killed
        QCOMPARE(
            QDir(DecodeFileName(folder))
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList{"FileList.html"});
        QCOMPARE(readBytes(DecodeFileName(page)), earlier);
        return;
    }
    QVERIFY(seen);
    QCOMPARE(seen->names, QStringList{"FileList.html"}); // nothing left beside the page
    struct stat atPath {};
    QVERIFY(atPage.isEmpty() || ::lstat(page.constData(), &atPath) == 0);
    if (atPage == "fifo")
        QVERIFY(S_ISFIFO(atPath.st_mode));
    if (atPage.contains("link")) {
        QVERIFY(S_ISLNK(atPath.st_mode)); // the link stays a link
        struct stat end {};
        QCOMPARE(::stat(linked.constData(), &end), 0);
        if (atPage == "link to fifo")
            QVERIFY(S_ISFIFO(end.st_mode));
        if (atPage == "planted link") {
            QCOMPARE(readBytes(DecodeFileName(linked)), QByteArray("root only"));
            QCOMPARE(int(end.st_mode & 07777), 0600);
        }
        if (atPage == "own link")
            QVERIFY(readBytes(DecodeFileName(linked)) == BuildPage(PageStyle{}, entries));
        return;
    }
    if (box == "Done.") {
        QCOMPARE(seen->boxes, QStringList{box});
        QVERIFY(seen->page == BuildPage(PageStyle{}, entries));
        QCOMPARE(seen->mode, pageMode ? pageMode : 0644);
        QCOMPARE(seen->owner, owner);
        return;
    }
    QCOMPARE(seen->boxes.size(), 2);
    QVERIFY2(seen->boxes[0].startsWith(box + "\r\n" + SaveLocation + "at line 108"),
             qPrintable(seen->boxes[0]));
    QVERIFY(seen->boxes[1].startsWith("File not created."));
    if (atPage.isEmpty())
        QCOMPARE(seen->page, earlier);
}

void TestReport::secondPressAndListChangesDuringYieldsCannotTearPage() {
    TestSettings settings;
    QTemporaryDir dir;
    Saver s;
    for (int i = 1; i <= 5; ++i)
        s.results.Add(QString("/e%1").arg(i));
    bool secondSaveRan = false;
    s.ui.atYield(2, [&] {
        QVERIFY(s.saving);
        const int boxes = int(s.ui.boxes.size());
        s.save(dir.path());
        secondSaveRan = s.ui.boxes.size() != boxes;
        s.results.Clear();
        s.results.Add("/intruder");
    });
    s.save(dir.path());
    QVERIFY(!secondSaveRan);
    QVERIFY(!s.saving);
    QCOMPARE(s.ui.yields, 5);
    QCOMPARE(boxTexts(s.ui), QStringList{"Done."});
    const auto links = entryLinks(readBytes(dir.path() + "/FileList.html"));
    QCOMPARE(links.size(), 5);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(links[i].second, QString("/e%1").arg(i + 1).toUtf8());
}

void TestReport::pageOpensOnlyAfterDoneAndWhenAsked() {
    TestSettings settings;
    QTemporaryDir dir;
    Saver s;
    s.results.Add("/x");
    qsizetype openedBeforeDone = -1;
    s.ui.onMessage = [&](const ScriptedUi::Box& box) {
        if (box.text == "Done.")
            openedBeforeDone = s.ui.openedUrls.size();
    };
    s.save(dir.path(), true);
    QCOMPARE(openedBeforeDone, 0);
    QCOMPARE(s.ui.openedUrls, QList<QUrl>{QUrl::fromLocalFile(dir.path() + "/FileList.html")});
    s.save(dir.path(), false);
    QCOMPARE(s.ui.openedUrls.size(), 1);

    // The box is read when the page is done: ticked while it was written counts.
    bool ticked = false;
    s.ui.atYield(s.ui.yields + 1, [&] { ticked = true; });
    SaveResultsAsHtml(
        s.ui, s.pointer, s.results, dir.path(), s.text, s.background, [&] { return ticked; },
        s.saving);
    QCOMPARE(s.ui.openedUrls.size(), 2);
}

void TestReport::pointerIsResetAfterWriting() {
    TestSettings settings;
    QTemporaryDir dir;
    Saver s;
    s.results.Add("/x");
    int during = -1;
    s.ui.atYield(1, [&] { during = s.pointer.shape(); });
    int atDone = -1;
    s.ui.onMessage = [&](const ScriptedUi::Box&) { atDone = s.pointer.shape(); };
    s.pointer.set(MousePointer::Custom); // the hand, from hovering over the button
    s.save(dir.path());
    // Saving shows no hourglass (Delete still works meanwhile); the pointer is
    // back to the arrow before "Done.".
    QCOMPARE(during, int(MousePointer::Custom));
    QCOMPARE(atDone, int(MousePointer::Default));
}

void TestReport::writeTextFileModes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("0 starts afresh") << 0 << QByteArray("new\r\n");
    QTest::newRow("1 starts afresh") << 1 << QByteArray("new\r\n");
    QTest::newRow("negative starts afresh") << -5 << QByteArray("new\r\n");
    QTest::newRow("2 appends") << 2 << QByteArray("old\r\nnew\r\n");
    QTest::newRow("8 appends") << 8 << QByteArray("old\r\nnew\r\n");
}

void TestReport::writeTextFileModes() {
    QFETCH(int, mode);
    QTemporaryDir dir;
    const QString path = dir.path() + "/t.txt";
    writeBytes(path, "old\r\n");
    WriteTextFile("new\r\n", path, mode);
    QTEST(readBytes(path), "expected");

    // A missing file is created in either mode; the text is written as UTF-8.
    const QString fresh = DecodeFileName(EncodeFileName(dir.path()) + "/n\xff.txt");
    WriteTextFile(QString::fromUtf8("é"), fresh, mode);
    const int fd = ::open(EncodeFileName(fresh).constData(), O_RDONLY);
    QVERIFY(fd >= 0);
    char buffer[8] = {};
    QCOMPARE(::read(fd, buffer, sizeof buffer), ssize_t(2));
    ::close(fd);
    QCOMPARE(QByteArray(buffer, 2), QByteArray("\xc3\xa9"));
    removeFiles({fresh});
}

void TestReport::writeTextFileFailureIsThrown() {
    QTemporaryDir dir;
    try {
        WriteTextFile("x", dir.path() + "/gone/t.txt", 1);
        QFAIL("no failure");
    } catch (const AppError& e) {
        QCOMPARE(e.number(), ErrorNumber::PathNotFound);
    }
    try {
        WriteTextFile("x", dir.path(), 2);
        QFAIL("no failure");
    } catch (const AppError& e) {
        QCOMPARE(e.number(), ErrorNumber::PathFileAccess);
    }
}

void TestReport::outputFolderPick_data() {
    QTest::addColumn<QString>("answer"); // "@" stands for the temporary folder
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("text2");
    QTest::newRow("folder") << "@/out"
                            << "@/out"
                            << "@/out/";
    QTest::newRow("folder with separator") << "@/out/"
                                           << "@/out"
                                           << "@/out/";
    QTest::newRow("root") << "/"
                          << "/"
                          << "/";
}

void TestReport::outputFolderPick() {
    QFETCH(QString, answer);
    QFETCH(QString, stored);
    QFETCH(QString, text2);
    TestSettings settings;
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("out"));
    ScriptedUi ui;
    ui.folderAnswers.push_back(answer.replace("@", dir.path()));
    QString lastFolder = "before";
    QStringList texts;
    ChooseOutputFolder(ui, nullptr, lastFolder, [&](const QString& t) { texts << t; });
    QCOMPARE(ui.folderDialogs.size(), 1);
    QCOMPARE(ui.folderDialogs[0].title, QString("Save To This Folder"));
    QCOMPARE(ui.folderDialogs[0].text, QString()); // the picker's own default start
    QCOMPARE(lastFolder, stored.replace("@", dir.path()));
    QCOMPARE(GetOption("LastFolderDot"), stored);
    QCOMPARE(texts, QStringList{text2.replace("@", dir.path())});
    QVERIFY(ui.boxes.isEmpty());
}

void TestReport::outputFolderCancelChangesNothing() {
    TestSettings settings;
    QVERIFY(SaveOption("LastFolderDot", "/kept"));
    const QByteArray store = readBytes(settings.path());
    ScriptedUi ui; // no answer: cancelled
    QString lastFolder = "/kept";
    bool textSet = false;
    ChooseOutputFolder(ui, nullptr, lastFolder, [&](const QString&) { textSet = true; });
    QCOMPARE(ui.folderDialogs.size(), 1);
    QVERIFY(!textSet);
    QCOMPARE(lastFolder, QString("/kept"));
    QCOMPARE(readBytes(settings.path()), store);
    QVERIFY(ui.boxes.isEmpty());
}

void TestReport::helpShowsContactBoxEachTime() {
    TestSettings settings;
    SetAppTitle();
    ScriptedUi ui;
    ShowHelp(ui);
    ShowHelp(ui);
    QCOMPARE(ui.boxes.size(), 2);
    for (const auto& box : ui.boxes) {
        QCOMPARE(box.text, "Questions? Please contact Team Varnokel at " + AppInfo::ContactPage);
        QCOMPARE(box.title, AppTitle());
        QCOMPARE(box.icon, Ui::Icon::None);
    }
    QVERIFY(ui.openedUrls.isEmpty());
    QVERIFY(!QFile::exists(settings.path()));
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
