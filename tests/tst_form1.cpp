// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The main window: start-up, the option boxes, the pointer, list editing.
#include "core/Paths.h"
#include "core/Settings.h"
#include "help/Help.h"
#include "support/ScriptedUi.h"
#include "support/TestSettings.h"
#include "window/ColourSwatch.h"
#include "window/Form1.h"
#include "window/Form2.h"
#include "window/ListView.h"
#include "window/QtUi.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>
#include <QtTest>

class TestForm1 : public QObject {
    Q_OBJECT
  private slots:
    void firstStartShowsDefaultsAndStoresThem();
    void storedOptionsAreRestored();
    void unreadableCheckIsReportedAtItsLine();
    void missingDesktopKeepsStoredOutputFolder();
    void startupPageOpensOnlyOnSeven_data();
    void startupPageOpensOnlyOnSeven();
    void hoverNeverReplacesBusyPointer();
    void deleteRemovesSelectedItemOnlyWhenAllowed();
    void clearListsAreIndependent();
    void editsAreSavedAsTyped();
    void controlsFitTheirContainers_data();
    void controlsFitTheirContainers();
    void iconReachesBothWindows_data();
    void iconReachesBothWindows();
    void designWhiteStaysReadableUnderDarkTheme();
    void keysWorkAsOnTheDesktop_data();
    void keysWorkAsOnTheDesktop();
    void accessibleNamesSayWhatEachControlDoes();
    void folderGivenIsAddedWithItsSubfolders_data();
    void folderGivenIsAddedWithItsSubfolders();
    void boxesShowTextAndTitleWhole_data();
    void boxesShowTextAndTitleWhole();
    void cursorAndSkinFilesAreUsedWhenPresent();
    void noDisplayIsOneClearLine();
};

namespace {
struct Started {
    ScriptedUi ui;
    Form1 form{ui};
    Started() { form.Form_Load(); }
};
} // namespace

void TestForm1::firstStartShowsDefaultsAndStoresThem() {
    TestSettings store;
    Started s;
    QCOMPARE(s.ui.boxes.size(), 0);
    QCOMPARE(s.form.windowTitle(), QString("Palavine"));
    QCOMPARE(AppTitle(), QString("Palavine"));
    QCOMPARE(s.form.ListView1->Count(), 0);
    QCOMPARE(s.form.ListView2->Count(), 0);
    QCOMPARE(s.form.ListView1->model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
             QString("Folder/s"));
    QCOMPARE(s.form.ListView2->model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
             QString("Results (List of Files)"));
    QCOMPARE(s.form.ListView1->columnWidth(0), 467);
    QCOMPARE(s.form.ListView2->columnWidth(0), 467);
    QCOMPARE(s.form.Text1->text(), QString("*"));
    QCOMPARE(s.form.Text2->text(), DesktopFolder());
    QVERIFY(s.form.Check1->isChecked());
    QCOMPARE(s.form.Picture1->BackColor(), 16711680);
    QCOMPARE(s.form.Picture2->BackColor(), 16777215);
    QCOMPARE(GetOption("Text1"), QString("*"));
    QCOMPARE(GetOption("Text2"), DesktopFolder());
    QCOMPARE(GetOption("Check1"), QString("1"));
    QVERIFY(!s.form.windowIcon().isNull());
    QCOMPARE(s.form.ListView1->toolTip(), QString("Double-click item to remove it. Move | line to "
                                                  "right and out of window to reveal full names."));
}

void TestForm1::storedOptionsAreRestored() {
    TestSettings store;
    SaveOption("TEXT1", "txt");
    SaveOption("Text2", "");
    SaveOption("Check1", "0");
    Started s;
    QCOMPARE(s.ui.boxes.size(), 0);
    QCOMPARE(s.form.Text1->text(), QString("txt"));
    QCOMPARE(s.form.Text2->text(), QString(""));
    QVERIFY(!s.form.Check1->isChecked());
}

void TestForm1::unreadableCheckIsReportedAtItsLine() {
    TestSettings store;
    SaveOption("Check1", "x");
    Started s;
    QCOMPARE(s.ui.boxes.size(), 1);
    QCOMPARE(s.ui.boxes[0].title, QString("Application Error"));
    QVERIFY(s.ui.boxes[0].text.startsWith(
        "Type mismatch\r\nin Palavine2021/08/31.Form1.Form_Load at line 140\r\r"));
    QVERIFY(!s.form.Check1->isChecked());
    // The steps after it still ran.
    QCOMPARE(s.form.Text1->text(), QString("*"));
    QCOMPARE(GetOption("Check1"), QString("x"));
}

void TestForm1::missingDesktopKeepsStoredOutputFolder() {
    // The desktop named by the user's folder settings does not exist.
    QTemporaryDir config;
    QFile dirs(config.filePath("user-dirs.dirs"));
    QVERIFY(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DESKTOP_DIR=\"" + config.filePath("gone").toUtf8() + "\"\n");
    dirs.close();
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QCOMPARE(GetSpecialFolder(0), QString());
    QCOMPARE(DesktopFolder(), QDir::homePath() + "/");
    {
        TestSettings store;
        SaveOption("Text2", "/kept/");
        Started s;
        QCOMPARE(s.ui.boxes.size(), 0);
        QCOMPARE(s.form.Text2->text(), QString("/kept/"));
    }
    {
        TestSettings store;
        Started s;
        QCOMPARE(s.ui.boxes.size(), 0);
        QCOMPARE(s.form.Text2->text(), QDir::homePath() + "/");
    }
    if (previous.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", previous);
}

void TestForm1::startupPageOpensOnlyOnSeven_data() {
    QTest::addColumn<double>("draw");
    QTest::addColumn<bool>("opened");
    QTest::newRow("6") << 0.0599 << false;
    QTest::newRow("7 low") << 0.06 << true;
    QTest::newRow("7 high") << 0.0699 << true;
    QTest::newRow("8") << 0.07 << false;
    QTest::newRow("1") << 0.0 << false;
    QTest::newRow("100") << 0.999 << false;
}

void TestForm1::startupPageOpensOnlyOnSeven() {
    QFETCH(double, draw);
    QFETCH(bool, opened);
    TestSettings store;
    ScriptedUi ui;
    ui.draw = draw;
    Form1 form(ui);
    form.Form_Load();
    // A build with the start-up page turned off never opens it, whatever the draw.
    opened = opened && PALAVINE_STARTUP_PAGE;
    QCOMPARE(ui.openedUrls.size(), opened ? 1 : 0);
    if (opened)
        QCOMPARE(ui.openedUrls[0].scheme(), QString("https"));
}

void TestForm1::hoverNeverReplacesBusyPointer() {
    TestSettings store;
    Started s;
    QVERIFY(!s.form.customPointerLoaded()); // no HAND-M.CUR beside the test program
    QTest::mouseMove(s.form.PushButton[7]);
    {
        QEvent e(QEvent::Enter);
        QCoreApplication::sendEvent(s.form.PushButton[7], &e);
    }
    QCOMPARE(s.form.pointer().shape(), 99);
    QCOMPARE(s.form.cursor().shape(), Qt::ArrowCursor);
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(s.form.Frame2, &enter);
    QCOMPARE(s.form.pointer().shape(), 0);

    // A move over a button also reaches its frame or the window: the hand stays.
    for (QPushButton* button : {s.form.PushButton[7], s.form.PushButton[16]}) {
        s.form.pointer().set(MousePointer::Default);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &move);
        QCOMPARE(s.form.pointer().shape(), 99);
    }
    QCoreApplication::sendEvent(s.form.Frame2, &enter);
    QCOMPARE(s.form.pointer().shape(), 0);

    s.form.pointer().set(MousePointer::Busy);
    QCOMPARE(s.form.cursor().shape(), Qt::WaitCursor);
    s.form.PushButton_MouseMove();
    QCoreApplication::sendEvent(s.form.PushButton[3], &enter);
    QCOMPARE(s.form.pointer().shape(), 11);
    s.form.Background_MouseMove();
    QCoreApplication::sendEvent(s.form.Text1, &enter);
    QCOMPARE(s.form.pointer().shape(), 11);
    QCOMPARE(s.form.cursor().shape(), Qt::WaitCursor);
    QCOMPARE(s.form.Text1->cursor().shape(), Qt::WaitCursor);
    s.form.pointer().set(MousePointer::Default);
    QCOMPARE(s.form.Text1->cursor().shape(), Qt::IBeamCursor);

    // "2. Start Creating List" shows the hourglass while it works, and the
    // arrow once the list is complete; a second press meanwhile changes neither.
    QTemporaryDir dir;
    for (const char* name : {"a.txt", "b.txt"}) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    s.form.ListView1->Add(dir.path() + "/");
    s.form.ListView1->Add(dir.path() + "/");
    int during = -1, afterSecondPress = -1;
    s.ui.atYield(s.ui.yields + 1, [&] {
        during = s.form.pointer().shape();
        s.form.PushButton[5]->click();
        afterSecondPress = s.form.pointer().shape();
    });
    s.form.Text1->setText("*");
    s.form.PushButton[5]->click();
    QCOMPARE(during, 11);
    QCOMPARE(afterSecondPress, 11);
    QCOMPARE(s.form.ListView2->Count(), 4);
    QCOMPARE(s.form.pointer().shape(), 0);
    QCOMPARE(s.form.cursor().shape(), Qt::ArrowCursor);
}

void TestForm1::deleteRemovesSelectedItemOnlyWhenAllowed() {
    TestSettings store;
    Started s;
    ListView* folders = s.form.ListView1;
    ListView* results = s.form.ListView2;

    // Empty lists and lists with no selection: nothing happens.
    s.form.ListView1_KeyDown(46, Qt::NoModifier);
    s.form.ListView1_DblClick();
    for (const char* text : {"1", "2", "3", "4", "5"}) {
        folders->Add(text);
        results->Add(text);
    }
    s.form.ListView1_KeyDown(46, Qt::NoModifier);
    s.form.ListView2_KeyDown(46, Qt::NoModifier);
    QCOMPARE(folders->Count(), 5);
    QCOMPARE(results->Count(), 5);

    // The selected third item goes; the others move up.
    folders->Select(3);
    s.form.ListView1_KeyDown(46, Qt::ShiftModifier);
    QCOMPARE(folders->Count(), 4);
    QCOMPARE(folders->Item(3), QString("4"));

    // Another key does nothing; a real Delete key press does.
    results->Select(1);
    s.form.ListView2_KeyDown(45, Qt::NoModifier);
    QCOMPARE(results->Count(), 5);
    QTest::keyClick(results, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(results->Count(), 4);
    QCOMPARE(results->Item(1), QString("2"));

    // A double click removes from the folder list only.
    results->Select(1);
    QTest::mouseDClick(results->viewport(), Qt::LeftButton);
    QCOMPARE(results->Count(), 4);
    folders->Select(1);
    s.form.ListView1_DblClick();
    QCOMPARE(folders->Count(), 3);
    QCOMPARE(folders->Item(1), QString("2"));

    // Nothing while the busy pointer shows.
    s.form.pointer().set(MousePointer::Busy);
    folders->Select(1);
    results->Select(1);
    s.form.ListView1_DblClick();
    s.form.ListView1_KeyDown(46, Qt::NoModifier);
    s.form.ListView2_KeyDown(46, Qt::NoModifier);
    QCOMPARE(folders->Count(), 3);
    QCOMPARE(results->Count(), 4);
}

void TestForm1::clearListsAreIndependent() {
    TestSettings store;
    Started s;
    s.form.ListView1->Add("/a/");
    s.form.ListView2->Add("/a/x.txt");
    s.form.PushButton[9]->click();
    QCOMPARE(s.form.ListView1->Count(), 0);
    QCOMPARE(s.form.ListView2->Count(), 1);
    s.form.ListView1->Add("/a/");
    s.form.PushButton[8]->click();
    QCOMPARE(s.form.ListView1->Count(), 1);
    QCOMPARE(s.form.ListView2->Count(), 0);
    QCOMPARE(s.ui.boxes.size(), 0);
}

void TestForm1::editsAreSavedAsTyped() {
    TestSettings store;
    Started s;
    s.form.Text1->clear();
    QTest::keyClicks(s.form.Text1, "htm");
    QCOMPARE(GetOption("Text1"), QString("htm"));
    s.form.Text2->setText("/tmp/out dir/");
    QCOMPARE(GetOption("Text2"), QString("/tmp/out dir/"));
    s.form.Check1->click();
    QCOMPARE(GetOption("Check1"), QString("0"));
    s.form.Check1->click();
    QCOMPARE(GetOption("Check1"), QString("1"));
}

void TestForm1::controlsFitTheirContainers_data() {
    QTest::addColumn<QRect>("screen");  // the available area
    QTest::addColumn<QSize>("resized"); // then the user's size, when valid
    QTest::addColumn<QSize>("window");
    QTest::newRow("design size where it fits")
        << QRect(0, 0, 1280, 768) << QSize() << QSize(1064, 390);
    QTest::newRow("grown by the user")
        << QRect(0, 0, 1920, 1050) << QSize(1400, 600) << QSize(1400, 600);
    QTest::newRow("never below the design size")
        << QRect(0, 0, 1920, 1050) << QSize(800, 300) << QSize(1064, 390);
    // 1366 x 768 at 150 %: 910 x 512 logical pixels, less a title bar.
    QTest::newRow("a small screen: within it, content scrolls")
        << QRect(0, 0, 910, 512) << QSize() << QSize(902, 0);
}

void TestForm1::controlsFitTheirContainers() {
    QFETCH(QRect, screen);
    QFETCH(QSize, resized);
    QFETCH(QSize, window);
    TestSettings store;
    Started s;
    QCOMPARE(s.form.size(), QSize(1064, 390));
    s.form.placeOnScreen(screen, QMargins(4, 30, 4, 4));
    s.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.form));
    if (resized.isValid())
        s.form.resize(resized);
    QTRY_COMPARE(s.form.size().width(), window.width());
    const int bar = qMax(s.form.style()->pixelMetric(QStyle::PM_ScrollBarExtent),
                         s.form.scrollArea()->horizontalScrollBar()->sizeHint().height());
    if (window.width() < 1064) // with room for the scroll bar below
        QVERIFY(s.form.height() >= 390 + bar && s.form.height() <= 390 + bar + 8);
    else
        QCOMPARE(s.form.height(), window.height());
    // Opened centred in the area, the window manager's frame within it.
    const QRect outer = s.form.geometry().marginsAdded(QMargins(4, 30, 4, 4));
    QVERIFY(screen.contains(outer) || resized.isValid());
    QVERIFY(qAbs(outer.center().x() - screen.center().x()) <= 1 || resized.isValid());

    QWidget* content = s.form.scrollArea()->widget();
    QScrollBar* across = s.form.scrollArea()->horizontalScrollBar();
    QTRY_COMPARE(content->width(), qMax(1064, s.form.width()));
    // A window narrower than the design scrolls its content: everything is
    // reachable, nothing is cut.
    QCOMPARE(across->maximum(), qMax(0, 1064 - s.form.scrollArea()->viewport()->width()));
    QCOMPARE(s.form.scrollArea()->verticalScrollBar()->maximum(), 0);

    const int dx = content->width() - 1064, dy = content->height() - 390;
    const int left = dx / 2;
    // The lists take the room: each grows within its column ...
    QCOMPARE(s.form.ListView1->geometry(), QRect(8, 8, 520 + left, 183 + dy));
    QCOMPARE(s.form.ListView2->geometry(), QRect(536 + left, 8, 520 + dx - left, 75 + dy));
    // ... and what stands below a list keeps its distance to it.
    QCOMPARE(s.form.PushButton[6]->y() - s.form.ListView1->geometry().bottom(), 7);
    QCOMPARE(s.form.PushButton[8]->y() - s.form.ListView2->geometry().bottom(), 7);
    QCOMPARE(s.form.PushButton[5]->geometry().bottom(), content->height() - 390 + 383);
    QCOMPARE(s.form.PushButton[7]->geometry().right(), content->width() - 8 - 1);
    QCOMPARE(s.form.PushButton[6]->x(), 8);
    QCOMPARE(s.form.PushButton[2]->geometry().right(), s.form.ListView1->geometry().right());
    // In the frames the text boxes widen; their buttons stay at the right.
    QCOMPARE(s.form.Frame4->width() - s.form.PushButton[15]->geometry().right(), 17);
    QCOMPARE(s.form.Text2->width(), 442 + s.form.Frame4->width() - 520);

    for (QWidget* child : content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->objectName().isEmpty())
            QVERIFY2(content->rect().contains(child->geometry()), qPrintable(child->objectName()));
    }
    for (QGroupBox* frame : {s.form.Frame1, s.form.Frame2, s.form.Frame3, s.form.Frame4}) {
        for (QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(frame->rect().contains(child->geometry()), qPrintable(child->objectName()));
    }
    // The tab order runs through the controls in the table's order.
    // The tab order runs through the controls in the table's order, and
    // through nothing else that Tab stops at.
    QStringList order;
    QWidget* w = s.form.ListView1;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&s.form) && w->isEnabled())
            order.append(w->objectName());
        w = w->nextInFocusChain();
    } while (w != s.form.ListView1);
    QCOMPARE(order,
             QString("ListView1 ListView2 PushButton6 PushButton5 PushButton7 PushButton8 "
                     "PushButton9 PushButton2 PushButton3 PushButton4 PushButton10 "
                     "PushButton11 Text1 PushButton12 PushButton13 PushButton14 Text2 "
                     "PushButton15 Check1 PushButton16 PushButton17 PushButton18 PushButton1")
                 .split(' '));

    // A caption wider than its box (the font standing in for Arial) grows it
    // to the right and down; the box keeps its place.
    for (QLabel* label : {s.form.Label1_1, s.form.Label1_2, s.form.Label1_6})
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
    // A swatch's caption stands at its place, or a little to the left where
    // its text would otherwise touch the swatch.
    for (auto [label, swatch, left] : {std::tuple{s.form.Label1_1, s.form.Picture1, 16},
                                       std::tuple{s.form.Label1_2, s.form.Picture2, 200}}) {
        QCOMPARE(label->y(), 60);
        QVERIFY(label->x() <= left && label->x() >= left - 8);
        const int textWidth = label->fontMetrics().horizontalAdvance(label->text());
        QVERIFY2(textWidth <= label->contentsRect().width(), qPrintable(label->text()));
        QVERIFY2(label->geometry().right() + 4 < swatch->x(), qPrintable(label->text()));
    }
}

void TestForm1::iconReachesBothWindows_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("theme"); // the icon theme's picture, installed for panels and menus
    for (int size : {32, 48, 128, 256})
        QTest::addRow("%d", size) << size << false;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        QTest::addRow("theme %d", size) << size << true;
}

void TestForm1::iconReachesBothWindows() {
    QFETCH(int, size);
    QFETCH(bool, theme);
    if (theme) {
        // On a dark panel only the picture shows: its corners are clear, its
        // middle solid.
        const QImage icon(
            QFINDTESTDATA(QString("../resources/icons/theme/palavine-%1.png").arg(size)));
        QCOMPARE(icon.size(), QSize(size, size));
        QVERIFY(icon.hasAlphaChannel());
        for (QPoint corner : {QPoint(0, 0), QPoint(size - 1, 0), QPoint(size - 1, size - 1)})
            QCOMPARE(icon.pixelColor(corner).alpha(), 0);
        QCOMPARE(icon.pixelColor(size / 2, size * 3 / 4).alpha(), 255);
        return;
    }
    TestSettings store;
    Started s;
    const QString file = QFINDTESTDATA(QString("../resources/icons/palavine-%1.png").arg(size));
    const QImage expected = QImage(file).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!expected.isNull());
    for (QWidget* window :
         {static_cast<QWidget*>(&s.form), static_cast<QWidget*>(s.form.preview())}) {
        const QImage shown = window->windowIcon()
                                 .pixmap(QSize(size, size))
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown, expected);
    }
}

void TestForm1::designWhiteStaysReadableUnderDarkTheme() {
    TestSettings store;
    const QPalette theme = QApplication::palette();
    const auto restore = qScopeGuard([&] {
        QApplication::setPalette(theme);
        SetProgramFolder(QString());
    });
    QPalette dark(QColor(60, 60, 60), QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    QApplication::setPalette(dark);
    for (bool skinned : {false, true}) {
        // With the skin file only the font caption keeps its white.
        QTemporaryDir folder;
        if (skinned) {
            QDir().mkpath(folder.filePath("x"));
            QFile(folder.filePath("x/o.cjs")).open(QIODevice::WriteOnly);
        }
        SetProgramFolder(folder.path());
        Started s;
        const QList<QWidget*> white =
            skinned ? QList<QWidget*>{s.form.Label1_6}
                    : QList<QWidget*>{&s.form,         s.form.Frame1,   s.form.Frame2,
                                      s.form.Frame3,   s.form.Frame4,   s.form.Check1,
                                      s.form.Label1_1, s.form.Label1_2, s.form.Label1_6};
        for (QWidget* w : white) {
            const QPalette& p = w->palette();
            QVERIFY2(p.color(w->backgroundRole()) == QColor(Qt::white),
                     qPrintable(w->objectName()));
            QVERIFY2(p.color(w->foregroundRole()).lightness() < 100, qPrintable(w->objectName()));
        }
        if (skinned)
            continue;
        // As drawn: dark text on white, the check box white beside its text too.
        for (QWidget* w :
             {static_cast<QWidget*>(s.form.Label1_1), static_cast<QWidget*>(s.form.Check1)}) {
            const QImage shot = w->grab().toImage();
            QCOMPARE(shot.pixelColor(shot.width() - 1, shot.height() / 2), QColor(Qt::white));
            int darkPixels = 0;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    darkPixels += shot.pixelColor(x, y).lightness() < 100 ? 1 : 0;
            QVERIFY2(darkPixels > 20, qPrintable(w->objectName()));
        }
        s.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.form));
        // Past its column a list's header is the theme's, not a white strip.
        for (ListView* list : {s.form.ListView1, s.form.ListView2}) {
            QHeaderView* header = list->header();
            const QImage shot = header->grab().toImage();
            const QColor past = shot.pixelColor(header->sectionSize(0) + 5, shot.height() / 2);
            QVERIFY2(past.lightness() < 128, qPrintable(past.name()));
        }
        // Labels and the check box show the frame behind them: no patch of
        // another white around their text.
        for (QWidget* w :
             {static_cast<QWidget*>(s.form.Label1_6), static_cast<QWidget*>(s.form.Check1)}) {
            auto* frame = w->parentWidget();
            const QImage shot = frame->grab().toImage();
            const QPoint inside = w->geometry().topRight() + QPoint(-1, 1);
            const QPoint beside = QPoint(w->geometry().left() - 2, inside.y());
            QCOMPARE(shot.pixelColor(inside), shot.pixelColor(beside));
        }
        // The swatches show their colours.
        for (ColourSwatch* swatch : {s.form.Picture1, s.form.Picture2}) {
            const QImage shot = swatch->grab().toImage();
            QCOMPARE(shot.pixelColor(shot.rect().center()),
                     ColourSwatch::toQColor(swatch->BackColor()));
        }
    }
}

void TestForm1::keysWorkAsOnTheDesktop_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("focus");   // where the focus is then
    QTest::addColumn<int>("selected");    // the item then selected in the start list, or -1
    QTest::addColumn<int>("boxes");       // message boxes shown
    QTest::addColumn<bool>("focusShown"); // the focused control marks its focus
    // Items wider than the list, its column dragged wider still: a wheel
    // turned instead of the key (with Shift when the key is Shift), and how
    // far the list then stands scrolled sideways (-1: not checked).
    QTest::addColumn<bool>("wide");
    QTest::addColumn<QPoint>("wheel");
    QTest::addColumn<int>("scrolled");
    QTest::newRow("Tab leaves the folder list")
        << "ListView1" << 3 << int(Qt::Key_Tab) << "ListView2" << -1 << 0 << false << false
        << QPoint() << -1;
    QTest::newRow("Shift+Tab leaves the results list")
        << "ListView2" << 3 << int(Qt::Key_Backtab) << "ListView1" << -1 << 0 << false << false
        << QPoint() << -1;
    QTest::newRow("an empty list shows its focus")
        << "ListView1" << 0 << int(Qt::Key_Tab) << "ListView2" << -1 << 0 << true << false
        << QPoint() << -1;
    QTest::newRow("Home goes to the first item")
        << "ListView1" << 5 << int(Qt::Key_Home) << "ListView1" << 1 << 0 << false << false
        << QPoint() << -1;
    QTest::newRow("End goes to the last item")
        << "ListView1" << 5 << int(Qt::Key_End) << "ListView1" << 5 << 0 << false << false
        << QPoint() << -1;
    QTest::newRow("Enter presses the focused button")
        << "PushButton11" << 0 << int(Qt::Key_Enter) << "PushButton11" << -1 << 1 << false << false
        << QPoint() << -1;
    QTest::newRow("Return presses the focused button")
        << "PushButton11" << 0 << int(Qt::Key_Return) << "PushButton11" << -1 << 1 << false << false
        << QPoint() << -1;
    // A long name can be read: the list scrolls by pixel, as far as the
    // column reaches past the view.
    QTest::newRow("Right scrolls a long name sideways")
        << "ListView1" << 3 << int(Qt::Key_Right) << "ListView1" << 3 << 0 << false << true
        << QPoint() << 30;
    QTest::newRow("Left at the start stays") << "ListView2" << 3 << int(Qt::Key_Left) << "ListView2"
                                             << 3 << 0 << false << true << QPoint() << 0;
    QTest::newRow("Shift+wheel scrolls sideways")
        << "ListView1" << 3 << int(Qt::Key_Shift) << "ListView1" << 3 << 0 << false << true
        << QPoint(0, -120) << 90;
    QTest::newRow("the horizontal wheel scrolls sideways")
        << "ListView2" << 3 << 0 << "ListView2" << 3 << 0 << false << true << QPoint(-120, 0) << 90;
}

void TestForm1::keysWorkAsOnTheDesktop() {
    QFETCH(QString, start);
    QFETCH(int, items);
    QFETCH(int, key);
    QFETCH(int, selected);
    QFETCH(bool, wide);
    QFETCH(QPoint, wheel);
    TestSettings store;
    Started s;
    const QString name = wide ? "/" + QString("Archive ").repeated(60) : QString();
    for (int i = 1; i <= items; ++i) {
        s.form.ListView1->Add(QString("%1/folder%2/").arg(name).arg(i));
        s.form.ListView2->Add(QString("%1/folder%2/file").arg(name).arg(i));
    }
    s.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&s.form));
    auto* from = s.form.findChild<QWidget*>(start);
    from->setFocus(Qt::TabFocusReason);
    auto* list = qobject_cast<ListView*>(from);
    if (list && items > 2)
        list->Select(3);
    QScrollBar* across = list ? list->horizontalScrollBar() : nullptr;
    if (wide) {
        // The user drags the column's divider past the list's edge.
        QCoreApplication::processEvents();
        list->header()->resizeSection(0, 2000);
        QTRY_COMPARE(across->maximum(), 2000 - list->viewport()->width());
        across->setSingleStep(30);
        QCOMPARE(across->value(), 0);
    }
    if (!wheel.isNull()) {
        const QPoint at = list->viewport()->rect().center();
        QWheelEvent turn(at, list->viewport()->mapToGlobal(at), QPoint(), wheel, Qt::NoButton,
                         key == Qt::Key_Shift ? Qt::ShiftModifier : Qt::NoModifier,
                         Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(list->viewport(), &turn);
    } else {
        QTest::keyClick(from, Qt::Key(key));
    }
    QFETCH(int, scrolled);
    if (scrolled >= 0)
        QCOMPARE(across->value(), scrolled);
    if (list) {
        // Over an item wider than the list its text shows whole as a tool tip;
        // elsewhere the list's own hint.
        const QPoint at = list->visualRect(list->model()->index(0, 0)).center();
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(list->viewport(), &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), wide ? list->Item(1) : list->toolTip());
        QToolTip::hideText();
    }
    QWidget* focused = QApplication::focusWidget();
    QVERIFY(focused);
    QTEST(focused->objectName(), "focus");
    if (selected >= 0)
        QCOMPARE(qobject_cast<ListView*>(from)->SelectedIndex(), selected);
    QTEST(int(s.ui.boxes.size()), "boxes");
    QFETCH(bool, focusShown);
    if (focusShown) {
        const QImage shot = focused->grab().toImage();
        const QColor mark = focused->palette().color(QPalette::Highlight);
        bool marked = false;
        for (int y = 0; y < shot.height() && !marked; ++y)
            for (int x = 0; x < shot.width() && !marked; ++x)
                marked = shot.pixelColor(x, y) == mark;
        QVERIFY(marked);
    }
}

void TestForm1::accessibleNamesSayWhatEachControlDoes() {
    TestSettings store;
    Started s;
    QMap<QString, QString> names; // object name -> what a screen reader says
    for (QWidget* w : s.form.findChildren<QWidget*>()) {
        static const QRegularExpression control("^(PushButton|ListView|Text|Check|Picture)\\d+$");
        if (control.match(w->objectName()).hasMatch())
            names[w->objectName()] =
                QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
    }
    QCOMPARE(names.size(), 18 + 2 + 2 + 1 + 2);
    const QStringList said = names.values();
    QCOMPARE(QSet<QString>(said.begin(), said.end()).size(), said.size());
    QVERIFY(!said.contains(QString()));
    QCOMPARE(names["ListView1"], QString("Folder/s"));
    QCOMPARE(names["ListView2"], QString("Results (List of Files)"));
    QCOMPARE(names["PushButton16"], QString("Change font"));
    QCOMPARE(names["PushButton9"], QString("Clear List, folders"));
    QCOMPARE(names["PushButton13"], QString("Remove Filenames Containing X, folders"));
    // A speech-input user says what the button shows: each name starts with it.
    for (int n = 1; n <= 18; ++n) {
        const QString name = names[QString("PushButton%1").arg(n)];
        QVERIFY2(name.startsWith(s.form.PushButton[n]->text()), qPrintable(name));
    }
    // The swatches tell their colour, and follow a change.
    auto colour = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description);
    };
    QCOMPARE(colour(s.form.Picture1), QString("#0000FF"));
    QCOMPARE(colour(s.form.Picture2), QString("#FFFFFF"));
    s.form.Picture2->SetBackColor(0x00FF00);
    QCOMPARE(colour(s.form.Picture2), QString("#00FF00"));
    // The captions stay.
    QCOMPARE(s.form.PushButton[16]->text(), QString("Change"));
    QCOMPARE(s.form.PushButton[9]->text(), QString("Clear List"));
}

void TestForm1::folderGivenIsAddedWithItsSubfolders_data() {
    QTest::addColumn<QString>("how");
    // The picker gives the folder typed in it, however it is confirmed.
    QTest::newRow("picker, Enter") << "Enter";
    QTest::newRow("picker, Choose") << "Choose";
    // "palavine FOLDER...", and folders and list files dropped on the window.
    QTest::newRow("named when starting") << "arguments";
    QTest::newRow("dropped on the window") << "drop";
}

void TestForm1::folderGivenIsAddedWithItsSubfolders() {
    QFETCH(QString, how);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("pick/sub1")) && QDir().mkpath(dir.filePath("pick/sub2")));
    QVERIFY(QDir().mkpath(dir.filePath("-second/x")));
    if (how == "arguments" || how == "drop") {
        TestSettings store;
        Started s;
        s.form.ListView1->Add("/before/");
        const QString pick = dir.filePath("pick"), second = dir.filePath("-second");
        QStringList expected = {"/before/",      pick + "/",   pick + "/sub1/",
                                pick + "/sub2/", second + "/", second + "/x/"};
        QString told;
        if (how == "arguments") {
            // Qt took its own options out already; relative names are taken
            // in the current folder, all after "--" are folders.
            const QString current = QDir::currentPath();
            QDir::setCurrent(dir.path());
            const QStringList folders =
                Form1::FolderArguments({"pick", "-x", "no such folder", "--", "-second"});
            QDir::setCurrent(current);
            QCOMPARE(folders, QStringList({pick, dir.filePath("no such folder"), second}));
            s.form.AddFolderArguments(folders);
            told = "Not added, not a folder:\r\r" + dir.filePath("no such folder");
        } else {
            QFile list(dir.filePath("folders.txt"));
            QVERIFY(list.open(QIODevice::WriteOnly));
            list.write("/listed/a\n/listed/b\n");
            list.close();
            QFile picture(dir.filePath("picture.png"));
            QVERIFY(picture.open(QIODevice::WriteOnly));
            picture.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
            picture.close();
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(pick), QUrl::fromLocalFile(list.fileName()),
                          QUrl::fromLocalFile(picture.fileName()), QUrl::fromLocalFile(second)});
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QCoreApplication::sendEvent(&s.form, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&s.form, &drop);
            QVERIFY(drop.isAccepted());
            expected << "/listed/a"
                     << "/listed/b";
            told = "Not added, neither a folder nor a plain-text list of folders:\r\r" +
                   picture.fileName();
        }
        QTRY_COMPARE(s.ui.boxes.size(), 1);
        QCOMPARE(s.ui.boxes[0].text, told);
        QStringList items;
        for (int i = 1; i <= s.form.ListView1->Count(); ++i)
            items.append(s.form.ListView1->Item(i));
        QCOMPARE(items, expected);
        QCOMPARE(s.form.pointer().shape(), int(MousePointer::Default));
        return;
    }
    QtUi ui;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* box = dialog ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
        if (!box) {
            if (QWidget* shown = QApplication::activeModalWidget())
                shown->close();
            return;
        }
        // Typed while the text box lacks the keyboard focus (the dialog's
        // window not active yet): Qt keeps each folder its completion passed.
        box->clearFocus();
        QTest::keyClicks(box, "pick/sub1");
        if (how == "Choose")
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        else
            QTest::keyClick(box, Qt::Key_Return);
        if (dialog->isVisible())
            dialog->reject();
    });
    QCOMPARE(ui.chooseFolder(nullptr, "Please select folder:", dir.path()),
             dir.filePath("pick/sub1"));
}

void TestForm1::boxesShowTextAndTitleWhole_data() {
    QTest::addColumn<QString>("text"); // "help": the help box, its address on one line
    QTest::newRow("help") << "help";
    // Short texts: the box is as wide as its title needs on a title bar.
    QTest::newRow("Done.") << "Done.";
    QTest::newRow("No folders added.") << "No folders added.";
}

void TestForm1::boxesShowTextAndTitleWhole() {
    QFETCH(QString, text);
    QtUi ui;
    int lines = 0, width = 0, titleWidth = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        auto* label = box ? box->findChild<QLabel*>("qt_msgbox_label") : nullptr;
        if (!label) {
            if (QWidget* shown = QApplication::activeModalWidget())
                shown->close();
            return;
        }
        if (QTest::qWaitForWindowExposed(box)) {
            lines = label->height() / label->fontMetrics().lineSpacing();
            width = box->width();
            QFont bold = box->font();
            bold.setBold(true);
            titleWidth = QFontMetrics(bold).horizontalAdvance(box->windowTitle());
        }
        box->accept();
    });
    if (text == "help")
        ShowHelp(ui);
    else
        static_cast<Ui&>(ui).message(text);
    QCOMPARE(lines, 1);
    // The title, and beside it a window manager's icon and three buttons of
    // at least 20 pixels each.
    QVERIFY2(width >= titleWidth + 4 * 20 + 16,
             qPrintable(QString("%1 px for a title of %2 px").arg(width).arg(titleWidth)));
}

void TestForm1::cursorAndSkinFilesAreUsedWhenPresent() {
    TestSettings store;
    QTemporaryDir folder;
    SetProgramFolder(folder.path());
    {
        // Without the files: the design's white, and the default arrow over buttons.
        Started s;
        QCOMPARE(s.form.palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(s.form.Frame2->palette().color(QPalette::Window), QColor(Qt::white));
    }
    QImage hand(32, 32, QImage::Format_ARGB32);
    hand.fill(Qt::black);
    QVERIFY(hand.save(folder.filePath("HAND-M.CUR"), "ICO"));
    QDir().mkpath(folder.filePath("x"));
    QFile skin(folder.filePath("x/o.cjs"));
    QVERIFY(skin.open(QIODevice::WriteOnly));
    skin.close();
    {
        Started s;
        QCOMPARE(s.ui.boxes.size(), 0);
        QVERIFY(s.form.customPointerLoaded());
        s.form.PushButton_MouseMove();
        QCOMPARE(s.form.cursor().shape(), Qt::BitmapCursor);
        const QColor face = QApplication::palette().color(QPalette::Button);
        QCOMPARE(s.form.palette().color(QPalette::Window), face);
        QCOMPARE(s.form.Frame2->palette().color(QPalette::Window), face);
        QCOMPARE(s.form.Check1->palette().color(QPalette::Window), face);
    }
    // Installed: the program's folder is bin/, the files are in share/palavine/.
    QTemporaryDir prefix;
    QVERIFY(QDir().mkpath(prefix.filePath("bin")) &&
            QDir().mkpath(prefix.filePath("share/palavine/x")));
    QVERIFY(
        QFile::copy(folder.filePath("HAND-M.CUR"), prefix.filePath("share/palavine/HAND-M.CUR")));
    QVERIFY(QFile::copy(folder.filePath("x/o.cjs"), prefix.filePath("share/palavine/x/o.cjs")));
    SetProgramFolder(prefix.filePath("bin"));
    {
        Started s;
        QVERIFY(s.form.customPointerLoaded());
        QVERIFY(s.form.preview()->customPointerLoaded());
        QCOMPARE(s.form.palette().color(QPalette::Window),
                 QApplication::palette().color(QPalette::Button));
    }
    SetProgramFolder(QString());
}

void TestForm1::noDisplayIsOneClearLine() {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    program.setProcessEnvironment(env);
    program.start(qEnvironmentVariable("PALAVINE_TEST_BINARY_DIR",
                                       QCoreApplication::applicationDirPath() + "/..") +
                      "/palavine",
                  {});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 1);
    const QString said = QString::fromLocal8Bit(program.readAllStandardError()).trimmed();
    QVERIFY2(said.startsWith("palavine: no display") && !said.contains('\n'), qPrintable(said));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
