// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The command line, run as the built program with no display: its options,
// exit statuses and messages, a folder it can't read, and the page it writes
// compared byte for byte with the window's.
#include "core/FileNames.h"
#include "core/Settings.h"
#include "support/ReadAheadHelpers.h"
#include "support/ScriptedUi.h"
#include "support/TestSettings.h"
#include "support/Unprivileged.h"
#include "window/Form1.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

class TestCli : public QObject {
    Q_OBJECT
  private slots:
    void optionsShapeThePage_data();
    void optionsShapeThePage();
    void usageAndExitStatuses_data();
    void usageAndExitStatuses();
    void pageEqualsTheWindowsPage_data();
    void pageEqualsTheWindowsPage();
    void unreadableFolderIsNamedAndUnwritablePageKeepsTheOldOne();
    void foldersLeftOutAreNamedOnce_data();
    void foldersLeftOutAreNamedOnce();
    void awkwardOutputFilesAndFolders_data();
    void awkwardOutputFilesAndFolders();
};

namespace {

struct Tree {
    QTemporaryDir dir;
    QString root, out;
    Tree() : root(dir.path() + "/R"), out(dir.path() + "/out") {
        ::chmod(EncodeFileName(dir.path()).constData(), 0755);
        for (const char* folder : {"R/sub/deep", "R/other", "out"})
            QDir().mkpath(dir.path() + '/' + folder);
        for (const char* file : {"a.txt", "B.TXT", "~tilde.txt", "notes.md", "archive.tar.gz",
                                 "sub/c.txt", "sub/d.log", "sub/deep/e.txt", "other/f.txt"})
            write(root + '/' + file, "x");
    }
    ~Tree() { QProcess::execute("chmod", {"-R", "u+rwx", dir.path()}); }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString page() const { return out + "/FileList.html"; }
};

struct Result {
    int status = -1;
    QString out, err;
    QByteArray bytes; // standard output as written
};

QString programPath() {
    return qEnvironmentVariable("PALAVINE_TEST_BINARY_DIR",
                                QCoreApplication::applicationDirPath() + "/..") +
           "/palavine";
}

// Runs "palavine list" with the arguments, with no display at all; `asNobody`
// as an unprivileged user, `input` on standard input, in the folder `cwd`.
// A first argument "@BARE" runs the program with the rest alone; an argument
// ">FILE" sends standard output to FILE.
Result run(QStringList arguments, bool asNobody = false, const QByteArray& input = {},
           const QString& cwd = {}) {
    const QString program = programPath();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(cwd);
    for (const QString& a : arguments) {
        if (a.startsWith('>'))
            p.setStandardOutputFile(a.mid(1));
    }
    arguments.removeIf([](const QString& a) { return a.startsWith('>'); });
    if (arguments.value(0) == "@BARE")
        arguments.removeFirst();
    else
        arguments.prepend("list");
    if (asNobody)
        StartUnprivileged(p, program, arguments);
    else
        p.start(program, arguments);
    p.write(input);
    p.closeWriteChannel();
    Result r;
    if (!p.waitForFinished(60000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.bytes = p.readAllStandardOutput();
    r.out = QString::fromUtf8(r.bytes);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList expand(QStringList arguments, const Tree& t, const QString& listFile = {},
                   const QString& nulListFile = {}) {
    for (QString& a : arguments) {
        a.replace("@ROOT", t.root).replace("@OUT", t.out).replace("@NULLIST", nulListFile);
        a.replace("@LIST", listFile);
    }
    return arguments;
}

// The link texts of a page, in order.
QStringList entries(const QByteArray& page) {
    QStringList found;
    bool texts = false; // in a block of texts, after its link targets
    for (QByteArray line : page.split('\n')) {
        line.chop(1);
        if (line.startsWith("-->")) {
            texts = true;
            line.remove(0, 3);
        }
        if (line == "</pre>")
            texts = false;
        else if (texts)
            found << QString::fromUtf8(line);
        else if (line.startsWith("<a href="))
            found << QString::fromUtf8(line.mid(line.indexOf("'>") + 2).split('<').first());
    }
    return found;
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

} // namespace

void TestCli::optionsShapeThePage_data() {
    QTest::addColumn<QStringList>("stored"); // key=value pairs in the store
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected"); // below the tree's root, in page order
    QTest::addColumn<QStringList>("headLines");
    // Level by level, each folder's files and sub-folders in name order.
    const QStringList all{"a.txt",       "archive.tar.gz", "B.TXT",     "notes.md",
                          "other/f.txt", "sub/c.txt",      "sub/d.log", "sub/deep/e.txt"};
    const QStringList txt{"a.txt", "B.TXT", "other/f.txt", "sub/c.txt", "sub/deep/e.txt"};
    QTest::newRow("stored appearance applies, the stored filter does not; ~ names left out")
        << QStringList{"Text1=txt", "FontName=Verdana", "Font Color=255", "Background Color=65280"}
        << QStringList{"-o", "@OUT", "@ROOT"} << all
        << QStringList{"font-family: Verdana;", "color:#FF0000;", "background-color: #00FF00;"};
    QTest::newRow("no -o: the current folder, not the stored one; the page doesn't list itself")
        << QStringList{"Text2=@ROOT/sub"} << QStringList{"."} << all << QStringList{};
    QTest::newRow("--no-settings: the window's appearance, not the stored one")
        << QStringList{"FontName=Verdana", "Font Color=255"}
        << QStringList{"--no-settings", "-o", "@OUT", "@ROOT"} << all
        << QStringList{"font-family: Arial;", "color:#0000FF;", "background-color: #FFFFFF;"};
    QTest::newRow("attached short option, abbreviated long ones, -- before a folder")
        << QStringList{}
        << QStringList{"-o@OUT", "--filt=txt", "--remove-cont", "SUB", "--no-sub", "--", "@ROOT"}
        << QStringList{"a.txt", "B.TXT"} << QStringList{};
    QTest::newRow("window defaults when nothing is stored")
        << QStringList{} << QStringList{"--output=@OUT", "@ROOT"} << all
        << QStringList{"font-family: Arial;", "color:#0000FF;", "background-color: #FFFFFF;"};
    QTest::newRow("a stored colour that is no colour gives the default")
        << QStringList{"Font Color=blue"} << QStringList{"-o", "@OUT", "@ROOT"} << all
        << QStringList{"color:#0000FF;"};
    QTest::newRow("options beat the store")
        << QStringList{"Text1=md", "FontName=Verdana"}
        << QStringList{"--filter",     "gz",  "--font", "Courier New", "--color", "#102030",
                       "--background", "255", "-o",     "@OUT",        "@ROOT"}
        << QStringList{"archive.tar.gz"}
        << QStringList{"font-family: Courier New;", "color:#102030;", "background-color: #FF0000;"};
    QTest::newRow("no subfolders")
        << QStringList{} << QStringList{"--no-subfolders", "-o", "@OUT", "@ROOT"}
        << QStringList{"a.txt", "archive.tar.gz", "B.TXT", "notes.md"} << QStringList{};
    QTest::newRow("result prunes, letter case ignored")
        << QStringList{}
        << QStringList{"--remove-containing",
                       "SUB",
                       "--remove-not-containing",
                       ".TxT",
                       "--remove-containing",
                       "",
                       "-o",
                       "@OUT",
                       "@ROOT"}
        << QStringList{"a.txt", "B.TXT", "other/f.txt"} << QStringList{};
    QTest::newRow("a pruned folder's sub-folders are still read")
        << QStringList{}
        << QStringList{"--remove-folders-not-containing", "DEEP", "-o", "@OUT", "@ROOT"}
        << QStringList{"sub/deep/e.txt"} << QStringList{};
    QTest::newRow("list file lines are folders alone; relative ones beside the list, empty none")
        << QStringList{"Text1=*"} << QStringList{"--folders-from", "@LIST", "-o", "@OUT"}
        << QStringList{"other/f.txt", "sub/c.txt", "sub/d.log"} << QStringList{};
    QTest::newRow("standard input: relative lines taken in the current folder")
        << QStringList{} << QStringList{"--folders-from", "-", "-o", "@OUT"}
        << QStringList{"other/f.txt", "sub/c.txt", "sub/d.log"} << QStringList{};
    QTest::newRow("-0: a list of NUL-separated folders")
        << QStringList{} << QStringList{"-0", "--folders-from", "@NULLIST", "-o", "@OUT"}
        << QStringList{"other/f.txt", "sub/c.txt", "sub/d.log"} << QStringList{};
    QTest::newRow("no FOLDER: the current folder, as find lists it")
        << QStringList{} << QStringList{} << all << QStringList{};
    QTest::newRow("--filter as a file pattern")
        << QStringList{} << QStringList{"--filter", "*.TXT", "-o", "@OUT", "@ROOT"} << txt
        << QStringList{};
    QTest::newRow("--filter with its dot")
        << QStringList{} << QStringList{"--filter", ".txt", "-o", "@OUT", "@ROOT"} << txt
        << QStringList{};
    QTest::newRow("--relative-links: targets from the output folder, texts in full")
        << QStringList{} << QStringList{"--relative-links", "-o", "@OUT", "@ROOT"} << all
        << QStringList{"<a href='../R/a.txt'>@ROOT/a.txt</a><br>",
                       "<a href='../R/sub/deep/e.txt'>@ROOT/sub/deep/e.txt</a><br>"};
}

void TestCli::optionsShapeThePage() {
    QFETCH(QStringList, stored);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, headLines);
    TestSettings store;
    Tree t;
    SaveOption("Check1", "1");
    for (const QString& pair : expand(stored, t))
        SaveOption(pair.section('=', 0, 0), pair.section('=', 1));
    const QString list = t.dir.path() + "/list.txt";
    Tree::write(list, ("R/other\r\n\r\n" + t.root + "/sub/").toUtf8());
    const QString nulList = t.dir.path() + "/list0";
    Tree::write(nulList, QByteArray("R/other\0", 8) + t.root.toUtf8() + QByteArray("/sub/\0\0", 7));
    const QByteArray storeBefore = read(store.path());

    // Standard input holds the list file's lines, relative to the tree's root.
    const Result r =
        run(QStringList{"--settings", store.path()} + expand(arguments, t, list, nulList), false,
            ("other\r\n\r\n" + t.root + "/sub/").toUtf8(), t.root);
    QVERIFY2(r.status == 0, qPrintable(r.err));
    const QString pagePath = QFile::exists(t.page()) ? t.page() : t.root + "/FileList.html";
    const QByteArray page = read(pagePath);
    QStringList found = entries(page);
    for (QString& e : found) {
        QVERIFY2(e.startsWith(t.root + '/'), qPrintable(e));
        e = e.mid(t.root.size() + 1);
    }
    QCOMPARE(found, expected);
    for (const QString& line : expand(headLines, t))
        QVERIFY2(page.contains((line + "\r\n").toUtf8()), qPrintable(line));
    QVERIFY(page.endsWith("</html>"));
    QCOMPARE(read(store.path()), storeBefore); // read, never written
    QVERIFY(r.err.contains(QString("%1 files written to %2").arg(expected.size()).arg(pagePath)) ||
            expected.size() == 1);
}

void TestCli::usageAndExitStatuses_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("written"); // the old page replaced
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: palavine list"
                          << "" << false;
    QTest::newRow("version") << QStringList{"--version"} << 0 << "palavine " PALAVINE_VERSION << ""
                             << false;
    QTest::newRow("unknown option: the nearest one suggested")
        << QStringList{"--colour", "red", "@ROOT"} << 2 << ""
        << "unknown option --colour; did you mean --color?" << false;
    QTest::newRow("--relative-links with the page on standard output")
        << QStringList{"--relative-links", "-o", "-", "@ROOT"} << 2 << ""
        << "--relative-links needs an output folder" << false;
    QTest::newRow("unknown option") << QStringList{"--frobnicate", "@ROOT"} << 2 << ""
                                    << "unknown option --frobnicate" << false;
    QTest::newRow("unknown short option in a bundle") << QStringList{"-qV", "@ROOT"} << 2 << ""
                                                      << "unknown option -V" << false;
    QTest::newRow("ambiguous abbreviation") << QStringList{"--o", "@OUT", "@ROOT"} << 2 << ""
                                            << "ambiguous option --o" << false;
    QTest::newRow("bare program: unknown option, not the window")
        << QStringList{"@BARE", "--bogus"} << 2 << ""
        << "unknown option --bogus" << false;
    QTest::newRow("bare program: -V") << QStringList{"@BARE", "-V"} << 2 << ""
                                      << "unknown option -V" << false;
    QTest::newRow("missing value") << QStringList{"@ROOT", "--filter"} << 2 << ""
                                   << "--filter needs a value" << false;
    QTest::newRow("bad colour") << QStringList{"--color", "#12345", "@ROOT"} << 2 << ""
                                << "is not a colour" << false;
    QTest::newRow("settings file missing")
        << QStringList{"--settings", "@ROOT/nope", "@ROOT"} << 2 << ""
        << "@ROOT/nope: Settings file not found" << false;
    QTest::newRow("--open of a page on standard output")
        << QStringList{"--open", "-o", "-", "@ROOT"} << 2 << ""
        << "--open" << false;
    QTest::newRow("output folder missing") << QStringList{"-o", "@ROOT/nope", "@ROOT"} << 1 << ""
                                           << "@ROOT/nope: No such file or directory" << false;
    QTest::newRow("nothing found keeps the old page")
        << QStringList{"--filter", "zzz", "-o", "@OUT", "@ROOT"} << 1 << ""
        << "@OUT/FileList.html: not written: no file was found" << false;
    QTest::newRow("bundled short options, quiet")
        << QStringList{"-qo", "@OUT", "@ROOT/sub"} << 0 << ""
        << "" << true;
    QTest::newRow("missing folder and list file named, the rest written, status 1")
        << QStringList{"--quiet",        "-o",       "@OUT", "@ROOT/gone", "--folders-from",
                       "@ROOT/gone.txt", "@ROOT/sub"}
        << 1 << ""
        << "@ROOT/gone: No such file or directory\npalavine: @ROOT/gone.txt: No such file or "
           "directory\n"
        << true;
    QTest::newRow("an empty FOLDER names no folder")
        << QStringList{"--quiet", "-o", "@OUT", "", "@ROOT/sub"} << 1 << ""
        << "palavine: an empty FOLDER names no folder\n"
        << true;
    QTest::newRow("list file line with a NUL named once, its relative lines read")
        << QStringList{"--quiet", "-o", "@OUT", "--folders-from", "@LIST"} << 1 << ""
        << "palavine: @LIST: 2 lines hold a NUL byte, so they name no folder; they were left "
           "out. The first is line 2.\n"
        << true;
    QTest::newRow("-0: CR and LF belong to names; control characters shown as ?")
        << QStringList{"-q0", "--folders-from", "@LIST", "-o", "@OUT"} << 1 << ""
        << "palavine: @ROOT/sub?/x: No such file or directory\npalavine: @DIR/y?R: No such file or "
           "directory\n"
        << false;
    QTest::newRow("help to a full disk")
        << QStringList{"--help", ">/dev/full"} << 1 << ""
        << "palavine: standard output: No space left on device" << false;
    QTest::newRow("version to a full disk")
        << QStringList{"@BARE", "--version", ">/dev/full"} << 1 << ""
        << "palavine: standard output: No space left on device" << false;
    QTest::newRow("page to a full standard output")
        << QStringList{"-o", "-", "@ROOT", ">/dev/full"} << 1 << ""
        << "palavine: standard output: No space left on device" << false;
}

void TestCli::usageAndExitStatuses() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(bool, written);
    TestSettings store;
    Tree t;
    Tree::write(t.page(), "old page");
    const QString list = t.dir.path() + "/list.txt";
    Tree::write(list, QByteArray("R/sub\n/x\0y\nR\0\n", 14));
    const Result r = run(expand(arguments, t, list));
    QCOMPARE(r.status, status);
    QVERIFY2(r.out.contains(out), qPrintable(r.out));
    err.replace("@ROOT", t.root).replace("@OUT", t.out).replace("@LIST", list);
    QVERIFY2(r.err.contains(err.replace("@DIR", t.dir.path())), qPrintable(r.err));
    // Bad usage: one line naming the problem, then where to look.
    if (status == 2)
        QVERIFY2(r.err.count('\n') == 2 &&
                     r.err.endsWith("\nTry 'palavine list --help' for more information.\n"),
                 qPrintable(r.err));
    QCOMPARE(read(t.page()) != "old page", written);
    if (!err.contains("written to"))
        QVERIFY2(!r.err.contains("written to"), qPrintable(r.err));
}

void TestCli::pageEqualsTheWindowsPage_data() {
    QTest::addColumn<int>("repeats"); // of the list file's first line
    QTest::addColumn<int>("count");
    // Helpers reading folders ahead, in the window and the command line
    // alike (-1: as many as the pool chooses).
    QTest::addColumn<int>("helpers");
    QTest::newRow("one run") << 1 << 15 << -1;
    QTest::newRow("in blocks, wide entries among them") << 300 << 1211 << -1;
    QTest::newRow("one run, read alone") << 1 << 15 << 0;
    QTest::newRow("one run, four helpers reading ahead") << 1 << 15 << 4;
    QTest::newRow("in blocks, one helper reading ahead") << 300 << 1211 << 1;
}

void TestCli::pageEqualsTheWindowsPage() {
    QFETCH(int, repeats);
    QFETCH(int, helpers);
    const ReadAheadHelpers pool(helpers);
    TestSettings store;
    Tree t;
    // Names a page must take care of, one that is not UTF-8, one that is wide.
    for (const QByteArray& name : {QByteArray("it's & <b>.txt"), QByteArray("100%.txt"),
                                   QByteArray("caf\xc3\xa9.txt"), QByteArray("bad\xff.txt")})
        Tree::write(t.root + "/sub/" + DecodeFileName(name), "x");
    Tree::write(t.root + "/other/" + QString(120, 'w') + ".txt", "x");
    QDir().mkpath(t.root + "/other/skipme");
    Tree::write(t.root + "/other/skipme/g.txt", "x");
    // A link out of the tree is walked, one into it or back up is not entered.
    QDir().mkpath(t.dir.path() + "/outside");
    Tree::write(t.dir.path() + "/outside/f.txt", "x");
    Tree::write(t.dir.path() + "/outside/" + QString(120, 'w') + ".txt", "x");
    QVERIFY(QFile::link(t.dir.path() + "/outside", t.root + "/sub/toOther"));
    QVERIFY(QFile::link(t.root + "/other", t.root + "/sub/intoOther"));
    QVERIFY(QFile::link(t.root, t.root + "/other/up"));
    const QString list = t.dir.path() + "/list.txt";
    Tree::write(
        list,
        (QString(t.root + "/sub\r\n").repeated(repeats) + t.root + "/other/skipme/\r\n").toUtf8());
    SaveOption("FontName", "Courier New");
    SaveOption("Font Color", "255");

    {
        ScriptedUi ui;
        Form1 form(ui);
        form.Form_Load();
        form.Text1->setText("TXT");
        form.Text2->setText(t.out);
        form.Check1->setChecked(false);
        ui.folderAnswers.push_back(t.root);
        form.PushButton6_Click();
        ui.fileAnswers.push_back({list});
        form.PushButton2_Click();
        ui.inputAnswers.push_back("skipme");
        form.PushButton13_Click(); // folders containing
        form.PushButton5_Click();
        ui.inputAnswers.push_back("100%");
        form.PushButton4_Click(); // results containing
        form.PushButton7_Click();
        QCOMPARE(ui.boxes.size(), 1);
        QCOMPARE(ui.boxes.first().text, QString("Done."));
    }
    const QByteArray windowPage = read(t.page());
    QVERIFY(QFile::remove(t.page()));
    // Level by level: R, other, sub, then sub/deep and sub/toOther, then the
    // list file's.
    QFETCH(int, count);
    QCOMPARE(entries(windowPage).size(), count);
    QCOMPARE(windowPage.contains("<div style='content-visibility:auto;"), count > 1000);
    QVERIFY(entries(windowPage).contains(t.root + "/sub/toOther/f.txt"));
    QVERIFY(entries(windowPage).indexOf(t.root + "/sub/deep/e.txt") >
            entries(windowPage).indexOf(t.root + "/other/f.txt"));

    const QStringList arguments{"--filter",
                                "TXT",
                                "--remove-folders-containing",
                                "skipme",
                                "--remove-containing",
                                "100%",
                                t.root,
                                "--folders-from",
                                list};
    Result r = run(arguments + QStringList{"-o", t.out});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QCOMPARE(entries(read(t.page())), entries(windowPage));
    QCOMPARE(read(t.page()), windowPage);
    // The same bytes on standard output, and no file.
    r = run(arguments + QStringList{"-o", "-"}, false, {}, t.out);
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QCOMPARE(r.bytes, windowPage);
    QCOMPARE(QDir(t.out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"FileList.html"});
}

void TestCli::unreadableFolderIsNamedAndUnwritablePageKeepsTheOldOne() {
    TestSettings store;
    SaveOption("Text1", "txt");
    ::chmod(EncodeFileName(QFileInfo(store.path()).path()).constData(), 0755);
    ::chmod(EncodeFileName(store.path()).constData(), 0644);
    Tree t;
    const QString denied = t.root + "/sub";
    ::chmod(EncodeFileName(denied).constData(), 0);
    ::chmod(EncodeFileName(t.out).constData(), 0777);
    Result r = run({"--settings", store.path(), "--filter", "txt", "-o", t.out, t.root}, true);
    QCOMPARE(r.status, 1); // written, but a folder was not read
    QVERIFY2(r.err.contains(denied + "/: Permission denied"), qPrintable(r.err));
    QStringList found = entries(read(t.page()));
    found.sort();
    QCOMPARE(found, (QStringList{t.root + "/B.TXT", t.root + "/a.txt", t.root + "/other/f.txt"}));

    // An output folder and a page the user may not write to: the page stays.
    ::chmod(EncodeFileName(t.out).constData(), 0755);
    Tree::write(t.page(), "old page");
    ::chmod(EncodeFileName(t.page()).constData(), 0444);
    r = run({"--settings", store.path(), "-o", t.out, t.root + "/other"}, true);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(t.page() + ": "), qPrintable(r.err));
    QCOMPARE(read(t.page()), QByteArray("old page"));
}

void TestCli::foldersLeftOutAreNamedOnce_data() {
    // A shell line run first in the tree's folder (as the test's user), then
    // "palavine list -o - ARGUMENTS" there, as an unprivileged user when asked.
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("asNobody");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");      // the line on standard error, or ""
    QTest::addColumn<QString>("listed");   // an entry the page holds
    QTest::addColumn<QString>("unlisted"); // an entry it does not hold
    QTest::newRow("a folder that can be listed, not entered")
        << "chmod 0444 R/sub" << true << QStringList{"R"} << 1 << "R/sub/deep/: Permission denied"
        << "R/other/f.txt"
        << "R/sub/deep/e.txt";
    QTest::newRow("a folder name holding a control character")
        << "mkdir -p 'R/a\nb' && touch 'R/a\nb/g.txt'" << false << QStringList{"R"} << 1
        << "R/a?b/: Name holds a control character"
        << "R/sub/deep/e.txt"
        << "g.txt";
    QTest::newRow("folders beyond the path limit")
        << "n=$(printf '%0200d' 0); p=R; for i in $(seq 30); do mkdir \"$p/$n\" && cd \"$p\" "
           "&& p=$n; done; touch \"$p/bottom.txt\""
        << false << QStringList{"R"} << 0 << ""
        << "/bottom.txt"
        << "";
    QTest::newRow("a link loop") << "ln -s loop loop" << false << QStringList{"loop", "R/other"}
                                 << 1 << "loop: Too many levels of symbolic links"
                                 << "R/other/f.txt"
                                 << "";
    QTest::newRow("a list line climbing out of a link")
        << "mkdir -p far/in far/B && touch far/B/x.txt && ln -s ../far/in R/lnk && "
           "printf '%s/R/lnk/../B\\n' \"$PWD\" >list"
        << false << QStringList{"--folders-from", "list"} << 0 << ""
        << "far/B/x.txt"
        << "lnk/../B";
}

void TestCli::foldersLeftOutAreNamedOnce() {
    QFETCH(QString, setup);
    QFETCH(bool, asNobody);
    QFETCH(QStringList, arguments);
    TestSettings store;
    Tree t;
    const auto cleanUp = qScopeGuard([&] {
        QProcess::execute("sh", {"-c", "chmod -R u+rwx \"$0\"; rm -rf \"$0\"", t.dir.path()});
    });
    QProcess shell;
    shell.setWorkingDirectory(t.dir.path());
    shell.start("sh", {"-c", setup});
    QVERIFY(shell.waitForFinished(60000) && shell.exitCode() == 0);
    const Result r = run(QStringList{"-o", "-"} + arguments, asNobody, {}, t.dir.path());
    QTEST(r.status, "status");
    QFETCH(QString, err);
    const QString base = t.dir.path() + '/';
    if (err.isEmpty()) {
        QVERIFY2(r.err.count('\n') == 1 && r.err.contains(" written to standard output"),
                 qPrintable(r.err));
    } else {
        // One line for the folder, naming it once.
        QVERIFY2(r.err.contains("palavine: " + base + err + '\n'), qPrintable(r.err));
        QCOMPARE(r.err.count(base + err.section(':', 0, 0)), 1);
    }
    QFETCH(QString, listed);
    QFETCH(QString, unlisted);
    const QString page = entries(r.bytes).join('\n');
    QVERIFY2(page.contains(listed), qPrintable(page));
    if (!unlisted.isEmpty())
        QVERIFY2(!page.contains(unlisted), qPrintable(page));
}

void TestCli::awkwardOutputFilesAndFolders_data() {
    // Shell lines run first, as the test's user: $P is the output folder,
    // $PAGE the page in it, which holds "old page".
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("way");    // "nobody": as an unprivileged user; "own disk"
    QTest::addColumn<QString>("folder"); // the output folder below the tree's out
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");
    // afterwards; "new" for the new page, whole, "new N" for one of N entries
    QTest::addColumn<QByteArray>("page");
    const QString written = "6000 files written to";
    // The program as $@ runs, but reading its last folders from a pipe that
    // stays open: after a second the signal $SIG ends it mid-run.
    const QString interrupted =
        "mkfifo \"$OUT.in\"; chmod 0666 \"$OUT.in\"; set -- sh -c '(exec 3>\"$OUT.in\"; sleep 1; "
        "kill -$SIG $$; sleep 1) & exec \"$@\" --folders-from - <\"$OUT.in\"' sh \"$@\"";
    // Twelve times the folders: 72,000 entries, more than is written at once.
    const QString longList =
        "for i in 1 2 3 4 5 6 7 8 9 10 11 12; do cat \"$4\"; done >\"$OUT.list\"; "
        "set -- \"$1\" \"$2\" \"$3\" \"$OUT.list\"; ";
    QTest::newRow("full disk")
        << "mount -t tmpfs -o size=64k tmpfs \"$P\" && printf 'old page' >\"$PAGE\""
        << "own disk"
        << "" << 1 << "FileList.html: No space left on device" << QByteArray("old page");
    QTest::newRow("file-size limit")
        << "ulimit -f 128"
        << ""
        << "" << 1 << "FileList.html: File too large" << QByteArray("old page");
    QTest::newRow("folder refusing new files, page writable")
        << "chmod 0666 \"$PAGE\"; chmod 0555 \"$P\""
        << "nobody"
        << "" << 0 << written << QByteArray("new");
    QTest::newRow("sticky shared folder, another user's page")
        << "chmod 0666 \"$PAGE\"; chmod 1777 \"$P\""
        << "nobody"
        << "" << 0 << written << QByteArray("new");
    QTest::newRow("replaced page keeps its mode and owner")
        << "chmod 0640 \"$PAGE\"; chown 65534:65534 \"$PAGE\" 2>/dev/null"
        << ""
        << "" << 0 << written << QByteArray("new");
    QTest::newRow("a folder in the page's place")
        << "rm \"$PAGE\"; mkdir \"$PAGE\""
        << ""
        << "" << 1 << "FileList.html: Is a directory" << QByteArray();
    QTest::newRow("output folder not valid UTF-8")
        << ""
        << ""
        << "/x\\377\\303(" << 0 << written << QByteArray("new");
    // $after runs once the program has ended; xdg-open may come later.
    QTest::newRow("--open gives xdg-open the page's path byte for byte")
        << "mkdir \"$OUT.bin\"; printf '#!/bin/sh\\nprintf %%s \"$1\" >\"$OUT.got\"; "
           "mv \"$OUT.got\" \"$OUT.opened\"\\n' >\"$OUT.bin/xdg-open\"; chmod +x "
           "\"$OUT.bin/xdg-open\"; PATH=\"$OUT.bin:$PATH\"; set -- \"$@\" --open; "
           "after='i=0; while [ ! -e \"$OUT.opened\" ] && [ $i -lt 100 ]; do sleep 0.1; "
           "i=$((i+1)); done; printf %s \"$PAGE\" | cmp -s - \"$OUT.opened\" && echo "
           "\"xdg-open got the page\" >&2'"
        << ""
        << "/x\\377\\303(" << 0 << "xdg-open got the page" << QByteArray("new");
    QTest::newRow("--settings from a pipe: the font and both colours")
        << "printf "
           "'[Palavine]\\nFontName=Verdana\\nFont%%20Color=255\\nBackground%%20Color=65280\\n' "
           ">\"$OUT.ini\"; mkfifo \"$OUT.fifo\"; (cat \"$OUT.ini\" >\"$OUT.fifo\" &); set -- "
           "\"$@\" "
           "--settings \"$OUT.fifo\"; after='echo \"font $(grep -c \"font-family: Verdana;\" "
           "\"$PAGE\"), "
           "colour $(grep -c \"color:#FF0000;\" \"$PAGE\"), background $(grep -c "
           "\"background-color: #00FF00;\" \"$PAGE\")\" >&2'"
        << ""
        << "" << 0 << "font 4, colour 3, background 1" << QByteArray("new");
    QTest::newRow("a named pipe in the page's place is refused and left as it is")
        << "rm \"$PAGE\"; mkfifo \"$PAGE\"; "
           "after='[ -p \"$PAGE\" ] && rm \"$PAGE\" && printf \"still a pipe\" >\"$PAGE\"'"
        << ""
        << "" << 1 << "FileList.html: Path/File access error (a named pipe, not a regular file)"
        << QByteArray("still a pipe");
    QTest::newRow("a page the user protected (mode 444) is refused")
        << "chown 65534:65534 \"$PAGE\" \"$P\" 2>/dev/null; chmod 0444 \"$PAGE\""
        << "nobody"
        << "" << 1 << "FileList.html: Permission denied" << QByteArray("old page");
    QTest::newRow("another user's link in a sticky shared folder is not followed, even by root")
        << "chmod 1777 \"$P\"; printf 'root only' >\"$OUT.secret\"; chmod 0600 \"$OUT.secret\"; "
           "rm \"$PAGE\"; ln -s \"$OUT.secret\" \"$PAGE\"; chown -h 65534:65534 \"$PAGE\""
        << ""
        << "" << 1 << "FileList.html: Permission denied" << QByteArray("root only");
    QTest::newRow("SIGTERM mid-run: ends of it, nothing left, the old page kept")
        << "export SIG=TERM; " + interrupted << ""
        << "" << 128 + SIGTERM << "" << QByteArray("old page");
    QTest::newRow("SIGKILL mid-run in place: the old page kept whole")
        << "chmod 0666 \"$PAGE\"; chmod 0555 \"$P\"; export SIG=KILL; " + longList + interrupted
        << "nobody"
        << "" << 128 + SIGKILL << "" << QByteArray("old page");
    // Three different pages at once: the .txt files, the .log files, all files.
    QTest::newRow("three saves in place at once: each done, the last page whole")
        << "chmod 0666 \"$PAGE\"; chmod 0555 \"$P\"; " + longList +
               "as() { if [ \"$(id -u)\" = 0 ]; then setpriv --reuid=65534 --regid=65534 "
               "--clear-groups \"$@\"; else \"$@\"; fi; }; as \"$@\" --filter txt -qo \"$P\" & "
               "r1=$!; "
               "as \"$@\" --filter log -qo \"$P\" & r2=$!; after='wait $r1 && wait $r2 && echo "
               "both done >&2'"
        << "nobody"
        << "" << 0 << "both done" << QByteArray("one of three");
}

void TestCli::awkwardOutputFilesAndFolders() {
    QFETCH(QString, setup);
    QFETCH(QString, way);
    QFETCH(QString, folder);
    TestSettings store;
    Tree t;
    // Names that are not UTF-8 are more than QTemporaryDir can remove.
    const auto cleanUp = qScopeGuard([&] {
        QProcess::execute("sh", {"-c", "chmod -R u+rwx \"$0\"; rm -rf \"$0\"", t.out});
    });
    // A page of 6,000 entries, well above the limits set.
    const QString list = t.dir.path() + "/list.txt";
    Tree::write(list, QString(t.root + "/sub\n").repeated(3000).toUtf8());
    const bool root = ::geteuid() == 0;
    const QString script =
        "P=\"$OUT$(printf '" + folder + "')\"; PAGE=\"$P/FileList.html\"; mkdir -p \"$P\"; " +
        "printf 'old page' >\"$PAGE\"; " + setup + "\n" + "before=$(stat -c '%a %u' \"$PAGE\"); " +
        (way == "nobody" && root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "") +
        "\"$@\" -o \"$P\"; status=$?; eval \"${after:-}\"\n" +
        "echo \"$before\"; stat -c '%a %u' \"$PAGE\"; ls -A \"$P\"; cat \"$PAGE\"; exit $status";
    QStringList command{"sh", "-c", script, "sh", programPath(), "list", "--folders-from", list};
    if (way == "own disk")
        command =
            QStringList{"unshare", root ? "-m" : "-Urm", "--propagation", "private"} + command;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("OUT", t.out);
    p.setProcessEnvironment(env);
    p.start(command.takeFirst(), command);
    QVERIFY(p.waitForFinished(60000));
    const QString stderrText = QString::fromUtf8(p.readAllStandardError());
    if (way == "own disk" && stderrText.contains("unshare: "))
        QSKIP(qPrintable("no file system of its own can be mounted here: " + stderrText));
    QTEST(p.exitCode(), "status");
    QFETCH(QString, err);
    QVERIFY2(stderrText.contains(err), qPrintable(stderrText));
    const QByteArray out = p.readAllStandardOutput();
    const QList<QByteArray> lines = out.split('\n');
    QVERIFY2(lines.size() > 3, out.constData());
    QCOMPARE(lines[1], lines[0]);                    // mode and owner kept
    QCOMPARE(lines[2], QByteArray("FileList.html")); // nothing left beside it
    const QByteArray written = out.mid(lines[0].size() + lines[1].size() + lines[2].size() + 3);
    QFETCH(QByteArray, page);
    if (page == "one of three") {
        // The head once, the tail once, and the entries of one page only.
        QCOMPARE(written.count("<html>"), 1);
        QCOMPARE(written.count("<br></div>\r\n"), 1);
        QVERIFY(written.endsWith("</script>\r\n</body>\r\n</html>"));
        QVERIFY(!written.contains('\0'));
        const QStringList found = entries(written);
        const qsizetype txt = found.filter(QRegularExpression("\\.txt$")).size();
        QVERIFY2((found.size() == 72000 && txt == 36000) ||
                     (found.size() == 36000 && (txt == 0 || txt == 36000)),
                 qPrintable(QString("%1 entries, %2 .txt").arg(found.size()).arg(txt)));
    } else if (page.startsWith("new")) {
        QCOMPARE(entries(written).size(), page == "new" ? 6000 : page.mid(4).toInt());
        QVERIFY(!written.contains('\0'));
        QVERIFY(written.endsWith("</html>"));
    } else
        QCOMPARE(written, page);
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    TestCli test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cli.moc"
