// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Loading the folder list from list files and the sample folders.
#include "core/FileNames.h"
#include "core/Paths.h"
#include "window/ListView.h"
#include "core/MousePointer.h"
#include "folders/ListFiles.h"
#include "support/ScriptedUi.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList items(const ListView& list) {
    QStringList out;
    for (int i = 1; i <= list.Count(); ++i)
        out.append(list.Item(i));
    return out;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.path() + '/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("can't write %s", qPrintable(path));
    return path;
}

// The lines as the rules define them, split the plain way: CR, CR LF or LF end
// a line; a final end adds no empty line.
QList<QByteArray> referenceLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    QByteArray line;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.append(line);
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            line.append(c);
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

const QString ReadLocation = "in Palavine2021/08/31.Main.FileToListbox ";

} // namespace

class TestListFiles : public QObject {
    Q_OBJECT
  private slots:
    void linesFollowTheRules_data();
    void linesFollowTheRules();
    void nulLinesAreLeftOutAndToldOnce_data();
    void nulLinesAreLeftOutAndToldOnce();
    void blockBoundariesDontSplitLinesOrCharacters_data();
    void blockBoundariesDontSplitLinesOrCharacters();
    void binaryGarbageAndHugeLinesLoadLikeThePlainSplit();
    void missingFileSaysSoAndOthersAreStillRead();
    void folderAsListFileIsReportedAndAddsNothing();
    void cancelledChooserChangesNothing();
    void secondLoadOrClearAtAYieldDisturbsNothing();
    void sampleDataTakesVariablesOrFallbacks_data();
    void sampleDataTakesVariablesOrFallbacks();
};

void TestListFiles::linesFollowTheRules_data() {
    // "@" at the start of an expected item stands for the list file's folder.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    const QChar mark(0xFEFF);
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("no final end") << QByteArray("/a\r\n/b") << QStringList{"/a", "/b"};
    QTest::newRow("final CR LF adds nothing") << QByteArray("/a\r\n") << QStringList{"/a"};
    QTest::newRow("empty second line kept") << QByteArray("/a\r\n\r\n") << QStringList{"/a", ""};
    QTest::newRow("CR alone") << QByteArray("/a\r/b\r") << QStringList{"/a", "/b"};
    QTest::newRow("LF alone") << QByteArray("/a\n/b\n") << QStringList{"/a", "/b"};
    QTest::newRow("CR LF then LF") << QByteArray("/a\r\n\n/b") << QStringList{"/a", "", "/b"};
    QTest::newRow("LF CR is two ends") << QByteArray("/a\n\r/b") << QStringList{"/a", "", "/b"};
    QTest::newRow("only ends") << QByteArray("\r\n\n\r") << QStringList{"", "", ""};
    QTest::newRow("spaces kept") << QByteArray("  /a b  \t\r\n/c \r\n")
                                 << QStringList{"@/  /a b  \t", "/c "};
    QTest::newRow("byte-order mark dropped")
        << QByteArray("\xEF\xBB\xBF/a\r\n") << QStringList{"/a"};
    QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF") << QStringList();
    QTest::newRow("mark later is text")
        << QByteArray("/a\n\xEF\xBB\xBF/b\n/c\xEF\xBB\xBF")
        << QStringList{"/a", QString("@/") + mark + "/b", QString("/c") + mark};
    QTest::newRow("UTF-8") << QByteArray("/m\xC3\xBAsica/\xE2\x82\xAC\n")
                           << QStringList{QString::fromUtf8("/música/€")};
    QTest::newRow("Latin-1 line keeps its bytes")
        << QByteArray("/\xE9t\xE9\r\n/x")
        << QStringList{DecodeFileName(QByteArray("/\xE9t\xE9")), "/x"};
    QTest::newRow("each line decides on its own")
        << QByteArray("/\xC3\xA9\n/\xE9\n/\xC3\xA9")
        << QStringList{QString::fromUtf8("/é"), QString("/") + QChar(0xDCE9),
                       QString::fromUtf8("/é")};
    QTest::newRow("cut sequence at the end")
        << QByteArray("/a\n/\xE2\x82")
        << QStringList{"/a", QString("/") + QChar(0xDCE2) + QChar(0xDC82)};
    QTest::newRow("relative lines from the list's folder")
        << QByteArray("tree\r\ntree/b\r\n./c/\r\n.\r\n../up\r\n")
        << QStringList{"@/tree", "@/tree/b", "@/c/", "@", "@/../up"};
}

void TestListFiles::linesFollowTheRules() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    for (QString& item : expected) {
        if (item.startsWith('@'))
            item = dir.path() + item.mid(1);
    }
    ScriptedUi ui;
    ListView list;
    list.Add("before");
    FileToListbox(ui, list, writeFile(dir, "list.txt", bytes));
    QCOMPARE(items(list), QStringList{"before"} + expected);
    QVERIFY(ui.boxes.isEmpty());
    QCOMPARE(ui.yields, int(expected.size()));
    // The same lines through the reader the command line uses, from a
    // relative path.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path() + "/.."));
    QStringList streamed;
    ReadListFileLines(ui, QFileInfo(dir.path()).fileName() + "/./list.txt",
                      [&](QString&& line) { streamed.append(line); });
    QDir::setCurrent(previous);
    QCOMPARE(streamed, expected);
}

void TestListFiles::nulLinesAreLeftOutAndToldOnce_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("told");
    QTest::newRow("one line") << QByteArray("/a\n/b\0c\n/d", 10) << QStringList{"/a", "/d"}
                              << "list.txt: line 2 holds a NUL byte, so it names no folder; it "
                                 "was left out.";
    QTest::newRow("several lines")
        << QByteArray("\0\r\n/a\r\n/b\0\r\n\0", 14) << QStringList{"/a"}
        << "list.txt: 3 lines hold a NUL byte, so they name no folder; they were left out. The "
           "first is line 1.";
}

void TestListFiles::nulLinesAreLeftOutAndToldOnce() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString path = writeFile(dir, "list.txt", bytes);
    ScriptedUi ui;
    ListView list;
    FileToListbox(ui, list, path);
    QCOMPARE(items(list), expected);
    QCOMPARE(ui.boxes.size(), 1);
    QCOMPARE(ui.boxes[0].text, dir.path() + '/' + told);
    // A list from a stream (standard input) names its source.
    const int fd = ::open(EncodeFileName(path).constData(), O_RDONLY);
    QStringList streamed;
    ReadListLines(ui, fd, "standard input", dir.path(),
                  [&](QString&& line) { streamed.append(line); });
    ::close(fd);
    QCOMPARE(streamed, expected);
    QCOMPARE(ui.boxes.size(), 2);
    QCOMPARE(ui.boxes[1].text, told.replace("list.txt", "standard input"));
}

void TestListFiles::blockBoundariesDontSplitLinesOrCharacters_data() {
    QTest::addColumn<qsizetype>("offset");
    for (const qsizetype block : {qsizetype(1) << 16, qsizetype(1) << 20, qsizetype(1) << 21})
        for (const int delta : {-2, -1, 0, 1})
            QTest::addRow("%lld%+d", qlonglong(block), delta) << block + delta;
}

void TestListFiles::blockBoundariesDontSplitLinesOrCharacters() {
    QFETCH(qsizetype, offset);
    QTemporaryDir dir;
    // Each end or character starts one or two bytes before the offset.
    const struct {
        qsizetype before;
        QByteArray piece;
        QString text;
    } cases[] = {{1, "\r\n", ""},
                 {1, "\xC3\xA9\n", QString::fromUtf8("\u00e9")},
                 {1, "\xE2\x82\xAC\n", QString::fromUtf8("\u20ac")},
                 {2, "\xE2\x82\xAC\n", QString::fromUtf8("\u20ac")},
                 {2, "\xF0\x9F\x98\x80\r\n", QString::fromUtf8("\U0001F600")}};
    for (const auto& c : cases) {
        const QByteArray lead = '/' + QByteArray(offset - c.before - 1, 'a');
        ScriptedUi ui;
        ListView list;
        FileToListbox(ui, list, writeFile(dir, "big.txt", lead + c.piece + "/z"));
        QCOMPARE(list.Count(), 2);
        QVERIFY2(list.Item(1) == QString::fromLatin1(lead) + c.text, qPrintable(c.text));
        QCOMPARE(list.Item(2), QString("/z"));
    }
}

void TestListFiles::binaryGarbageAndHugeLinesLoadLikeThePlainSplit() {
    QTemporaryDir dir;
    QRandomGenerator random(20210831);
    QByteArray garbage(3 << 20, Qt::Uninitialized);
    bool lineStart = true;
    for (char& c : garbage) {
        const quint32 r = random.bounded(300);
        c = r < 20 ? '\r' : r < 40 ? '\n' : lineStart ? '/' : char(r); // NUL bytes too
        lineStart = c == '\r' || c == '\n';
    }
    const QByteArray hugeLine = '/' + QByteArray(10 << 20, 'x') + "\r\n/next";

    for (const QByteArray& bytes : {garbage, hugeLine}) {
        ScriptedUi ui;
        ListView list;
        FileToListbox(ui, list, writeFile(dir, "f.txt", bytes));
        QStringList expected;
        int withNul = 0;
        for (const QByteArray& line : referenceLines(bytes)) {
            if (line.contains('\0'))
                ++withNul;
            else
                expected.append(DecodeFileName(line)); // each line absolute or empty
        }
        QCOMPARE(list.Count(), int(expected.size()));
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(list.Item(i + 1) == expected[i], qPrintable(QString::number(i)));
        QCOMPARE(ui.boxes.size(), withNul > 0 ? 1 : 0);
    }
    QVERIFY(garbage.contains('\0'));
}

void TestListFiles::missingFileSaysSoAndOthersAreStillRead() {
    QTemporaryDir dir;
    ScriptedUi ui;
    ListView folders;
    MousePointer pointer;
    QList<int> shapes;
    pointer.onChange = [&](int shape) { shapes.append(shape); };
    const QString one = writeFile(dir, "one.txt", "/1a\r\n/1b\r\n");
    const QString two = writeFile(dir, "two.txt", "/2a");
    const QString three = writeFile(dir, "three.txt", "/3a\n");
    ui.fileAnswers.push_back({three, dir.path() + "/gone.txt", one, dir.path() + "/gone2", two});
    bool busyWhileReading = false;
    ui.atYield(1, [&] { busyWhileReading = pointer.isBusy(); });
    LoadFoldersFromTextFiles(ui, pointer, folders, nullptr);

    QCOMPARE(items(folders), (QStringList{"/3a", "/1a", "/1b", "/2a"}));
    QCOMPARE(ui.boxes.size(), 2);
    for (const ScriptedUi::Box& box : ui.boxes) {
        QCOMPARE(box.text, QString("File not found"));
        QCOMPARE(box.title, AppTitle());
    }
    QCOMPARE(ui.fileDialogs.size(), 1);
    QCOMPARE(ui.fileDialogs[0].title,
             QString("Load List(s) - Hold Ctrl to select multiple list files"));
    QCOMPARE(ui.fileDialogs[0].text, QString("Text Files (*.txt);;All Files (*)"));
    QVERIFY(busyWhileReading);
    QCOMPARE(shapes, (QList<int>{MousePointer::Busy, MousePointer::Default}));
}

void TestListFiles::folderAsListFileIsReportedAndAddsNothing() {
    QTemporaryDir dir;
    // A folder and an endless device are refused; a pipe nobody writes to reads
    // as empty instead of freezing the window.
    const QString pipe = dir.filePath("pipe");
    QCOMPARE(::mkfifo(EncodeFileName(pipe).constData(), 0600), 0);
    for (const QString& path : {dir.path(), QString("/dev/zero"), pipe}) {
        ScriptedUi ui;
        ListView list;
        FileToListbox(ui, list, path);
        QCOMPARE(list.Count(), 0);
        if (path == pipe) {
            QCOMPARE(ui.boxes.size(), 0);
            continue;
        }
        QCOMPARE(ui.boxes.size(), 1);
        QCOMPARE(ui.boxes[0].title, QString("Application Error"));
        QVERIFY2(ui.boxes[0].text.startsWith("Path/File access error") &&
                     ui.boxes[0].text.contains("\r\n" + ReadLocation + "at line "),
                 qPrintable(ui.boxes[0].text));
    }
}

void TestListFiles::cancelledChooserChangesNothing() {
    ScriptedUi ui;
    ListView folders;
    folders.Add("kept");
    MousePointer pointer;
    int changes = 0;
    pointer.onChange = [&](int) { ++changes; };
    LoadFoldersFromTextFiles(ui, pointer, folders, nullptr);
    QCOMPARE(items(folders), QStringList{"kept"});
    QCOMPARE(changes, 0);
    QVERIFY(ui.boxes.isEmpty());
}

void TestListFiles::secondLoadOrClearAtAYieldDisturbsNothing() {
    QTemporaryDir dir;
    const QString first = writeFile(dir, "first.txt", "/a1\n/a2\n/a3\n/a4\n/a5");
    const QString second = writeFile(dir, "second.txt", "/b1\r\n/b2\r\n");
    {
        ScriptedUi ui;
        ListView folders;
        MousePointer pointer;
        ui.fileAnswers = {{first}, {second}};
        ui.atYield(2, [&] { LoadFoldersFromTextFiles(ui, pointer, folders, nullptr); });
        LoadFoldersFromTextFiles(ui, pointer, folders, nullptr);
        QCOMPARE(items(folders), (QStringList{"/a1", "/b1", "/b2", "/a2", "/a3", "/a4", "/a5"}));
    }
    {
        ScriptedUi ui;
        ListView folders;
        ui.atYield(3, [&] { folders.Clear(); });
        FileToListbox(ui, folders, first);
        QCOMPARE(items(folders), (QStringList{"/a3", "/a4", "/a5"}));
    }
}

void TestListFiles::sampleDataTakesVariablesOrFallbacks_data() {
    QTest::addColumn<QByteArray>("temp");
    QTest::addColumn<QByteArray>("programs");
    QTest::addColumn<QStringList>("expected");
    const QString temporary = QDir::tempPath();
    QTest::newRow("both set, unchanged")
        << QByteArray("/var/tmp/") << QByteArray("/opt") << QStringList{"/var/tmp/", "/opt"};
    QTest::newRow("both unset") << QByteArray() << QByteArray()
                                << QStringList{temporary, "/usr/bin"};
    QTest::newRow("bytes kept") << QByteArray("/t\xff") << QByteArray()
                                << QStringList{QString("/t") + QChar(0xDCFF), "/usr/bin"};
}

void TestListFiles::sampleDataTakesVariablesOrFallbacks() {
    QFETCH(QByteArray, temp);
    QFETCH(QByteArray, programs);
    QFETCH(QStringList, expected);
    const QByteArray oldTemp = qgetenv("TEMP"), oldPrograms = qgetenv("ProgramFiles");
    auto set = [](const char* name, const QByteArray& value) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    set("TEMP", temp);
    set("ProgramFiles", programs);
    ScriptedUi ui;
    ListView folders;
    folders.Add("first");
    LoadSampleData(ui, folders);
    set("TEMP", oldTemp);
    set("ProgramFiles", oldPrograms);
    QCOMPARE(items(folders), QStringList{"first"} + expected);
    QVERIFY(!items(folders).last().endsWith('/'));
    QVERIFY(ui.boxes.isEmpty());
}

QTEST_MAIN(TestListFiles)
#include "tst_listfiles.moc"
