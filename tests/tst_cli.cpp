// The command line, run as the built program with no display: its options,
// exit statuses and messages, a folder it can't read, and the page it writes
// compared byte for byte with the window's.
#include "app/FileNames.h"
#include "app/Form1.h"
#include "app/Settings.h"
#include "support/ScriptedUi.h"
#include "support/TestSettings.h"
#include "support/Unprivileged.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

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
};

QString programPath() {
    return qEnvironmentVariable("PALAVINE_TEST_BINARY_DIR",
                                QCoreApplication::applicationDirPath() + "/..") +
           "/palavine";
}

// Runs the program with no display at all; `asNobody` as an unprivileged user.
Result run(const QStringList& arguments, bool asNobody = false) {
    const QString program = programPath();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    QProcess p;
    p.setProcessEnvironment(env);
    if (asNobody)
        StartUnprivileged(p, program, QStringList{"list"} + arguments);
    else
        p.start(program, QStringList{"list"} + arguments);
    Result r;
    if (!p.waitForFinished(60000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList expand(QStringList arguments, const Tree& t, const QString& listFile = {}) {
    for (QString& a : arguments)
        a.replace("@ROOT", t.root).replace("@OUT", t.out).replace("@LIST", listFile);
    return arguments;
}

// The link texts of a page, in order.
QStringList entries(const QByteArray& page) {
    QStringList found;
    for (const QByteArray& line : page.split('\n')) {
        if (line.startsWith("<a href="))
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
    QTest::newRow("stored filter and appearance, ~ names left out")
        << QStringList{"Text1=txt", "FontName=Verdana", "Font Color=255", "Background Color=65280"}
        << QStringList{"-o", "@OUT", "@ROOT"} << txt
        << QStringList{"font-family: Verdana;", "color:#FF0000;", "background-color: #00FF00;"};
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
}

void TestCli::optionsShapeThePage() {
    QFETCH(QStringList, stored);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, headLines);
    TestSettings store;
    Tree t;
    SaveOption("Check1", "1");
    for (const QString& pair : stored)
        SaveOption(pair.section('=', 0, 0), pair.section('=', 1));
    const QString list = t.dir.path() + "/list.txt";
    Tree::write(list, ("R/other\r\n\r\n" + t.root + "/sub/").toUtf8());
    const QByteArray storeBefore = read(store.path());

    const Result r = run(expand(arguments, t, list) + QStringList{"--settings", store.path()});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    const QByteArray page = read(t.page());
    QStringList found = entries(page);
    for (QString& e : found) {
        QVERIFY2(e.startsWith(t.root + '/'), qPrintable(e));
        e = e.mid(t.root.size() + 1);
    }
    QCOMPARE(found, expected);
    for (const QString& line : headLines)
        QVERIFY2(page.contains((line + "\r\n").toUtf8()), qPrintable(line));
    QVERIFY(page.endsWith("</html>"));
    QCOMPARE(read(store.path()), storeBefore); // read, never written
    QVERIFY(r.err.contains(QString("%1 files written to %2").arg(expected.size()).arg(t.page())) ||
            expected.size() == 1);
}

void TestCli::usageAndExitStatuses_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: palavine list"
                          << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "palavine " PALAVINE_VERSION << "";
    QTest::newRow("no folder") << QStringList{"-o", "@OUT"} << 2 << ""
                               << "no FOLDER and no --folders-from FILE given";
    QTest::newRow("unknown option") << QStringList{"--frobnicate", "@ROOT"} << 2 << ""
                                    << "unknown option --frobnicate";
    QTest::newRow("missing value") << QStringList{"@ROOT", "--filter"} << 2 << ""
                                   << "--filter needs a value";
    QTest::newRow("bad colour") << QStringList{"--color", "#12345", "@ROOT"} << 2 << ""
                                << "is not a colour";
    QTest::newRow("settings file missing")
        << QStringList{"--settings", "@ROOT/nope", "@ROOT"} << 2 << ""
        << "@ROOT/nope: Settings file not found";
    QTest::newRow("output folder missing") << QStringList{"-o", "@ROOT/nope", "@ROOT"} << 1 << ""
                                           << "@ROOT/nope: Folder does not exist";
    QTest::newRow("nothing found keeps the old page")
        << QStringList{"--filter", "zzz", "-o", "@OUT", "@ROOT"} << 1 << ""
        << "@OUT/FileList.html: not written: no file was found";
    QTest::newRow("missing folder and list file named, the rest written")
        << QStringList{"--quiet",        "-o",       "@OUT", "@ROOT/gone", "--folders-from",
                       "@ROOT/gone.txt", "@ROOT/sub"}
        << 0 << ""
        << "@ROOT/gone: Path not found\npalavine: @ROOT/gone.txt: File not found\n";
    QTest::newRow("list file line with a NUL named once, its relative lines read")
        << QStringList{"--quiet", "-o", "@OUT", "--folders-from", "@LIST"} << 0 << ""
        << "palavine: @LIST: 2 lines hold a NUL byte, so they name no folder; they were left "
           "out. The first is line 2.\n";
}

void TestCli::usageAndExitStatuses() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    TestSettings store;
    Tree t;
    Tree::write(t.page(), "old page");
    const QString list = t.dir.path() + "/list.txt";
    Tree::write(list, QByteArray("R/sub\n/x\0y\nR\0\n", 14));
    const Result r = run(expand(arguments, t, list));
    QCOMPARE(r.status, status);
    QVERIFY2(r.out.contains(out), qPrintable(r.out));
    QVERIFY2(
        r.err.contains(err.replace("@ROOT", t.root).replace("@OUT", t.out).replace("@LIST", list)),
        qPrintable(r.err));
    QCOMPARE(r.err.contains("Usage: palavine list"), status == 2);
    if (status != 0)
        QCOMPARE(read(t.page()), QByteArray("old page"));
    else if (arguments.contains("--quiet"))
        QVERIFY2(!r.err.contains("written to"), qPrintable(r.err));
}

void TestCli::pageEqualsTheWindowsPage_data() {
    QTest::addColumn<int>("repeats"); // of the list file's first line
    QTest::addColumn<int>("count");
    QTest::newRow("one run") << 1 << 15;
    QTest::newRow("in blocks, wide entries among them") << 300 << 1211;
}

void TestCli::pageEqualsTheWindowsPage() {
    QFETCH(int, repeats);
    TestSettings store;
    Tree t;
    // Names a page must take care of, one that is not UTF-8, one that is wide.
    for (const QByteArray& name : {QByteArray("it's & <b>.txt"), QByteArray("100%.txt"),
                                   QByteArray("caf\xc3\xa9.txt"), QByteArray("bad\xff.txt")})
        Tree::write(t.root + "/sub/" + DecodeFileName(name), "x");
    Tree::write(t.root + "/other/" + QString(120, 'w') + ".txt", "x");
    QDir().mkpath(t.root + "/other/skipme");
    Tree::write(t.root + "/other/skipme/g.txt", "x");
    // A link into a sibling is walked fully; a link back up is not entered.
    QVERIFY(QFile::link(t.root + "/other", t.root + "/sub/toOther"));
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

    const Result r = run({"--remove-folders-containing", "skipme", "--remove-containing", "100%",
                          "-o", t.out, t.root, "--folders-from", list});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QCOMPARE(entries(read(t.page())), entries(windowPage));
    QCOMPARE(read(t.page()), windowPage);
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
    Result r = run({"--settings", store.path(), "-o", t.out, t.root}, true);
    QCOMPARE(r.status, 0);
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

void TestCli::awkwardOutputFilesAndFolders_data() {
    // Shell lines run first, as the test's user: $P is the output folder,
    // $PAGE the page in it, which holds "old page".
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("way");    // "nobody": as an unprivileged user; "own disk"
    QTest::addColumn<QString>("folder"); // the output folder below the tree's out
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QByteArray>("page"); // afterwards; "new" for the new page
    const QString written = "6000 files written to";
    QTest::newRow("full disk")
        << "mount -t tmpfs -o size=64k tmpfs \"$P\" && printf 'old page' >\"$PAGE\""
        << "own disk"
        << "" << 1 << "FileList.html: Disk full" << QByteArray("old page");
    QTest::newRow("file-size limit")
        << "ulimit -f 128"
        << ""
        << "" << 1 << "FileList.html: Device I/O error (File too large)" << QByteArray("old page");
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
        << "" << 1 << "FileList.html: Path/File access error (Is a directory)" << QByteArray();
    QTest::newRow("output folder not valid UTF-8")
        << ""
        << ""
        << "/x\\377\\303(" << 0 << written << QByteArray("new");
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
        "\"$@\" -o \"$P\"; status=$?\n" +
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
    if (page == "new")
        QCOMPARE(entries(written).size(), 6000);
    else
        QCOMPARE(written, page);
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    TestCli test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cli.moc"
