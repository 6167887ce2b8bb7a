// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The folder picker, the sub-folder walk and "Add Folders and Subfolders", on
// real temporary trees. Folders that deny access are examined by a helper run
// of this program as an unprivileged user, since root reads everything.
#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/Paths.h"
#include "window/ListView.h"
#include "core/MousePointer.h"
#include "core/Settings.h"
#include "folders/AddFolder.h"
#include "core/BrowseForFolder.h"
#include "support/ScriptedUi.h"
#include "support/TestSettings.h"
#include "support/Unprivileged.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void makeFolders(const QString& root, const QStringList& relative) {
    for (const QString& r : relative)
        QVERIFY2(::mkdir(EncodeFileName(root + '/' + r).constData(), 0755) == 0, qPrintable(r));
}

// The sub-folders of a folder in name order, built independently: Qt's
// case-insensitive comparison of the names, ties by their bytes.
QStringList nameOrder(const QString& folder) {
    QStringList names;
    DIR* dir = ::opendir(EncodeFileName(folder).constData());
    while (const dirent* entry = dir ? ::readdir(dir) : nullptr) {
        const QString name = DecodeFileName(QByteArray(entry->d_name));
        if (name != "." && name != ".." && IsFolder(folder + '/' + name))
            names.append(name);
    }
    if (dir)
        ::closedir(dir);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = QString::compare(a, b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : EncodeFileName(a) < EncodeFileName(b);
    });
    return names;
}

// The breadth-first walk the folder list must show, built independently: the
// name order of each parent's children, level by level.
QStringList expectedWalk(const QString& root) {
    QStringList result{root + '/'};
    QStringList level{root + '/'};
    while (!level.isEmpty()) {
        QStringList next;
        for (const QString& parent : level)
            for (const QString& name : nameOrder(parent))
                next.append(parent + name + '/');
        result += next;
        level = next;
    }
    return result;
}

QStringList items(const ListView& list) {
    QStringList out;
    for (int i = 1; i <= list.Count(); ++i)
        out.append(list.Item(i));
    return out;
}

// A fresh temporary folder that an unprivileged helper can enter.
struct Tree {
    QTemporaryDir dir;
    QString root;
    Tree() : root(dir.path() + QStringLiteral("/R")) {
        ::chmod(EncodeFileName(dir.path()).constData(), 0755);
        QDir().mkpath(root);
    }
    // Names that are not valid UTF-8 and folders that deny access are beyond
    // QTemporaryDir's own clean-up.
    ~Tree() {
        QProcess::execute("chmod", {"-R", "u+rwx", dir.path()});
        QProcess::execute("rm", {"-rf", dir.path()});
    }
};

// Runs this program as an unprivileged user in helper mode; its output lines.
QStringList runUnprivileged(const QStringList& arguments) {
    QProcess helper;
    StartUnprivileged(helper, QCoreApplication::applicationFilePath(),
                      QStringList{QStringLiteral("--helper")} + arguments);
    if (!helper.waitForFinished(60000) || helper.exitCode() != 0) {
        qWarning() << helper.readAllStandardError();
        return {QStringLiteral("helper failed")};
    }
    return QString::fromUtf8(helper.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// Helper mode: "walk PATH" prints the walk of PATH; "add PATH" runs the
// command with PATH chosen and prints the folder list. Then the number of
// boxes shown and the first line of each.
int helperMain(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString mode = QString::fromUtf8(argv[2]);
    const QString path = DecodeFileName(QByteArray(argv[3]));
    ScriptedUi ui;
    QStringList out;
    if (mode == QLatin1String("walk")) {
        out = {path};
        GetSubDirectories2016(out, true, ui);
    } else {
        qputenv("PALAVINE_SETTINGS", "/nonexistent/palavine-helper.conf");
        ListView folders;
        MousePointer pointer;
        ui.folderAnswers.push_back(path);
        AddFoldersAndSubfolders(ui, pointer, folders, nullptr);
        out = items(folders);
    }
    for (const QString& line : out)
        std::printf("%s\n", EncodeFileName(line).constData());
    std::printf("BOXES %d\n", int(ui.boxes.size()));
    for (const ScriptedUi::Box& box : ui.boxes)
        std::printf("BOX %s\n", box.text.section('\r', 0, 0).toUtf8().constData());
    return 0;
}

} // namespace

class TestFolderWalk : public QObject {
    Q_OBJECT
  private slots:
    void badCharsAreControlCharactersOnly_data();
    void badCharsAreControlCharactersOnly();
    void attributeSkipIsAnExactMatch_data();
    void attributeSkipIsAnExactMatch();
    void attributesComeFromTheFileSystem();
    void pickerGivesPathWithoutTrailingSeparator_data();
    void pickerGivesPathWithoutTrailingSeparator();
    void pickerStartsOnlyAtAnExistingFolder();

    void walkIsBreadthFirstInNameOrder();
    void commandAddsFiveFoldersOfTheExample();
    void commandAddsLoneFolderOnceAndSameFolderTwice();
    void cancelledPickerChangesNothing();
    void refusedNamesDropTheirSubtreeOthersPass();
    void rootFolderEntriesHaveSingleSeparators();
    void linksLeadToEachRealFolderOnce_data();
    void linksLeadToEachRealFolderOnce();
    void foldersThatFailAreToldInOneMessage();
    void deepTreesAndPathsBeyondTheLimitAreRead();
    void folderRemovedDuringWalkIsLeftOutAndTold();
    void deniedFoldersOnOneLevelAreLeftOutAndTold();
    void chosenFolderThatDeniesListingAddsNothingAndTellsIt();
    void reentryAtAYieldKeepsBothRuns();
};

void TestFolderWalk::badCharsAreControlCharactersOnly_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    QTest::newRow("plain") << "Photos 2021" << false;
    QTest::newRow("question mark") << "what?" << false;
    QTest::newRow("accented") << QString::fromUtf8("Música été ÿ") << false;
    QTest::newRow("euro, dashes, quotes") << QString::fromUtf8("€ – — “x”") << false;
    QTest::newRow("CJK and emoji") << QString::fromUtf8("写真 😀") << false;
    QTest::newRow("no-break space 160") << QString(QChar(160)) << false;
    QTest::newRow("invalid UTF-8 bytes") << DecodeFileName(QByteArray("a\xff\xfe"
                                                                      "b"))
                                         << false;
    QTest::newRow("newline") << "two\nlines" << true;
    QTest::newRow("tab") << "a\tb" << true;
    QTest::newRow("code 1 at start") << QString(QChar(1)) + "x" << true;
    QTest::newRow("code 31") << "x" + QString(QChar(31)) << true;
    QTest::newRow("delete 127") << "x" + QString(QChar(127)) << true;
    QTest::newRow("C1 128") << "x" + QString(QChar(128)) << true;
    QTest::newRow("C1 159") << "x" + QString(QChar(159)) << true;
    QTest::newRow("empty") << "" << false;
}

void TestFolderWalk::badCharsAreControlCharactersOnly() {
    QFETCH(QString, name);
    QFETCH(bool, refused);
    QCOMPARE(HasBadChars(name), refused);
}

void TestFolderWalk::attributeSkipIsAnExactMatch_data() {
    QTest::addColumn<int>("attributes");
    QTest::addColumn<bool>("skipped");
    QTest::newRow("hidden system directory 22") << 22 << true;
    QTest::newRow("same with reparse point 1046") << 1046 << true;
    QTest::newRow("hidden only 18") << 18 << false;
    QTest::newRow("with archive 54") << 54 << false;
    QTest::newRow("with read-only 23") << 23 << false;
    QTest::newRow("directory 16") << 16 << false;
    QTest::newRow("system directory 20") << 20 << false;
}

void TestFolderWalk::attributeSkipIsAnExactMatch() {
    QFETCH(int, attributes);
    QFETCH(bool, skipped);
    QCOMPARE(IsSkippedByAttributes(attributes), skipped);
}

void TestFolderWalk::attributesComeFromTheFileSystem() {
    Tree t;
    makeFolders(t.root, {"plain", ".hidden", "locked"});
    ::chmod(EncodeFileName(t.root + "/locked").constData(), 0555);
    QVERIFY(QFile::link(t.root + "/plain", t.root + "/link"));
    QVERIFY(QFile::link(t.root + "/plain", t.root + "/.hiddenlink"));
    QCOMPARE(FolderAttributes(t.root + "/plain/"), 16);
    QCOMPARE(FolderAttributes(t.root + "/.hidden/"), 18);
    QCOMPARE(FolderAttributes(t.root + "/locked/"), 17);
    // A trailing separator must not look through the link.
    QCOMPARE(FolderAttributes(t.root + "/link/"), 16 | 1024);
    QCOMPARE(FolderAttributes(t.root + "/.hiddenlink"), 16 | 2 | 1024);
    QCOMPARE(FolderAttributes("//"), FolderAttributes("/"));
    QVERIFY(IsRootFolder("/") && IsRootFolder("//") && !IsRootFolder("/tmp/"));
    QVERIFY_THROWS_EXCEPTION(AppError, FolderAttributes(t.root + "/missing/"));
}

void TestFolderWalk::pickerGivesPathWithoutTrailingSeparator_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("result");
    QTest::newRow("plain") << "/home/u/Music"
                           << "/home/u/Music";
    QTest::newRow("trailing separator") << "/home/u/Music/"
                                        << "/home/u/Music";
    QTest::newRow("root keeps its one") << "/"
                                        << "/";
    QTest::newRow("cancel") << ""
                            << "";
}

void TestFolderWalk::pickerGivesPathWithoutTrailingSeparator() {
    QFETCH(QString, answer);
    QFETCH(QString, result);
    ScriptedUi ui;
    ui.folderAnswers.push_back(answer);
    QCOMPARE(BrowseForFolder(ui, nullptr, "Save To This Folder", ""), result);
    QCOMPARE(ui.folderDialogs.value(0).title, QString("Save To This Folder"));
}

void TestFolderWalk::pickerStartsOnlyAtAnExistingFolder() {
    QTemporaryDir dir;
    ScriptedUi ui;
    BrowseForFolder(ui, nullptr, "t", dir.path());
    BrowseForFolder(ui, nullptr, "t", dir.path() + "/gone");
    BrowseForFolder(ui, nullptr, "t", "");
    QCOMPARE(ui.folderDialogs.size(), 3);
    QCOMPARE(ui.folderDialogs[0].text, dir.path());
    QCOMPARE(ui.folderDialogs[1].text, QString());
    QCOMPARE(ui.folderDialogs[2].text, QString());
}

void TestFolderWalk::walkIsBreadthFirstInNameOrder() {
    Tree t;
    // Enough children that a depth-first walk or the directory's own order
    // can't pass by chance; names whose byte order differs from name order.
    for (int p = 0; p < 4; ++p) {
        makeFolders(t.root, {QString("p%1").arg(p)});
        for (int c = 0; c < 12; ++c) {
            makeFolders(t.root, {QString("p%1/c%2").arg(p).arg(c)});
            if (c % 5 == 0)
                makeFolders(t.root, {QString("p%1/c%2/g").arg(p).arg(c)});
        }
        QFile(t.root + QString("/p%1/file.txt").arg(p)).open(QIODevice::WriteOnly);
    }
    const QStringList mixed{"b",
                            "B",
                            "a",
                            "A",
                            "_",
                            QString::fromUtf8("é"),
                            QString::fromUtf8("É"),
                            "f",
                            "Z",
                            QString::fromUtf8("写真"),
                            DecodeFileName("e\xff")};
    for (const QString& n : mixed)
        makeFolders(t.root, {"p0/c0/g/" + n});
    // ASCII alone, around eight and sixteen bytes.
    const QStringList ascii{"b",
                            "B",
                            "_",
                            "[",
                            "abcdefg",
                            "abcdefgh",
                            "ABCDEFGH",
                            "abcdefgH",
                            "abcdefghi",
                            "abcdefghijklmnop",
                            "abcdefghijklmnopQ",
                            "abcdefghijklmnopq",
                            "Abcdefghijklmnop",
                            "~x"};
    for (const QString& n : ascii)
        makeFolders(t.root, {"p1/c0/g/" + n});
    ScriptedUi ui;
    QStringList dirs{t.root + '/'};
    GetSubDirectories2016(dirs, true, ui);
    QCOMPARE(dirs, expectedWalk(t.root));
    QCOMPARE(dirs.size(), 1 + 4 + 48 + 12 + mixed.size() + ascii.size());
    QVERIFY(dirs.indexOf(t.root + "/p0/c0/g/_/") < dirs.indexOf(t.root + "/p0/c0/g/A/"));
    QVERIFY(dirs.indexOf(t.root + "/p0/c0/g/B/") < dirs.indexOf(t.root + "/p0/c0/g/b/"));
    QVERIFY(ui.boxes.isEmpty());

    // Without recursion only one level is added.
    QStringList one{t.root + '/'};
    GetSubDirectories2016(one, false, ui);
    QCOMPARE(one, expectedWalk(t.root).mid(0, 5));
}

void TestFolderWalk::commandAddsFiveFoldersOfTheExample() {
    TestSettings settings;
    Tree t;
    makeFolders(t.root, {"A", "B", "A/A1", "B/B1"});
    SaveOption("LastFolderDot", t.dir.path());
    ScriptedUi ui;
    ListView folders;
    MousePointer pointer;
    QList<int> shapes;
    pointer.onChange = [&](int shape) { shapes.append(shape); };
    ui.folderAnswers.push_back(t.root);
    bool busyDuringWalk = false;
    ui.atYield(2, [&] { busyDuringWalk = pointer.isBusy(); });
    AddFoldersAndSubfolders(ui, pointer, folders, nullptr);

    const QStringList level1 = nameOrder(t.root);
    QStringList expected{t.root + '/'};
    for (const QString& n : level1)
        expected.append(t.root + '/' + n + '/');
    for (const QString& n : level1)
        expected.append(t.root + '/' + n + '/' + n + "1/");
    QCOMPARE(items(folders), expected);
    QCOMPARE(ui.folderDialogs.size(), 1);
    QCOMPARE(ui.folderDialogs[0].title, QString("Please select folder:"));
    QCOMPARE(ui.folderDialogs[0].text, t.dir.path());
    QVERIFY(busyDuringWalk);
    QCOMPARE(shapes, (QList<int>{MousePointer::Busy, MousePointer::Default}));
    QVERIFY(ui.boxes.isEmpty());
}

void TestFolderWalk::commandAddsLoneFolderOnceAndSameFolderTwice() {
    TestSettings settings;
    Tree t;
    makeFolders(t.root, {"only"});
    ScriptedUi ui;
    ListView folders;
    MousePointer pointer;
    ui.folderAnswers = {t.root + "/only", t.root, t.root};
    for (int i = 0; i < 3; ++i)
        AddFoldersAndSubfolders(ui, pointer, folders, nullptr);
    const QStringList whole{t.root + '/', t.root + "/only/"};
    QCOMPARE(items(folders), QStringList{t.root + "/only/"} + whole + whole);
}

void TestFolderWalk::cancelledPickerChangesNothing() {
    TestSettings settings;
    ScriptedUi ui;
    ListView folders;
    folders.Add("kept");
    MousePointer pointer;
    int changes = 0;
    pointer.onChange = [&](int) { ++changes; };
    AddFoldersAndSubfolders(ui, pointer, folders, nullptr);
    QCOMPARE(items(folders), QStringList{"kept"});
    QCOMPARE(changes, 0);
    QCOMPARE(ui.folderDialogs.value(0).text, QString()); // no stored folder: no start
}

void TestFolderWalk::refusedNamesDropTheirSubtreeOthersPass() {
    Tree t;
    const QString invalid = DecodeFileName(QByteArray("bytes\xff\xfe"));
    const QStringList passing{"what?", QString::fromUtf8("€ – été"), QString::fromUtf8("写真"),
                              invalid, QChar(0xFEFF) + QString("mark")};
    const QStringList refused{"two\nlines", "del" + QString(QChar(127)),
                              "c1" + QString(QChar(0x85))};
    for (const QString& n : passing + refused)
        makeFolders(t.root, {n, n + "/inner"});
    ScriptedUi ui;
    QStringList dirs{t.root + '/'};
    GetSubDirectories2016(dirs, true, ui);
    for (const QString& n : passing) {
        QVERIFY2(dirs.contains(t.root + '/' + n + "/inner/"), qPrintable(DisplayFileName(n)));
        QVERIFY(IsFolder(t.root + '/' + n + "/inner/"));
    }
    for (const QString& n : refused)
        for (const QString& e : dirs)
            QVERIFY2(!e.contains(n), qPrintable(e));
    QCOMPARE(dirs.size(), 1 + 2 * passing.size());
    // Left out, but told, with the control characters drawn visibly.
    QCOMPARE(ui.boxes.size(), 1);
    const QString told = ui.boxes[0].text;
    QVERIFY2(told.startsWith("3 folders could not be read:"), qPrintable(told));
    QVERIFY2(
        told.contains(t.root + "/two" + QChar(0x240A) + "lines/: Name holds a control character"),
        qPrintable(told));
}

void TestFolderWalk::rootFolderEntriesHaveSingleSeparators() {
    ScriptedUi ui;
    QStringList dirs{"//"};
    GetSubDirectories2016(dirs, false, ui);
    QVERIFY(dirs.size() > 1);
    QCOMPARE(NormalizeBackslashes(dirs[0]), QString("/"));
    QVERIFY(dirs.contains("//tmp/"));
    for (const QString& e : dirs.mid(1)) {
        const QString item = NormalizeBackslashes(e);
        QVERIFY2(item.startsWith('/') && !item.startsWith("//") && item.endsWith('/') &&
                     item.count('/') == 2,
                 qPrintable(item));
    }
}

void TestFolderWalk::linksLeadToEachRealFolderOnce_data() {
    // Below a temporary folder holding the chosen folder R and a folder O
    // outside it: the folders, the links ("where=>target", targets relative
    // to the temporary folder unless absolute, "." for the link's own
    // folder), the folder chosen, and the walk expected.
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("into the tree, up to it, to itself, dangling")
        << QStringList{"R/A", "R/A/child", "R/B"}
        << QStringList{"R/A/up=>R", "R/A/self=>.",      "R/B/toA=>R/A", "R/0toB=>R/B",
                       "R/home=>.", "R/dangling=>R/no", "R/root=>/"}
        << "R" << QStringList{"R/", "R/A/", "R/B/", "R/A/child/"};
    QTest::newRow("started below a link's target")
        << QStringList{"R/A", "R/A/child"} << QStringList{"R/A/up=>R", "R/A/self=>."} << "R/A"
        << QStringList{"R/A/", "R/A/child/"};
    QTest::newRow("out of the tree, followed once, first in the walk's order")
        << QStringList{"R/A", "R/B", "O", "O/X", "O/X/Y"}
        << QStringList{"R/A/out=>O/X", "R/B/out=>O/X", "R/B/deep=>O/X/Y", "O/X/back=>R/A"} << "R"
        << QStringList{"R/", "R/A/", "R/B/", "R/A/out/", "R/B/deep/"};
    QStringList mesh;
    QStringList meshWalk{"R/"};
    for (int i = 1; i <= 8; ++i) {
        meshWalk << QString("R/s%1/").arg(i);
        for (int j = 1; j <= 8; ++j) {
            if (i != j)
                mesh << QString("R/s%1/to%2=>R/s%2").arg(i).arg(j);
        }
    }
    QTest::newRow("a mesh of eight folders linking each other")
        << QStringList{"R/s1", "R/s2", "R/s3", "R/s4", "R/s5", "R/s6", "R/s7", "R/s8"} << mesh
        << "R" << meshWalk;
    QStringList chainFolders{"O"};
    QStringList chain{"R/start=>O/c1"};
    QStringList chainWalk{"R/", "R/start/"};
    for (int i = 1; i <= 15; ++i) {
        chainFolders << QString("O/c%1").arg(i);
        for (int l = 1; l <= 3 && i < 15; ++l)
            chain << QString("O/c%1/l%2=>O/c%3").arg(i).arg(l).arg(i + 1);
        if (i < 15)
            chainWalk << chainWalk.last() + "l1/";
    }
    QTest::newRow("a chain of fifteen folders, three links each to the next")
        << chainFolders << chain << "R" << chainWalk;
}

void TestFolderWalk::linksLeadToEachRealFolderOnce() {
    QFETCH(QStringList, folders);
    QFETCH(QStringList, links);
    QFETCH(QString, start);
    QFETCH(QStringList, expected);
    Tree t;
    const QString base = t.dir.path() + '/';
    makeFolders(t.dir.path(), folders);
    for (const QString& link : links) {
        const QString where = link.section("=>", 0, 0);
        const QString target = link.section("=>", 1);
        const QString path = target == "." || target.startsWith('/') ? target : base + target;
        QVERIFY2(QFile::link(path, base + where), qPrintable(link));
    }
    ScriptedUi ui;
    QStringList dirs{base + start + '/'};
    GetSubDirectories2016(dirs, true, ui);
    for (QString& e : dirs)
        e.remove(0, base.size());
    QCOMPARE(dirs, expected);
    QVERIFY(ui.boxes.isEmpty());
}

void TestFolderWalk::deepTreesAndPathsBeyondTheLimitAreRead() {
    Tree t;
    // 200 levels, all listed in order.
    QString path = t.root;
    QStringList expected{t.root + '/'};
    for (int i = 0; i < 200; ++i) {
        path += "/d";
        QVERIFY(::mkdir(EncodeFileName(path).constData(), 0755) == 0);
        expected.append(path + '/');
    }
    ScriptedUi ui;
    QStringList dirs{t.root + '/'};
    GetSubDirectories2016(dirs, true, ui);
    QCOMPARE(dirs, expected);

    // A chain longer than the path limit, made relative to each parent.
    const QString longRoot = t.dir.path() + "/L";
    QDir().mkpath(longRoot);
    int fd = ::open(EncodeFileName(longRoot).constData(), O_RDONLY | O_DIRECTORY);
    const QByteArray name(200, 'n');
    for (int i = 0; i < 30 && fd >= 0; ++i) {
        QVERIFY(::mkdirat(fd, name.constData(), 0755) == 0);
        const int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ::close(fd);
    QStringList longDirs{longRoot + '/'};
    GetSubDirectories2016(longDirs, true, ui);
    QVERIFY(ui.boxes.isEmpty());
    QCOMPARE(longDirs.size(), 31);
    QVERIFY(EncodeFileName(longDirs.last()).size() > MaxPathLength());
    QVERIFY(IsFolder(longDirs.last()));
    QProcess::execute("rm", {"-rf", longRoot});
}

void TestFolderWalk::folderRemovedDuringWalkIsLeftOutAndTold() {
    Tree t;
    makeFolders(t.root, {"A", "A/A1", "B", "B/B1"});
    ScriptedUi ui;
    // Yield 1 opens the top, yields 2 and 3 read its two names: B is listed,
    // then goes before it is read.
    ui.atYield(3, [&] { QDir(t.root + "/B").removeRecursively(); });
    QStringList dirs{t.root + '/'};
    GetSubDirectories2016(dirs, true, ui);
    QCOMPARE(dirs, (QStringList{t.root + '/', t.root + "/A/", t.root + "/A/A1/"}));
    QCOMPARE(ui.boxes.size(), 1);
    QCOMPARE(ui.boxes[0].text.section('\r', 0, 2),
             "1 folder could not be read:\r\r" + t.root + "/B/: Path not found");
}

void TestFolderWalk::deniedFoldersOnOneLevelAreLeftOutAndTold() {
    Tree t;
    makeFolders(t.root, {"A", "A/A1", "B", "B/B1", "C", "C/C1", "D", "D/D1", "D/D2", "D/D2/x", "E",
                         "E/E1"});
    for (const char* denied : {"A", "C", "D/D2"})
        ::chmod(EncodeFileName(t.root + '/' + denied).constData(), 0);
    ::chmod(EncodeFileName(t.root + "/E").constData(), 0444); // listable, not enterable
    const QStringList out = runUnprivileged({"walk", t.root + '/'});
    // A, C and D/D2 can't be opened; E/E1 can't be examined in E.
    QVERIFY2(out.contains("BOXES 1") && out.last() == "BOX 4 folders could not be read:",
             qPrintable(out.join('|')));
    QStringList walk = out.mid(0, out.size() - 2);
    QStringList sorted = walk;
    sorted.sort();
    const QString r = t.root;
    QCOMPARE(sorted,
             (QStringList{r + '/', r + "/B/", r + "/B/B1/", r + "/D/", r + "/D/D1/", r + "/E/"}));
    QCOMPARE(walk.first(), r + '/');
    QVERIFY(walk.indexOf(r + "/D/D1/") > walk.indexOf(r + "/E/")); // level by level
    for (const char* denied : {"A", "C", "D/D2"})
        ::chmod(EncodeFileName(t.root + '/' + denied).constData(), 0755);
}

void TestFolderWalk::foldersThatFailAreToldInOneMessage() {
    Tree t;
    QStringList dirs;
    for (int i = 0; i < 12; ++i) {
        makeFolders(t.root, {QString("f%1").arg(i, 2, 10, QChar('0'))});
        dirs.append(t.root + QString("/f%1/").arg(i, 2, 10, QChar('0')));
    }
    // No descriptor left: every folder fails to open with a reason the walk
    // does not handle quietly.
    rlimit old{};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &old), 0);
    const int lowest = ::dup(0);
    ::close(lowest);
    rlimit low = old;
    low.rlim_cur = rlim_t(lowest);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
    ScriptedUi ui;
    QStringList walked = dirs;
    GetSubDirectories2016(walked, true, ui);
    ::setrlimit(RLIMIT_NOFILE, &old);
    QCOMPARE(walked, dirs);
    QCOMPARE(ui.boxes.size(), 1);
    QCOMPARE(ui.boxes[0].title, QString("Folders Not Read"));
    const QStringList lines = ui.boxes[0].text.split('\r');
    QCOMPARE(lines.value(0), QString("12 folders could not be read; the first 10:"));
    QCOMPARE(lines.size(), 2 + 10 + 2);
    for (int i = 0; i < 10; ++i)
        QVERIFY2(lines[2 + i].startsWith(dirs[i] + ": Device I/O error"), qPrintable(lines[2 + i]));
}

void TestFolderWalk::chosenFolderThatDeniesListingAddsNothingAndTellsIt() {
    Tree t;
    makeFolders(t.root, {"inside"});
    ::chmod(EncodeFileName(t.root).constData(), 0311); // enterable, not listable
    const QStringList out = runUnprivileged({"add", t.root});
    ::chmod(EncodeFileName(t.root).constData(), 0755);
    QCOMPARE(out, (QStringList{"BOXES 1", "BOX 1 folder could not be read:"}));
}

void TestFolderWalk::reentryAtAYieldKeepsBothRuns() {
    TestSettings settings;
    Tree t;
    makeFolders(t.root, {"A", "B", "A/A1", "B/B1"});
    const QStringList walk = expectedWalk(t.root);

    // "Clear List" in the middle empties what was there; the walk still lands.
    {
        ScriptedUi ui;
        ListView folders;
        MousePointer pointer;
        folders.Add("old");
        ui.folderAnswers.push_back(t.root);
        ui.atYield(4, [&] { folders.Clear(); });
        AddFoldersAndSubfolders(ui, pointer, folders, nullptr);
        QCOMPARE(items(folders), walk);
    }
    // The same command again: a complete nested walk, then the outer one.
    {
        ScriptedUi ui;
        ListView folders;
        MousePointer pointer;
        ui.folderAnswers = {t.root, t.root + "/A"};
        ui.atYield(4, [&] { AddFoldersAndSubfolders(ui, pointer, folders, nullptr); });
        AddFoldersAndSubfolders(ui, pointer, folders, nullptr);
        QCOMPARE(items(folders), QStringList({t.root + "/A/", t.root + "/A/A1/"}) + walk);
        QVERIFY(!pointer.isBusy());
        QVERIFY(ui.boxes.isEmpty());
    }
}

int main(int argc, char* argv[]) {
    if (argc >= 4 && QByteArray(argv[1]) == "--helper")
        return helperMain(argc, argv);
    QApplication app(argc, argv);
    TestFolderWalk test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_folderwalk.moc"
