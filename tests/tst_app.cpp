// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The lower layer: error report and trap, path and colour helpers, file names,
// the settings store and the list control.
#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/Paths.h"
#include "window/ListView.h"
#include "core/Settings.h"
#include "support/ScriptedUi.h"
#include "support/TestSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's shadow memory takes terabytes of address space: no limit of
// it can be set there.
constexpr bool AddressSpaceLimits = false;
#else
constexpr bool AddressSpaceLimits = true;
#endif

// Runs `body` in a child process with ten seconds and 2 GB of address space;
// gives what it returned, or how it ended when it did not return (a store read
// without end, a save that never comes back).
QByteArray inChild(const std::function<QByteArray()>& body) {
    int channel[2];
    if (::pipe(channel) != 0)
        return "(no pipe)";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        ::alarm(10);
        const struct rlimit limit { rlim_t(2) << 30, rlim_t(2) << 30 };
        if (AddressSpaceLimits)
            ::setrlimit(RLIMIT_AS, &limit);
        const QByteArray result = body();
        const bool written =
            ::write(channel[1], result.constData(), result.size()) == result.size();
        ::_exit(written ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status))
        return "(ended by signal " + QByteArray::number(WTERMSIG(status)) + ")";
    return result;
}
} // namespace

class TestApp : public QObject {
    Q_OBJECT
  private slots:
    void reportTextIsExact();
    void trapReportsEachFailureAndGoesOn();
    void trapReportsHelperFailureWithCallersLine_data();
    void trapReportsHelperFailureWithCallersLine();

    void normalizeCollapsesDoubledSeparators_data();
    void normalizeCollapsesDoubledSeparators();
    void colorToHtmlSwapsRedAndBlue_data();
    void colorToHtmlSwapsRedAndBlue();
    void appTitleDropsLastWords();
    void fileTestsAbsorbFailures();
    void desktopFolderEndsInOneSeparator();

    void fileNamesRoundTripAnyBytes_data();
    void fileNamesRoundTripAnyBytes();
    void namesShownByDialogsAreFoundAgain();

    void storeMatchesKeysWithoutCase();
    void storeKeepsEmptyApartFromMissing();
    void storeRoundTripsAwkwardTexts();
    void storeConversionsRoundHalfToEven_data();
    void storeConversionsRoundHalfToEven();
    void unwritableStoreTellsOnceAndKeepsKeys();
    void oddStoresGiveDefaultsAndAreNeverReplaced_data();
    void oddStoresGiveDefaultsAndAreNeverReplaced();
    void storeWithByteOrderMarkIsReadAndKeepsOneSection();

    void listKeepsOrderAndDuplicates();
    void listRemovesFlaggedRunsInOnePass();
    void listDrawsBoundedVisibleText_data();
    void listDrawsBoundedVisibleText();
};

void TestApp::reportTextIsExact() {
    QCOMPARE(ReportErrorText("Type mismatch", "in Palavine2021/08/31.Form1.Form_Load ", 140),
             QString("Type mismatch\r\nin Palavine2021/08/31.Form1.Form_Load at line 140\r\r"
                     "Please email screenshot of this message to support@palavine.example"));
    ScriptedUi ui;
    ReportError(ui, "Path not found", "in Palavine2021/08/31.Form1.PushButton8_Click ", 100);
    QCOMPARE(ui.boxes.size(), 1);
    QCOMPARE(ui.boxes[0].title, QString("Application Error"));
    QCOMPARE(ui.boxes[0].icon, Ui::Icon::Warning);
}

void TestApp::trapReportsEachFailureAndGoesOn() {
    ScriptedUi ui;
    ErrorTrap trap(ui, "in Palavine2021/08/31.Form1.PushButton8_Click ");
    QStringList ran;
    QVERIFY(!trap.at(100, [&] { throw AppError::typeMismatch(); }));
    QVERIFY(trap.at(102, [&] { ran << "102"; }));
    QVERIFY(!trap.at(104, [&] { throw std::runtime_error("Disk not ready"); }));
    trap.at(106, [&] { ran << "106"; });
    QCOMPARE(ran, QStringList({"102", "106"}));
    QCOMPARE(ui.boxes.size(), 2);
    QVERIFY(ui.boxes[0].text.startsWith("Type mismatch\r\nin Palavine2021/08/31.Form1."
                                        "PushButton8_Click at line 100\r\r"));
    QVERIFY(ui.boxes[1].text.startsWith("Disk not ready\r\n"));
    QVERIFY(ui.boxes[1].text.contains("at line 104\r\r"));
}

namespace {
// Takes every byte the address space has left, in ever smaller pieces chained
// through themselves (a list would need memory of its own); gives them back.
struct MemoryHog {
    void* chain = nullptr;
    void fill() {
        for (size_t size : {size_t(1) << 20, size_t(4096), size_t(64), size_t(16)}) {
            for (;;) {
                void* block = std::malloc(size);
                if (!block)
                    break;
                *static_cast<void**>(block) = chain;
                chain = block;
            }
        }
    }
    ~MemoryHog() { release(); }
    void release() {
        while (chain) {
            void* next = *static_cast<void**>(chain);
            std::free(chain);
            chain = next;
        }
    }
};
} // namespace

void TestApp::trapReportsHelperFailureWithCallersLine_data() {
    QTest::addColumn<bool>("memoryFull"); // the helper takes all memory, then fails for it
    QTest::addColumn<QString>("box");
    QTest::newRow("a helper's failure")
        << false
        << "Invalid procedure call or argument\r\nin Palavine2021/08/31.Form1.Form_Load at "
           "line 138\r\r";
    QTest::newRow("out of memory: reported, not a second failure while reporting")
        << true << "Out of memory\r\nin Palavine2021/08/31.Form1.Form_Load at line 138\r\r";
}

void TestApp::trapReportsHelperFailureWithCallersLine() {
    QFETCH(bool, memoryFull);
    QFETCH(QString, box);
    if (memoryFull && !AddressSpaceLimits)
        QSKIP("no memory limit can be set under AddressSanitizer; the plain build tests this");
    // In a child, whose memory can be limited to little more than it uses.
    const QByteArray seen = inChild([&] {
        if (memoryFull) {
            QFile status("/proc/self/status");
            const bool opened = status.open(QIODevice::ReadOnly);
            const QByteArray text = opened ? status.readAll() : QByteArray();
            const qsizetype at = text.indexOf("VmSize:");
            const rlim_t used = rlim_t(text.mid(at + 7).trimmed().split(' ').first().toLongLong())
                                << 10;
            const struct rlimit limit { used + (rlim_t(64) << 20), used + (rlim_t(64) << 20) };
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ScriptedUi ui;
        ErrorTrap trap(ui, "in Palavine2021/08/31.Form1.Form_Load ");
        MemoryHog hog;
        auto helper = [&] {
            if (!memoryFull)
                throw AppError::invalidArgument();
            hog.fill();
            throw std::bad_alloc();
        };
        trap.at(138, [&] { helper(); });
        hog.release();
        QByteArray result = QByteArray::number(ui.boxes.size());
        for (const auto& shown : ui.boxes)
            result += '\n' + shown.text.toUtf8();
        return result;
    });
    const QList<QByteArray> lines = seen.split('\n');
    QCOMPARE(lines.value(0), QByteArray("1"));
    QVERIFY2(seen.mid(2).startsWith(box.toUtf8()), seen.constData());
}

void TestApp::normalizeCollapsesDoubledSeparators_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    const int win = int(PathStyle::Windows), posix = int(PathStyle::Posix);
    QTest::newRow("drive path") << win << R"(C:\\Data\\a)"
                                << R"(C:\Data\a)";
    QTest::newRow("network prefix kept") << win << R"(\\server\\share)"
                                         << R"(\\server\share)";
    QTest::newRow("one leading gains one") << win << R"(\server)"
                                           << R"(\\server)";
    QTest::newRow("three leading become two") << win << R"(\\\server)"
                                              << R"(\\server)";
    QTest::newRow("backslash alone") << win << R"(\)"
                                     << R"(\\)";
    QTest::newRow("run of three inside") << win << R"(a\\\b)"
                                         << R"(a\\b)";
    QTest::newRow("run of four inside") << win << R"(a\\\\b)"
                                        << R"(a\\b)";
    QTest::newRow("empty") << win << ""
                           << "";
    QTest::newRow("posix root") << posix << "/"
                                << "/";
    QTest::newRow("posix leading run") << posix << "///home//u"
                                       << "/home/u";
    QTest::newRow("posix root child") << posix << "//tmp/"
                                      << "/tmp/";
    QTest::newRow("posix inner three") << posix << "/a///b"
                                       << "/a//b";
    QTest::newRow("posix relative") << posix << "a//b"
                                    << "a/b";
    QTest::newRow("posix backslash is a character") << posix << "/a\\\\b"
                                                    << "/a\\\\b";
}

void TestApp::normalizeCollapsesDoubledSeparators() {
    QFETCH(int, style);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(NormalizeBackslashes(path, PathStyle(style)), expected);
}

void TestApp::colorToHtmlSwapsRedAndBlue_data() {
    QTest::addColumn<int>("colour");
    QTest::addColumn<QString>("html");
    QTest::newRow("black") << 0 << "#000000";
    QTest::newRow("red") << 255 << "#FF0000";
    QTest::newRow("green") << 65280 << "#00FF00";
    QTest::newRow("blue") << 16711680 << "#0000FF";
    QTest::newRow("white") << 16777215 << "#FFFFFF";
    QTest::newRow("mixed") << 0x123456 << "#563412";
    QTest::newRow("negative") << -1 << "#FFFFFF";
}

void TestApp::colorToHtmlSwapsRedAndBlue() {
    QFETCH(int, colour);
    QFETCH(QString, html);
    QCOMPARE(ColorToHtml(colour), html);
}

void TestApp::appTitleDropsLastWords() {
    QCOMPARE(AppTitleFromName("Palavine"), QString("Palavine"));
    QCOMPARE(AppTitleFromName("Palavine File Lister"), QString("Palavine File"));
    const QString longName = "Alpha Bravo Charlie Delta Echo Foxtrot Golf Hotel";
    const QString title = AppTitleFromName(longName);
    QVERIFY(title.size() <= 40);
    QCOMPARE(title, QString("Alpha Bravo Charlie Delta Echo Foxtrot"));
}

void TestApp::fileTestsAbsorbFailures() {
    QTemporaryDir dir;
    const QString file = dir.filePath("a.txt");
    QFile(file).open(QIODevice::WriteOnly);
    QVERIFY(FileExists(file));
    QVERIFY(FileExists(dir.path()));
    QVERIFY(!FileExists(""));
    QVERIFY(!FileExists(dir.filePath("missing")));
    QVERIFY(IsFolder(dir.path()));
    QVERIFY(IsFolder(dir.path() + "/"));
    QVERIFY(!IsFolder(file));
    QVERIFY(!IsFolder(dir.filePath("missing")));
    QVERIFY(!IsFolder(""));
}

void TestApp::desktopFolderEndsInOneSeparator() {
    const QString folder = DesktopFolder();
    QVERIFY(folder.endsWith('/'));
    QVERIFY(!folder.endsWith("//") || folder == "/");
    QVERIFY(IsFolder(folder));
}

void TestApp::fileNamesRoundTripAnyBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ascii") << QByteArray("plain.txt") << "plain.txt";
    QTest::newRow("utf8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac.txt")
                          << QString::fromUtf8("café €.txt");
    QTest::newRow("emoji") << QByteArray("\xf0\x9f\x98\x80")
                           << QString::fromUtf8("\xf0\x9f\x98\x80");
    QTest::newRow("latin1 byte") << QByteArray("caf\xe9.txt")
                                 << QString::fromUtf8("caf\xef\xbf\xbd.txt");
    QTest::newRow("truncated sequence")
        << QByteArray("a\xe2\x82") << QString::fromUtf8("a\xef\xbf\xbd\xef\xbf\xbd");
    QTest::newRow("encoded surrogate")
        << QByteArray("\xed\xb2\x80") << QString::fromUtf8("\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
    QTest::newRow("overlong slash")
        << QByteArray("\xc0\xaf") << QString::fromUtf8("\xef\xbf\xbd\xef\xbf\xbd");
    // U+FEFF (no byte-order mark in a name), the noncharacters, the highest.
    QByteArray every;
    QString shown;
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        if (c < 0x80) {
            every += char(c);
        } else if (c < 0x800) {
            every += char(0xC0 | (c >> 6));
            every += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            every += char(0xE0 | (c >> 12));
            every += char(0x80 | ((c >> 6) & 0x3F));
            every += char(0x80 | (c & 0x3F));
        } else {
            every += char(0xF0 | (c >> 18));
            every += char(0x80 | ((c >> 12) & 0x3F));
            every += char(0x80 | ((c >> 6) & 0x3F));
            every += char(0x80 | (c & 0x3F));
        }
        if (c < 0x10000) {
            shown += QChar(char16_t(c));
        } else {
            shown += QChar(QChar::highSurrogate(c));
            shown += QChar(QChar::lowSurrogate(c));
        }
    }
    QTest::newRow("every code point") << every << shown;
    QTest::newRow("mark alone") << QByteArray("\xef\xbb\xbf") << QString(QChar(0xFEFF));
}

void TestApp::fileNamesRoundTripAnyBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    const QString name = DecodeFileName(bytes);
    QCOMPARE(EncodeFileName(name), bytes);
    QCOMPARE(DisplayFileName(name), shown);
}

void TestApp::namesShownByDialogsAreFoundAgain() {
    QTemporaryDir dir;
    const QByteArray root = EncodeFileName(dir.path());
    QVERIFY(::mkdir(root + "/caf\xe9", 0700) == 0);
    QVERIFY(::mkdir(root + "/caf\xe9/x\xff", 0700) == 0);
    QVERIFY(::mkdir(root + "/a\xe8", 0700) == 0);
    QVERIFY(::mkdir(root + "/a\xe9", 0700) == 0);
    const QString real = DecodeFileName(root + "/caf\xe9/x\xff");
    QCOMPARE(RecoverFileName(DisplayFileName(real)), real);
    QCOMPARE(EncodeFileName(RecoverFileName(DisplayFileName(real))), root + "/caf\xe9/x\xff");
    // Two names shown alike: nothing to choose between, the path stays.
    const QString shown = dir.path() + QString::fromUtf8("/a\xef\xbf\xbd");
    QCOMPARE(RecoverFileName(shown), shown);
    QCOMPARE(RecoverFileName(dir.path()), dir.path());
}

void TestApp::storeMatchesKeysWithoutCase() {
    TestSettings store;
    QVERIFY(SaveOption("FontStrikethru", "True"));
    QCOMPARE(GetOption("FontStrikeThru", "False"), QString("True"));
    QVERIFY(SaveOption("FONTSTRIKETHRU", "False"));
    QCOMPARE(GetOption("FontStrikethru"), QString("False"));
    QSettings raw(store.path(), QSettings::IniFormat);
    raw.beginGroup("Palavine");
    QCOMPARE(raw.childKeys(), QStringList({"FONTSTRIKETHRU"}));
}

void TestApp::storeKeepsEmptyApartFromMissing() {
    TestSettings store;
    QCOMPARE(GetOption("Text2", "/default/"), QString("/default/"));
    QCOMPARE(GetOption("Font Color", 16711680), QString("16711680"));
    QVERIFY(!FindSetting("Varnokel", "Palavine", "Text2").has_value());
    SaveOption("Text2", "");
    QCOMPARE(GetOption("Text2", "/default/"), QString(""));
    QVERIFY(FindSetting("Varnokel", "Palavine", "Text2").has_value());
}

void TestApp::storeRoundTripsAwkwardTexts() {
    TestSettings store;
    const QStringList texts = {"a,b",
                               " padded ",
                               "@Variant(x)",
                               "semi;colon=eq",
                               "quote\"s",
                               QString::fromUtf8("naïve €"),
                               "back\\slash",
                               "line\nfeed",
                               "#hash",
                               DecodeFileName("/home/caf\xe9/"),
                               QChar(0xFEFF) + QString("x")};
    for (const QString& text : texts) {
        QVERIFY(SaveOption("Text1", text));
        QCOMPARE(GetOption("Text1"), text);
    }
    SaveOption("Font Color", "255");
    QCOMPARE(GetOption("font color"), QString("255"));
}

void TestApp::storeConversionsRoundHalfToEven_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("whole");
    QTest::newRow("whole") << "36" << 36;
    QTest::newRow("10.5 to even") << "10.5" << 10;
    QTest::newRow("11.5 to even") << "11.5" << 12;
    QTest::newRow("negative half") << "-2.5" << -2;
    QTest::newRow("blanks") << " 12 " << 12;
    QTest::newRow("colour") << "16777215" << 16777215;
}

void TestApp::storeConversionsRoundHalfToEven() {
    QFETCH(QString, text);
    QFETCH(int, whole);
    QCOMPARE(ToWholeNumber(text), whole);
    for (const char* bad : {"x", "", "12px", "nan"}) {
        try {
            ToWholeNumber(bad);
            QFAIL(qPrintable(QString("no failure for ") + bad));
        } catch (const AppError& e) {
            QCOMPARE(e.number(), ErrorNumber::TypeMismatch);
        }
    }
    QVERIFY(ToFlag("True"));
    QVERIFY(!ToFlag("true"));
    QVERIFY(!ToFlag("TRUE"));
    QVERIFY(!ToFlag(""));
}

void TestApp::unwritableStoreTellsOnceAndKeepsKeys() {
    TestSettings store;
    QVERIFY(SaveOption("Text1", "txt"));
    QVERIFY(SaveOption("Check1", "1"));
    QStringList told;
    SetSettingsFailureHandler([&](const QString& reason) { told << reason; });

    // A folder in the store's place defeats even root.
    const QString path = store.path();
    QFile::rename(path, path + ".kept");
    QDir().mkpath(path);
    QVERIFY(!SaveOption("Text1", "htm"));
    QVERIFY(!SaveOption("Text2", "/x/"));
    QCOMPARE(told.size(), 1);
    QVERIFY(told[0].contains(path));
    QCOMPARE(GetOption("Text1", "*"), QString("*"));
    QDir().rmdir(path);
    QFile::rename(path + ".kept", path);

    // A read-only folder: tested as an unprivileged user would meet it, unless
    // we already are one.
    if (::geteuid() != 0) {
        QFile::setPermissions(QFileInfo(path).absolutePath(),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QVERIFY(!SaveOption("Text1", "gz"));
        QFile::setPermissions(QFileInfo(path).absolutePath(), QFileDevice::ReadOwner |
                                                                  QFileDevice::WriteOwner |
                                                                  QFileDevice::ExeOwner);
    }
    QCOMPARE(GetOption("Text1"), QString("txt"));
    QCOMPARE(GetOption("Check1"), QString("1"));
    SetSettingsFailureHandler(nullptr);
}

void TestApp::oddStoresGiveDefaultsAndAreNeverReplaced_data() {
    QTest::addColumn<QString>("store");  // what is at the store's path
    QTest::addColumn<QString>("before"); // Text1 as read then; "?" where the system decides
    QTest::addColumn<bool>("saved");     // SaveOption("Text1", "new")
    QTest::addColumn<QString>("after");
    QTest::newRow("garbage: defaults, and a save rewrites it") << "garbage"
                                                               << "*" << true << "new";
    QTest::newRow("a named pipe: defaults at once, never replaced") << "fifo"
                                                                    << "*" << false << "*";
    QTest::newRow("a link to an endless device: defaults at once, never replaced")
        << "link to /dev/zero"
        << "*" << false << "*";
    QTest::newRow("larger than any store (1 MB): defaults, never rewritten") << "large"
                                                                             << "*" << false << "*";
    QTest::newRow("a dangling link: the save creates the file it leads to, the link kept")
        << "dangling link"
        << "*" << true << "new";
    QTest::newRow("another user's link in a sticky shared folder: never written through")
        << "planted link"
        << "?" << false << "?";
    QTest::newRow("two processes saving at once: every save that says so is kept")
        << "rivals"
        << "*" << true << "new";
}

void TestApp::oddStoresGiveDefaultsAndAreNeverReplaced() {
    QFETCH(QString, store);
    QFETCH(QString, before);
    QFETCH(bool, saved);
    QFETCH(QString, after);
    TestSettings settings;
    const QByteArray path = settings.path().toLocal8Bit();
    const QByteArray folder = QFileInfo(settings.path()).path().toLocal8Bit();
    const QByteArray elsewhere = folder + ".elsewhere";
    const auto cleanUp = qScopeGuard([&] { ::unlink(elsewhere.constData()); });
    const QByteArray large = "[Palavine]\nText1=big\n" + QByteArray(2 << 20, ';');
    if (store == "garbage") {
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage.append(char((i * 7919) % 256));
        QFile file(settings.path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    } else if (store == "fifo") {
        QCOMPARE(::mkfifo(path.constData(), 0644), 0);
    } else if (store == "link to /dev/zero") {
        QCOMPARE(::symlink("/dev/zero", path.constData()), 0);
    } else if (store == "large") {
        QFile file(settings.path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(large);
    } else if (store == "dangling link") {
        QCOMPARE(::symlink(elsewhere.constData(), path.constData()), 0);
    } else if (store == "planted link") {
        if (::geteuid() != 0)
            QSKIP("planting another user's link takes root (CI runs as root)");
        QFile file(elsewhere);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Palavine]\nText1=secret\n");
        file.close();
        QCOMPARE(::chmod(elsewhere.constData(), 0600), 0);
        QCOMPARE(::chmod(folder.constData(), 01777), 0);
        QCOMPARE(::symlink(elsewhere.constData(), path.constData()), 0);
        QCOMPARE(::lchown(path.constData(), 65534, 65534), 0);
    }
    const QByteArray seen = inChild([&] {
        QByteArray result = GetOption("Text1", "*").toUtf8() + '\n';
        result += SaveOption("Text1", "new") ? "saved\n" : "not saved\n";
        return result + GetOption("Text1", "*").toUtf8();
    });
    const QList<QByteArray> lines = seen.split('\n');
    QCOMPARE(lines.size(), 3);
    if (before != "?")
        QCOMPARE(QString(lines[0]), before);
    QCOMPARE(lines[1], QByteArray(saved ? "saved" : "not saved"));
    if (after != "?")
        QCOMPARE(QString(lines[2]), after);

    struct stat info {};
    QCOMPARE(::lstat(path.constData(), &info), 0);
    if (store == "fifo")
        QVERIFY(S_ISFIFO(info.st_mode));
    if (store.contains("link"))
        QVERIFY(S_ISLNK(info.st_mode));
    if (store == "large") {
        QFile file(settings.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == large);
    }
    if (store == "dangling link") {
        QFile file(elsewhere);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Text1=\"new\""));
    }
    if (store == "planted link") {
        QFile file(elsewhere);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Palavine]\nText1=secret\n"));
    }
    if (store == "rivals") {
        // Two processes save forty keys each at the same time: all eighty stay.
        pid_t rivals[2];
        for (int r = 0; r < 2; ++r) {
            rivals[r] = ::fork();
            if (rivals[r] == 0) {
                bool all = true;
                for (int i = 0; i < 40; ++i)
                    all = SaveOption(QString("Rival%1Key%2").arg(r).arg(i), QString::number(i)) &&
                          all;
                ::_exit(all ? 0 : 1);
            }
        }
        for (const pid_t rival : rivals) {
            int status = -1;
            ::waitpid(rival, &status, 0);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        for (int r = 0; r < 2; ++r) {
            for (int i = 0; i < 40; ++i)
                QCOMPARE(GetOption(QString("Rival%1Key%2").arg(r).arg(i), "lost"),
                         QString::number(i));
        }
        QCOMPARE(GetOption("Text1", "*"), QString("new"));
    }
}

void TestApp::storeWithByteOrderMarkIsReadAndKeepsOneSection() {
    TestSettings store;
    QFile file(store.path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF[Palavine]\r\nText1=txt\r\n");
    file.close();
    QCOMPARE(GetOption("Text1", "*"), QString("txt"));
    QVERIFY(SaveOption("Text2", "/out/"));
    QVERIFY(SaveOption("Text1", "htm"));
    QCOMPARE(GetOption("Text1", "*"), QString("htm"));
    QCOMPARE(GetOption("Text2"), QString("/out/"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QCOMPARE(content.count("[Palavine]"), 1);
    QVERIFY(content.startsWith("\xEF\xBB\xBF[Palavine]"));
}

void TestApp::listKeepsOrderAndDuplicates() {
    ListView list;
    for (const char* text : {"b", "a", "a", "c", "d"})
        list.Add(text);
    QCOMPARE(list.Count(), 5);
    QCOMPARE(list.Item(1), QString("b"));
    QCOMPARE(list.Item(3), QString("a"));
    list.Remove(3);
    QCOMPARE(list.Count(), 4);
    QCOMPARE(list.Item(3), QString("c"));
    QCOMPARE(list.Item(4), QString("d"));
    QCOMPARE(list.SelectedIndex(), 0);
    list.Select(2);
    QCOMPARE(list.SelectedIndex(), 2);
    list.Clear();
    QCOMPARE(list.Count(), 0);
    list.Clear();
    QCOMPARE(list.Count(), 0);
}

void TestApp::listRemovesFlaggedRunsInOnePass() {
    ListView list;
    for (int i = 1; i <= 5; ++i)
        list.Add(QString::number(i));
    QCoreApplication::processEvents();
    QCOMPARE(list.model()->rowCount(), 5);
    const quint64 before = list.model()->removals();
    list.model()->removeFlagged({false, true, true, true, false});
    QCOMPARE(list.Count(), 2);
    QCOMPARE(list.Item(1), QString("1"));
    QCOMPARE(list.Item(2), QString("5"));
    QVERIFY(list.model()->removals() > before);
    QCOMPARE(list.model()->rowCount(), 2);
}

void TestApp::listDrawsBoundedVisibleText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("drawn");
    const QString bound(ShownTextLength, 'x');
    QTest::newRow("newline") << "/a\nb" << QString::fromUtf8("/a\u240Ab");
    QTest::newRow("tab, carriage return, delete")
        << "/a\tb\r\x7f" << QString::fromUtf8("/a\u2409b\u240D\u2421");
    QTest::newRow("reordering override")
        << QString::fromUtf8("/evil\u202Etxt.exe") << QString::fromUtf8("/evil\uFFFDtxt.exe");
    QTest::newRow("one past the bound") << bound + "y" << bound + QChar(0x2026);
    QTest::newRow("a 10 MB line") << QString(10'000'000, 'x') << bound + QChar(0x2026);
    QTest::newRow("a pair of surrogates across the bound")
        << bound.chopped(1) + QString::fromUtf8("\xf0\x9f\x98\x80")
        << bound.chopped(1) + QChar(0x2026);
}

void TestApp::listDrawsBoundedVisibleText() {
    QFETCH(QString, text);
    ListView list;
    list.Add(text);
    QCoreApplication::processEvents();
    QTEST(list.model()->data(list.model()->index(0), Qt::DisplayRole).toString(), "drawn");
    QCOMPARE(list.Item(1), text);
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
