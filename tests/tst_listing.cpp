// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/Paths.h"
#include "window/ListView.h"
#include "core/MousePointer.h"
#include "listing/CreateList.h"
#include "listing/RemoveEntries.h"
#include "support/ReadAheadHelpers.h"
#include "support/ScriptedUi.h"
#include "support/Unprivileged.h"

#include <QProcess>
#include <QtTest>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

void touch(const QString& path) {
    const int fd = ::open(EncodeFileName(path).constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY2(fd >= 0, qPrintable(path));
    ::close(fd);
}

void makeFolder(const QString& path) {
    QVERIFY(QDir().mkpath(path));
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

QStringList itemsOf(const ListView& list) {
    QStringList items;
    for (int i = 1; i <= list.Count(); ++i)
        items.append(list.Item(i));
    return items;
}

void fill(ListView& list, const QStringList& items) {
    for (const QString& item : items)
        list.Add(item);
}

// One run of "2. Start Creating List" over the given folder entries.
struct Run {
    ScriptedUi ui;
    ListView folders;
    ListView results;
    QString filter = AllFilesFilter;
    bool creatingList = false;
    int filterReads = 0;

    void start() {
        CreateFileList(
            ui, folders, results,
            [this] {
                ++filterReads;
                return filter;
            },
            creatingList);
    }
};

} // namespace

class TestListing : public QObject {
    Q_OBJECT
  private slots:
    void extensionFollowsTheLastDotOfThePath_data();
    void extensionFollowsTheLastDotOfThePath();
    void filterKeepsOnlyMatchingExtensions_data();
    void filterKeepsOnlyMatchingExtensions();
    void dotlessNameTakesTheFolderDotAsExtension();
    void listsRegularFilesDirectlyInsideOnly();
    void unreadableFileStillCounts();
    void folderWithAndWithoutSeparatorAlike();
    void rootFolderListsSlashName();
    void oddFileNamesSurviveTheRoundTrip();
    void twoPressesAndDoubledFoldersListTwice();
    void emptyFolderListOnlyShowsMessage();
    void missingOrEmptyFolderAddsNothingSilently_data();
    void missingOrEmptyFolderAddsNothingSilently();
    void patternFiltersNames();
    void filterIsReadAgainForEveryName();
    void pressDuringRunDoesNothing();
    void folderEntriesChangedDuringRunAreStillScanned_data();
    void folderEntriesChangedDuringRunAreStillScanned();
    void failureIsReportedAndRunGoesOn();
    void unreadableFoldersAreToldOnceAndRunGoesOn();
    void filterHelpTextIsExact();

    void pruneByText_data();
    void pruneByText();
    void emptyAnswerChangesNothing();
    void busyPointerDuringPruneOnly();
    void clearDuringPruneRemovesNoNewEntry();
    void deleteDuringPruneRemovesOnlyMarkedEntries();
    void appendDuringPruneKeepsAppendedEntry();
    void pruneDuringPruneRemovesNothingElse();
};

void TestListing::extensionFollowsTheLastDotOfThePath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("plain") << "/d/a.txt"
                           << "txt";
    QTest::newRow("two dots") << "/d/archive.tar.gz"
                              << "gz";
    QTest::newRow("ends in dot") << "/d/name."
                                 << "";
    QTest::newRow("no dot") << "/d/README"
                            << "/d/README";
    QTest::newRow("dot in folder") << "/my.docs/README"
                                   << "docs/README";
    QTest::newRow("only dot first") << ".profile"
                                    << ".profile";
    QTest::newRow("dot second") << "a.b"
                                << "b";
}

void TestListing::extensionFollowsTheLastDotOfThePath() {
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QCOMPARE(GetFileExtension(path), extension);
}

void TestListing::filterKeepsOnlyMatchingExtensions_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("names"); // in name order
    const QStringList all{"a.txt",    "archive.tar.gz", "B.TXT", "dot.",
                          "page.htm", "README",         "x.σ",   "Ärger.ÄBC"};
    QTest::newRow("star") << "*" << all;
    QTest::newRow("txt") << "txt" << QStringList{"a.txt", "B.TXT"};
    QTest::newRow("TXT") << "TXT" << QStringList{"a.txt", "B.TXT"};
    QTest::newRow("dot txt") << ".txt" << QStringList{};
    QTest::newRow("star dot txt") << "*.txt" << QStringList{};
    QTest::newRow("gz") << "gz" << QStringList{"archive.tar.gz"};
    QTest::newRow("tar.gz") << "tar.gz" << QStringList{};
    QTest::newRow("empty") << "" << QStringList{"dot."};
    QTest::newRow("blank before") << " txt" << QStringList{};
    QTest::newRow("star star") << "**" << QStringList{};
    QTest::newRow("non-ASCII") << "äbc" << QStringList{"Ärger.ÄBC"};
    QTest::newRow("Greek capital") << "Σ" << QStringList{"x.σ"};
    QTest::newRow("very long") << QString(5000, QLatin1Char('t')) << QStringList{};
}

void TestListing::filterKeepsOnlyMatchingExtensions() {
    QFETCH(QString, filter);
    QFETCH(QStringList, names);
    QTemporaryDir dir;
    for (const char* name :
         {"a.txt", "B.TXT", "archive.tar.gz", "README", "dot.", "page.htm", "Ärger.ÄBC", "x.σ"})
        touch(dir.path() + "/" + QString::fromUtf8(name));
    Run run;
    run.filter = filter;
    run.folders.Add(dir.path() + "/");
    run.start();
    QStringList expected;
    for (const QString& name : names)
        expected.append(dir.path() + "/" + name);
    QCOMPARE(itemsOf(run.results), expected);
    QVERIFY(run.ui.boxes.isEmpty());
}

void TestListing::dotlessNameTakesTheFolderDotAsExtension() {
    QTemporaryDir dir;
    makeFolder(dir.path() + "/my.docs");
    touch(dir.path() + "/my.docs/README");
    Run run;
    run.folders.Add(dir.path() + "/my.docs/");
    for (const QString filter : {"docs", "", "README"}) {
        run.filter = filter;
        run.start();
    }
    QCOMPARE(run.results.Count(), 0);
    run.filter = "DOCS/readme";
    run.start();
    QCOMPARE(itemsOf(run.results), QStringList{dir.path() + "/my.docs/README"});
}

void TestListing::listsRegularFilesDirectlyInsideOnly() {
    QTemporaryDir dir;
    const QString d = dir.path();
    touch(d + "/plain.txt");
    touch(d + "/.hidden");
    touch(d + "/~lock.txt");
    touch(d + "/a~tilde");
    makeFolder(d + "/sub");
    touch(d + "/sub/inner.txt");
    makeFolder(d + "/.hiddenfolder");
    QVERIFY(QFile::link(d + "/plain.txt", d + "/link-to-file"));
    QVERIFY(QFile::link(d + "/sub", d + "/link-to-folder"));
    QVERIFY(QFile::link(d + "/nowhere", d + "/broken-link"));
    QCOMPARE(::mkfifo(EncodeFileName(d + "/pipe").constData(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = EncodeFileName(d + "/socket");
    QVERIFY(size_t(socketPath.size()) < sizeof(address.sun_path));
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    QCOMPARE(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);

    Run run;
    run.folders.Add(d + "/");
    run.start();
    ::close(sock);
    QCOMPARE(sorted(itemsOf(run.results)),
             sorted({d + "/plain.txt", d + "/.hidden", d + "/a~tilde", d + "/link-to-file"}));
    QVERIFY(IsExistingFile(d + "/link-to-file"));
    QVERIFY(!IsExistingFile(d + "/link-to-folder"));
    QVERIFY(!IsExistingFile(d + "/broken-link"));
    QVERIFY(!IsExistingFile(d + "/socket"));
    QVERIFY(!IsExistingFile(d + "/sub"));
    QVERIFY(!IsExistingFile(QString()));
}

void TestListing::unreadableFileStillCounts() {
    QTemporaryDir dir;
    const QString path = dir.path() + "/secret.txt";
    touch(path);
    QVERIFY(QFile::setPermissions(path, QFile::Permissions()));
    QVERIFY(IsExistingFile(path));
    QCOMPARE(GetFilesInFolder(dir.path(), "*.*"), QStringList{"secret.txt"});
}

void TestListing::folderWithAndWithoutSeparatorAlike() {
    QTemporaryDir dir;
    makeFolder(dir.path() + "/Data");
    touch(dir.path() + "/Data/name");
    Run run;
    run.folders.Add(dir.path() + "/Data");
    run.folders.Add(dir.path() + "/Data/");
    run.start();
    const QString expected = dir.path() + "/Data/name";
    QCOMPARE(itemsOf(run.results), QStringList({expected, expected}));
}

void TestListing::rootFolderListsSlashName() {
    QStringList expected;
    for (const QFileInfo& info :
         QDir("/").entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (info.isFile() && !info.fileName().startsWith('~'))
            expected.append("/" + info.fileName());
    }
    Run run;
    run.folders.Add("/");
    run.start();
    QCOMPARE(sorted(itemsOf(run.results)), sorted(expected));
    for (const QString& path : itemsOf(run.results))
        QVERIFY2(!path.startsWith("//"), qPrintable(path));
}

void TestListing::oddFileNamesSurviveTheRoundTrip() {
    QTemporaryDir dir;
    const QByteArray folder = EncodeFileName(dir.path());
    const QList<QByteArray> names{"bad\xff\xfe.txt", "line\nbreak.txt", "tab\tand blank .txt",
                                  "\xc3\xa9t\xc3\xa9.txt"};
    QStringList expected;
    for (const QByteArray& name : names) {
        const QByteArray path = folder + "/" + name;
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        expected.append(DecodeFileName(path));
    }
    Run run;
    run.filter = "TXT";
    run.folders.Add(dir.path());
    run.start();
    QCOMPARE(sorted(itemsOf(run.results)), sorted(expected));
    for (const QString& path : itemsOf(run.results))
        QVERIFY(IsExistingFile(path));
    QVERIFY(itemsOf(run.results).contains(dir.path() + "/été.txt"));
    // The temporary folder can't remove names that aren't UTF-8 by itself.
    for (const QByteArray& name : names)
        ::unlink((folder + "/" + name).constData());
}

void TestListing::twoPressesAndDoubledFoldersListTwice() {
    QTemporaryDir dir;
    touch(dir.path() + "/one.txt");
    Run run;
    run.results.Add("already there");
    run.folders.Add(dir.path());
    run.start();
    run.start();
    const QString one = dir.path() + "/one.txt";
    QCOMPARE(itemsOf(run.results), QStringList({"already there", one, one}));
    QVERIFY(!run.creatingList);
}

void TestListing::emptyFolderListOnlyShowsMessage() {
    Run run;
    run.results.Add("kept");
    run.start();
    QCOMPARE(run.ui.boxes.size(), 1);
    QCOMPARE(run.ui.boxes[0].text, QString("No folders added."));
    QCOMPARE(run.ui.boxes[0].title, AppTitle());
    QCOMPARE(itemsOf(run.results), QStringList{"kept"});
    QVERIFY(!run.creatingList);
}

void TestListing::missingOrEmptyFolderAddsNothingSilently_data() {
    // Helpers reading the folders ahead meet the entries that name no folder
    // too; the run passes them by as it does alone.
    QTest::addColumn<int>("helpers");
    QTest::newRow("read by the run alone") << 0;
    QTest::newRow("one helper reading ahead") << 1;
    QTest::newRow("four helpers reading ahead") << 4;
}

void TestListing::missingOrEmptyFolderAddsNothingSilently() {
    QFETCH(int, helpers);
    const ReadAheadHelpers pool(helpers);
    QTemporaryDir dir;
    makeFolder(dir.path() + "/empty");
    touch(dir.path() + "/plain-file");
    makeFolder(dir.path() + "/full");
    touch(dir.path() + "/full/x.txt");
    Run run;
    // An empty entry (an empty line of a list file) names no folder at all.
    fill(run.folders, {dir.path() + "/missing/", dir.path() + "/empty/", dir.path() + "/plain-file",
                       "", dir.path() + "/full/", dir.path() + "/missing/", dir.path() + "/full"});
    run.start();
    QVERIFY(run.ui.boxes.isEmpty());
    QCOMPARE(itemsOf(run.results),
             QStringList({dir.path() + "/full/x.txt", dir.path() + "/full/x.txt"}));
    QCOMPARE(GetFilesInFolder(dir.path() + "/missing", "*.*"), QStringList());
}

void TestListing::patternFiltersNames() {
    QTemporaryDir dir;
    for (const char* name : {"a.txt", "b.log", "README"})
        touch(dir.path() + "/" + name);
    QCOMPARE(sorted(GetFilesInFolder(dir.path() + "/", "*.*")),
             QStringList({"README", "a.txt", "b.log"}));
    QCOMPARE(GetFilesInFolder(dir.path(), "*.txt"), QStringList{"a.txt"});
}

void TestListing::filterIsReadAgainForEveryName() {
    QTemporaryDir dir;
    for (const char* name : {"1.txt", "2.txt", "3.txt", "~skip.txt"})
        touch(dir.path() + "/" + name);
    Run run;
    run.folders.Add(dir.path());
    // Yield 1 comes before the folder, yield 2 before its first name, yield 3
    // before the second: from there on the filter matches nothing.
    run.ui.atYield(3, [&] { run.filter = "none"; });
    run.start();
    QCOMPARE(run.ui.yields, 5);
    QCOMPARE(run.filterReads, 3);
    QCOMPARE(itemsOf(run.results), QStringList{dir.path() + "/1.txt"});
}

void TestListing::pressDuringRunDoesNothing() {
    QTemporaryDir dir;
    for (const char* name : {"a", "b", "c"})
        touch(dir.path() + "/" + name);
    Run run;
    run.folders.Add(dir.path());
    run.folders.Add(dir.path());
    int pressesDuringRun = 0;
    for (int n : {1, 2, 5, 6})
        run.ui.atYield(n, [&] {
            QVERIFY(run.creatingList);
            run.start();
            ++pressesDuringRun;
        });
    run.start();
    QCOMPARE(pressesDuringRun, 4);
    QCOMPARE(run.results.Count(), 6);
    QVERIFY(run.ui.boxes.isEmpty());
    QVERIFY(!run.creatingList);
    run.start();
    QCOMPARE(run.results.Count(), 12);
}

void TestListing::folderEntriesChangedDuringRunAreStillScanned_data() {
    // While the files of A are listed (at yield 2), the folder list or the
    // folders B and C change; helpers reading ahead may have read B and C
    // by then (they are given time to). The run lists each folder as it is
    // when it gets there, as the run that reads alone does.
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("helpers");
    QTest::addColumn<QStringList>("expected"); // below the temporary folder
    const QStringList all{"/A/f", "/B/f", "/C/f"};
    // Removing the first entry used to shift the second one to the place
    // just passed; clearing the list used to fail.
    QTest::newRow("first entry removed") << "remove entry" << 0 << all;
    QTest::newRow("list cleared") << "clear" << 0 << all;
    QTest::newRow("list cleared, four helpers") << "clear" << 4 << all;
    QTest::newRow("a file added after one helper read its folder")
        << "add file" << 1 << QStringList{"/A/f", "/B/f", "/B/g", "/C/f"};
    QTest::newRow("a file added after one of four helpers read its folder")
        << "add file" << 4 << QStringList{"/A/f", "/B/f", "/B/g", "/C/f"};
    QTest::newRow("a folder removed after one of four helpers read it")
        << "remove folder" << 4 << QStringList{"/A/f", "/B/f"};
}

void TestListing::folderEntriesChangedDuringRunAreStillScanned() {
    QFETCH(QString, change);
    QFETCH(int, helpers);
    QFETCH(QStringList, expected);
    const auto list = [&](int readers, QStringList& boxes) {
        const ReadAheadHelpers pool(readers);
        QTemporaryDir dir;
        QStringList folders;
        for (const char* name : {"A", "B", "C"}) {
            makeFolder(dir.path() + "/" + name);
            touch(dir.path() + "/" + name + "/f");
            folders.append(dir.path() + "/" + name + "/");
        }
        Run run;
        fill(run.folders, folders);
        run.ui.atYield(2, [&] {
            if (change == "remove entry") {
                run.folders.Remove(1);
                return;
            }
            if (change == "clear") {
                run.folders.Clear();
                return;
            }
            // A helper reads a folder in microseconds; the times of a change
            // differ by a clock tick.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (change == "add file")
                touch(dir.path() + "/B/g");
            else
                QDir(dir.path() + "/C").removeRecursively();
        });
        run.start();
        for (const ScriptedUi::Box& box : run.ui.boxes)
            boxes.append(box.text);
        QStringList results = itemsOf(run.results);
        for (QString& r : results)
            r.remove(0, dir.path().size());
        return results;
    };
    QStringList boxes, aloneBoxes;
    const QStringList results = list(helpers, boxes);
    QCOMPARE(results, list(0, aloneBoxes));
    QCOMPARE(results, expected);
    QVERIFY(boxes.isEmpty());
    QVERIFY(aloneBoxes.isEmpty());
}

void TestListing::failureIsReportedAndRunGoesOn() {
    QTemporaryDir dir;
    makeFolder(dir.path() + "/A");
    makeFolder(dir.path() + "/B");
    touch(dir.path() + "/A/a");
    touch(dir.path() + "/B/b");
    ScriptedUi ui;
    ListView folders, results;
    fill(folders, {dir.path() + "/A", dir.path() + "/B"});
    bool creatingList = false;
    bool failed = false;
    CreateFileList(
        ui, folders, results,
        [&]() -> QString {
            if (!failed) {
                failed = true;
                throw AppError::typeMismatch();
            }
            return "*";
        },
        creatingList);
    QCOMPARE(ui.boxes.size(), 1);
    QVERIFY(ui.boxes[0].text.startsWith("Type mismatch\r\n" + CreateListLocation + "at line "));
    QCOMPARE(ui.boxes[0].title, QString("Application Error"));
    QCOMPARE(itemsOf(results), QStringList{dir.path() + "/B/b"});
    QVERIFY(!creatingList);
}

void TestListing::unreadableFoldersAreToldOnceAndRunGoesOn() {
    // Root reads every folder, so this part runs as an unprivileged user.
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7555)));
    QStringList arguments{"--list-as-helper"};
    for (int i = 0; i < 12; ++i) {
        const QString locked = dir.path() + QString("/locked%1").arg(i, 2, 10, QChar('0'));
        makeFolder(locked);
        touch(locked + "/hidden-away");
        QCOMPARE(::chmod(EncodeFileName(locked).constData(), 0), 0);
        arguments << locked + "/";
        if (i == 5)
            arguments << dir.path() + "/open/";
    }
    makeFolder(dir.path() + "/open");
    touch(dir.path() + "/open/visible");

    QProcess helper;
    StartUnprivileged(helper, QCoreApplication::applicationFilePath(), arguments);
    QVERIFY(helper.waitForFinished(60000));
    QCOMPARE(helper.exitCode(), 0);
    const QStringList lines =
        QString::fromUtf8(helper.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QStringList told{"B Folders Not Read", "12 folders could not be read; the first 10:", ""};
    for (int i = 0; i < 10; ++i)
        told << dir.path() + QString("/locked%1/: Permission denied").arg(i, 2, 10, QChar('0'));
    told << ""
         << "Their files are not in the list of files.";
    QCOMPARE(lines[0], told.join('|'));
    QCOMPARE(lines[1], "R " + dir.path() + "/open/visible");
    QCOMPARE(lines[2], QString("F 0"));
    QProcess::execute("chmod", {"-R", "u+rwx", dir.path()});
}

void TestListing::filterHelpTextIsExact() {
    ScriptedUi ui;
    ShowFilterHelp(ui);
    QCOMPARE(ui.boxes.size(), 1);
    QCOMPARE(ui.boxes[0].text, QString("Only get files with the specified file extension.\r\r"
                                       "* for all files\rtxt for all txt files\r"
                                       "htm for all htm files\retc."));
    QCOMPARE(ui.boxes[0].title, AppTitle());
}

// --- Pruning ---------------------------------------------------------------

void TestListing::pruneByText_data() {
    QTest::addColumn<bool>("containing");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("left");
    const QStringList paths{"/Data/a.txt", "/x/metadata.doc", "/x/b.txt"};
    for (const QString answer : {"DATA", "Data", "data"})
        QTest::addRow("containing %s", qPrintable(answer))
            << true << answer << paths << QStringList{"/x/b.txt"};
    QTest::newRow("not containing, in every entry") << false << "/" << paths << paths;
    QTest::newRow("not containing, in none") << false << "zzz" << paths << QStringList{};
    QTest::newRow("not containing keeps matches")
        << false << "TXT" << paths << QStringList{"/Data/a.txt", "/x/b.txt"};
    QTest::newRow("containing, in none") << true << "zzz" << paths << paths;
    QTest::newRow("blank kept") << true << " b" << QStringList{"/a b.txt", "/ab.txt", "/b .txt"}
                                << QStringList{"/ab.txt", "/b .txt"};
    QTest::newRow("trailing blank")
        << true << "b " << QStringList{"/a b.txt", "/b .txt"} << QStringList{"/a b.txt"};
    QTest::newRow("adjacent marks")
        << true << "x" << QStringList{"1", "x2", "X3", "x4", "5"} << QStringList{"1", "5"};
    QTest::newRow("regex characters")
        << true << ".*" << QStringList{"/a.txt", "/b.*", "/c*"} << QStringList{"/a.txt", "/c*"};
    QTest::newRow("brackets") << true << "[a]" << QStringList{"/a", "/[A]"} << QStringList{"/a"};
    QTest::newRow("non-ASCII") << true << "ÄRGER" << QStringList{"/x/ärger.txt", "/x/arger.txt"}
                               << QStringList{"/x/arger.txt"};
    QTest::newRow("sharp s") << true << "STRASSE" << QStringList{"/Straße", "/strasse"}
                             << QStringList{"/Straße"};
    QTest::newRow("long entries") << true << "needle"
                                  << QStringList{QString(3000, 'a') + "NEEDLE", QString(3000, 'b'),
                                                 "é" + QString(900, 'c')}
                                  << QStringList{QString(3000, 'b'), "é" + QString(900, 'c')};
    QTest::newRow("duplicates") << true << "a" << QStringList{"a", "b", "a"} << QStringList{"b"};
    QTest::newRow("file names with odd bytes")
        << true << "bad" << QStringList{DecodeFileName(QByteArray("/bad\xff")), "/ok\nline"}
        << QStringList{"/ok\nline"};
}

void TestListing::pruneByText() {
    QFETCH(bool, containing);
    QFETCH(QString, answer);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, left);
    // The same rule on either list: one list stands for the results, the other
    // for the folders, and each command leaves the other list alone.
    ScriptedUi ui;
    MousePointer pointer;
    ListView target, other;
    fill(target, entries);
    fill(other, entries);
    ui.inputAnswers.push_back(answer);
    RemoveEntriesCommand(ui, pointer, target, containing,
                         containing ? PushButton4Location : PushButton10Location);
    QCOMPARE(itemsOf(target), left);
    QCOMPARE(itemsOf(other), entries);
    QCOMPARE(ui.prompts.size(), 1);
    QCOMPARE(ui.prompts[0].text, containing ? QString("Remove entries containing: ")
                                            : QString("Remove entries not containing: "));
    QCOMPARE(ui.prompts[0].title, AppTitle());
    QVERIFY(ui.boxes.isEmpty());
    QCOMPARE(ui.yields, int(entries.size()));
}

void TestListing::emptyAnswerChangesNothing() {
    for (const bool containing : {true, false}) {
        ScriptedUi ui; // no answer queued: Cancel
        MousePointer pointer;
        QList<int> shapes;
        pointer.onChange = [&](int shape) { shapes.append(shape); };
        ListView list;
        fill(list, {"a", "b"});
        RemoveEntriesCommand(ui, pointer, list, containing, PushButton13Location);
        QCOMPARE(itemsOf(list), QStringList({"a", "b"}));
        QVERIFY(shapes.isEmpty());
        QVERIFY(ui.boxes.isEmpty());
    }
}

void TestListing::busyPointerDuringPruneOnly() {
    ScriptedUi ui;
    MousePointer pointer;
    ListView list;
    fill(list, {"a", "b"});
    ui.inputAnswers.push_back("a");
    bool busyDuringScan = false;
    ui.atYield(2, [&] { busyDuringScan = pointer.isBusy(); });
    RemoveEntriesCommand(ui, pointer, list, false, PushButton14Location);
    QVERIFY(busyDuringScan);
    QCOMPARE(pointer.shape(), int(MousePointer::Default));
    QCOMPARE(itemsOf(list), QStringList{"a"});
}

void TestListing::clearDuringPruneRemovesNoNewEntry() {
    ScriptedUi ui;
    ListView list;
    fill(list, {"a.txt", "b.log", "c.txt"});
    ui.atYield(2, [&] {
        list.Clear();
        fill(list, {"new.log", "other.txt", "more.log"});
    });
    RemoveEntriesContaining(list, "TXT", ui);
    QCOMPARE(itemsOf(list), QStringList({"new.log", "other.txt", "more.log"}));
}

void TestListing::deleteDuringPruneRemovesOnlyMarkedEntries() {
    // Marks by position would name "keep3" and a row past the end after the
    // first entry was deleted.
    ScriptedUi ui;
    ListView list;
    fill(list, {"keep1", "drop2", "keep3", "drop4"});
    ui.atYield(3, [&] { list.Remove(1); });
    RemoveEntriesContaining(list, "drop", ui);
    QCOMPARE(itemsOf(list), QStringList({"keep3"}));
    QVERIFY(ui.boxes.isEmpty());
}

void TestListing::appendDuringPruneKeepsAppendedEntry() {
    ScriptedUi ui;
    ListView list;
    fill(list, {"a.txt", "b.log"});
    ui.atYield(1, [&] { list.Add("c.txt"); });
    RemoveEntriesContaining(list, "txt", ui);
    QCOMPARE(itemsOf(list), QStringList({"b.log", "c.txt"}));
}

void TestListing::pruneDuringPruneRemovesNothingElse() {
    ScriptedUi ui;
    MousePointer pointer;
    ListView list;
    fill(list, {"a1", "b1", "a2", "b2", "c"});
    ui.inputAnswers = {"a", "b"};
    ui.atYield(2, [&] {
        RemoveEntriesCommand(ui, pointer, list, true, PushButton4Location); // removes b1, b2
    });
    RemoveEntriesCommand(ui, pointer, list, true, PushButton4Location); // removes a1, a2
    QCOMPARE(itemsOf(list), QStringList{"c"});
    QVERIFY(ui.boxes.isEmpty());
    QCOMPARE(pointer.shape(), int(MousePointer::Default));
}

// Run as an unprivileged user by unreadableFoldersAreToldOnceAndRunGoesOn: lists
// the folders given and prints the boxes, the results and the flag.
static int listAsHelper(int argc, char** argv) {
    QApplication app(argc, argv);
    ScriptedUi ui;
    ListView folders, results;
    for (int i = 2; i < argc; ++i)
        folders.Add(QString::fromLocal8Bit(argv[i]));
    bool creatingList = false;
    CreateFileList(
        ui, folders, results, [] { return AllFilesFilter; }, creatingList);
    QTextStream out(stdout);
    for (const ScriptedUi::Box& box : ui.boxes)
        out << "B " << box.title << '|' << QString(box.text).replace('\r', '|').replace('\n', '|')
            << '\n';
    for (const QString& item : itemsOf(results))
        out << "R " << item << '\n';
    out << "F " << int(creatingList) << '\n';
    return 0;
}

int main(int argc, char** argv) {
    if (argc >= 2 && qstrcmp(argv[1], "--list-as-helper") == 0)
        return listAsHelper(argc, argv);
    QApplication app(argc, argv);
    TestListing test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_listing.moc"
