// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The appearance options through the store, and the preview window.
#include "core/ErrorReport.h"
#include "core/Settings.h"
#include "support/ScriptedUi.h"
#include "support/TestSettings.h"
#include "window/Appearance.h"
#include "window/ColourSwatch.h"
#include "window/Form2.h"
#include "window/QtUi.h"

#include <QCheckBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {

constexpr qint32 Blue = 16711680;
constexpr qint32 White = 16777215;
const QString FormLoad = QStringLiteral("in Palavine2021/08/31.Form1.Form_Load ");

// The main window's part of the appearance: the swatches and the caption.
struct Options {
    ScriptedUi ui;
    Form2 preview{ui};
    ColourSwatch picture1;
    ColourSwatch picture2;
    QLabel caption{QStringLiteral("Font Style:")};

    Options() {
        picture1.SetBackColor(Blue);
        picture2.SetBackColor(White);
    }
    void restore() {
        ErrorTrap trap(ui, FormLoad);
        RestoreAppearance(trap, preview, picture1, picture2, caption);
    }
    QFont font() const { return preview.Text1->font(); }
};

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestAppearance : public QObject {
    Q_OBJECT
  private slots:
    void firstRunShowsDefaults();
    void storedValuesReadBack_data();
    void storedValuesReadBack();
    void unreadableStoredValuesAreReportedAndSkipped();
    void fontChoiceIsStoredAppliedAndRestored();
    void fontCancelChangesNothing();
    void fontChooserKeepsItsSample_data();
    void fontChooserKeepsItsSample();
    void colourChoice_data();
    void colourChoice();
    void previewWindowLooksAsDesigned();
    void previewShowCloseCycle();
    void maximisedLayoutFollowsWindowSize();
    void pointerRules();
};

void TestAppearance::firstRunShowsDefaults() {
    TestSettings settings;
    Options o;
    o.restore();
    QVERIFY(o.ui.boxes.isEmpty());
    QCOMPARE(o.preview.Text1->toPlainText(), PreviewSampleText);
    QCOMPARE(PreviewSampleText.size(), 63);
    QCOMPARE(o.font().family(), QString("Arial"));
    QCOMPARE(o.font().pointSize(), 36);
    QVERIFY(o.font().bold());
    QVERIFY(!o.font().italic() && !o.font().strikeOut() && !o.font().underline());
    QCOMPARE(o.picture1.BackColor(), Blue);
    QCOMPARE(o.picture2.BackColor(), White);
    QCOMPARE(o.preview.ForeColor(), Blue);
    QCOMPARE(o.preview.BackColor(), White);
    QCOMPARE(o.preview.Text1->palette().color(QPalette::Text), QColor(0, 0, 255));
    QCOMPARE(o.preview.Text1->palette().color(QPalette::Base), QColor(255, 255, 255));
    QCOMPARE(o.caption.text(), QString("Font Style and Size: Arial, 36"));
    QCOMPARE(o.caption.palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(!o.preview.isVisible());
    QVERIFY(!QFile::exists(settings.path())); // restoring writes nothing
}

void TestAppearance::storedValuesReadBack_data() {
    QTest::addColumn<QStringList>("keysAndValues");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("strike");
    QTest::addColumn<bool>("underline");
    QTest::newRow("half rounds to even down")
        << QStringList{"FontName", "Courier New", "FontSize", "10.5"}
        << "Font Style and Size: Courier New, 10" << true << false << false << false;
    QTest::newRow("half rounds to even up")
        << QStringList{"FontSize", "11.5"} << "Font Style and Size: Arial, 12" << true << false
        << false << false;
    QTest::newRow("flags only for exact True")
        << QStringList{"FontBold", "true", "FontItalic", "True"} << "Font Style and Size: Arial, 36"
        << false << true << false << false;
    QTest::newRow("keys in the written letter case")
        << QStringList{"FontStrikethru", "True", "FontUnderline", "True"}
        << "Font Style and Size: Arial, 36" << true << false << true << true;
    QTest::newRow("keys in another letter case")
        << QStringList{"FONTSTRIKETHRU", "True", "fontunderline", "TRUE"}
        << "Font Style and Size: Arial, 36" << true << false << true << false;
}

void TestAppearance::storedValuesReadBack() {
    QFETCH(QStringList, keysAndValues);
    TestSettings settings;
    for (int i = 0; i + 1 < keysAndValues.size(); i += 2)
        QVERIFY(SaveOption(keysAndValues[i], keysAndValues[i + 1]));
    Options o;
    o.restore();
    QVERIFY(o.ui.boxes.isEmpty());
    QTEST(o.caption.text(), "caption");
    QTEST(o.font().bold(), "bold");
    QTEST(o.font().italic(), "italic");
    QTEST(o.font().strikeOut(), "strike");
    QTEST(o.font().underline(), "underline");
}

void TestAppearance::unreadableStoredValuesAreReportedAndSkipped() {
    TestSettings settings;
    QVERIFY(SaveOption("FontSize", "big"));
    QVERIFY(SaveOption("Font Color", "blue"));
    QVERIFY(SaveOption("Background Color", "99999999"));
    Options o;
    o.picture1.SetBackColor(255);
    o.picture2.SetBackColor(0);
    o.restore();
    QCOMPARE(o.ui.boxes.size(), 3);
    QVERIFY(o.ui.boxes[0].text.startsWith("Type mismatch\r\n" + FormLoad + "at line 150"));
    QVERIFY(o.ui.boxes[1].text.startsWith("Type mismatch\r\n" + FormLoad + "at line 156"));
    QVERIFY(o.ui.boxes[2].text.contains(FormLoad + "at line 158"));
    // The failed steps leave what was there; the later steps still run.
    QCOMPARE(o.font().pointSize(), 9);
    QCOMPARE(o.picture1.BackColor(), 255);
    QCOMPARE(o.picture2.BackColor(), 0);
    QCOMPARE(o.preview.ForeColor(), 255);
    QCOMPARE(o.preview.BackColor(), 0);
    QCOMPARE(o.caption.text(), QString("Font Style and Size: Arial, 9"));
}

void TestAppearance::fontChoiceIsStoredAppliedAndRestored() {
    TestSettings settings;
    QVERIFY(SaveOption("FontStrikeThru", "True")); // no choice in the dialog: passes through
    Options o;
    o.restore();
    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPointSizeF(10.5);
    chosen.setBold(false);
    chosen.setItalic(true);
    chosen.setStrikeOut(false);
    chosen.setUnderline(true); // offered by no dialog of ours: ignored
    o.ui.fontAnswers.push_back(chosen);
    ChangeFont(o.ui, nullptr, o.preview, o.caption);
    QVERIFY(o.ui.boxes.isEmpty());

    // The first chooser starts from its own defaults where nothing is stored.
    QCOMPARE(o.ui.fontDialogs.size(), 1);
    QCOMPARE(o.ui.fontDialogs[0].family(), QString("Courier New"));
    QCOMPARE(o.ui.fontDialogs[0].pointSize(), 12);
    QVERIFY(o.ui.fontDialogs[0].bold());
    QVERIFY(o.ui.fontDialogs[0].strikeOut());

    const QList<QPair<QString, QString>> stored = {
        {"FontName", "DejaVu Sans"}, {"FontBold", "False"},      {"FontItalic", "True"},
        {"FontSize", "10.5"},        {"FontStrikethru", "True"}, {"FontUnderline", "False"}};
    for (const auto& [key, value] : stored)
        QCOMPARE(GetOption(key), value);
    // Written under the keys' own letter case.
    const QByteArray store = readBytes(settings.path());
    QVERIFY(store.contains("FontStrikethru=") && store.contains("FontUnderline="));
    QVERIFY(!store.contains("FontStrikeThru"));

    QCOMPARE(o.font().family(), QString("DejaVu Sans"));
    QCOMPARE(o.font().pointSizeF(), 10.5);
    QVERIFY(!o.font().bold());
    QVERIFY(o.font().italic());
    QVERIFY(o.font().strikeOut());
    QVERIFY(!o.font().underline());
    QCOMPARE(o.caption.text(), QString("Font Style and Size: DejaVu Sans, 10.5"));

    // The next start and the next chooser read 10.5 back as 10.
    Options next;
    next.restore();
    QCOMPARE(next.caption.text(), QString("Font Style and Size: DejaVu Sans, 10"));
    QVERIFY(next.font().italic() && next.font().strikeOut() && !next.font().bold());
    ChangeFont(next.ui, nullptr, next.preview, next.caption);
    QCOMPARE(next.ui.fontDialogs.size(), 1);
    QCOMPARE(next.ui.fontDialogs[0].pointSize(), 10);
    QCOMPARE(next.ui.fontDialogs[0].family(), QString("DejaVu Sans"));
}

void TestAppearance::fontCancelChangesNothing() {
    TestSettings settings;
    QVERIFY(SaveOption("FontSize", "36"));
    const QByteArray store = readBytes(settings.path());
    Options o;
    o.restore();
    const QFont before = o.font();
    const QString caption = o.caption.text();
    ChangeFont(o.ui, nullptr, o.preview, o.caption); // no answer: Cancel
    QCOMPARE(o.ui.fontDialogs.size(), 1);
    QCOMPARE(o.ui.fontDialogs[0].family(), QString("Courier New"));
    QCOMPARE(readBytes(settings.path()), store);
    QCOMPARE(o.font(), before);
    QCOMPARE(o.caption.text(), caption);
    QVERIFY(o.ui.boxes.isEmpty());
}

void TestAppearance::fontChooserKeepsItsSample_data() {
    QTest::addColumn<QString>("typed"); // in the size box, then OK; none: Cancel
    QTest::addColumn<double>("size");   // of the font chosen
    QTest::newRow("cancelled") << QString() << 0.0;
    QTest::newRow("a whole size") << "14" << 14.0;
    QTest::newRow("a fractional size") << "10.5" << 10.5;
    QTest::newRow("a fractional size with a decimal comma") << "10,5" << 10.5;
}

void TestAppearance::fontChooserKeepsItsSample() {
    QFETCH(QString, typed);
    QtUi ui;
    int sampleHeight = 0, lineHeight = 0, effectsShown = -1;
    double sampleSize = 0;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        if (dialog && QTest::qWaitForWindowExposed(dialog)) {
            effectsShown = 0;
            for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
                effectsShown += box->isVisible() ? 1 : 0;
            QLineEdit* sample = nullptr;
            for (QGroupBox* group : dialog->findChildren<QGroupBox*>()) {
                if (auto* text = group->findChild<QLineEdit*>(); text && text->isVisible()) {
                    sample = text;
                    sampleHeight = sample->height();
                    lineHeight = sample->fontMetrics().height();
                }
            }
            if (typed.isEmpty()) {
                dialog->reject();
                return;
            }
            // The size box shows the size the chooser opened with.
            for (QLineEdit* box : dialog->findChildren<QLineEdit*>()) {
                if (box->text() == "12" && box != sample) {
                    box->selectAll();
                    QTest::keyClicks(box, typed);
                }
            }
            if (sample)
                sampleSize = sample->font().pointSizeF();
            dialog->accept();
        }
    });
    const std::optional<QFont> chosen = ui.chooseFont(nullptr, QFont("DejaVu Sans", 12));
    QFETCH(double, size);
    QCOMPARE(chosen.has_value(), size > 0);
    if (chosen) {
        QCOMPARE(chosen->pointSizeF(), size);
        QCOMPARE(sampleSize, size); // the sample shows the size typed
    }
    QCOMPARE(effectsShown, 0); // no strikethrough or underline to choose
    QVERIFY2(
        sampleHeight >= lineHeight && lineHeight > 0,
        qPrintable(QString("sample %1 px for a line of %2 px").arg(sampleHeight).arg(lineHeight)));
}

void TestAppearance::colourChoice_data() {
    QTest::addColumn<bool>("background");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("text colour") << false << false;
    QTest::newRow("text colour cancelled") << false << true;
    QTest::newRow("background colour") << true << false;
    QTest::newRow("background colour cancelled") << true << true;
}

void TestAppearance::colourChoice() {
    QFETCH(bool, background);
    QFETCH(bool, cancel);
    TestSettings settings;
    Options o;
    o.restore();
    ColourSwatch& swatch = background ? o.picture2 : o.picture1;
    const qint32 before = swatch.BackColor();
    if (!cancel)
        o.ui.colorAnswers.push_back(QColor(255, 0, 0));
    if (background)
        ChangeBackgroundColour(o.ui, nullptr, o.picture2, o.preview);
    else
        ChangeTextColour(o.ui, nullptr, o.picture1, o.preview);
    QVERIFY(o.ui.boxes.isEmpty());
    QCOMPARE(o.ui.colorDialogs, QList<QColor>{ColourSwatch::toQColor(before)});
    const QString key = background ? "Background Color" : "Font Color";
    const qint32 expected = cancel ? before : 255;
    QCOMPARE(swatch.BackColor(), expected);
    QCOMPARE(background ? o.preview.BackColor() : o.preview.ForeColor(), expected);
    QCOMPARE(FindSetting("Varnokel", "Palavine", key),
             cancel ? std::optional<QString>() : std::optional<QString>("255"));
    // The other colour is untouched.
    QCOMPARE(background ? o.preview.ForeColor() : o.preview.BackColor(), background ? Blue : White);
}

void TestAppearance::previewWindowLooksAsDesigned() {
    ScriptedUi ui;
    QIcon icon(QPixmap(16, 16));
    Form2 preview(ui, icon);
    QVERIFY(ui.boxes.isEmpty());
    QCOMPARE(preview.windowTitle(), QString("Font Preview"));
    QVERIFY(!(preview.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(preview.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(preview.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(preview.windowState() & Qt::WindowMaximized);
    QVERIFY(!preview.isVisible());
    QCOMPARE(preview.Frame1->title(), QString("Preview"));
    QCOMPARE(preview.PushButton1->text(), QString("Close"));
    QCOMPARE(preview.Text1->parentWidget(), preview.Frame1);
    QCOMPARE(preview.Text1->font().family(), QString("Arial"));
    QCOMPARE(preview.Text1->font().pointSize(), 9);
    QVERIFY(preview.Text1->font().bold());
    QVERIFY(preview.Text1->toPlainText().isEmpty());
    QCOMPARE(preview.windowIcon().cacheKey(), icon.cacheKey());
    QCOMPARE(preview.palette().color(QPalette::Window),
             QApplication::palette().color(QPalette::Button));
}

void TestAppearance::previewShowCloseCycle() {
    TestSettings settings;
    Options o;
    o.restore();
    QWidget main;
    main.show();
    QPointer<Form2> alive(&o.preview);

    ShowPreview(o.ui, o.preview, &main);
    QVERIFY(o.preview.isVisible());
    QVERIFY(o.preview.windowState() & Qt::WindowMaximized);
    QVERIFY(!main.isVisible());
    const QString text = o.preview.Text1->toPlainText();
    const QFont font = o.font();

    QTest::mouseClick(o.preview.PushButton1, Qt::LeftButton);
    QVERIFY(!o.preview.isVisible());
    QVERIFY(main.isVisible());

    ShowPreview(o.ui, o.preview, &main);
    QVERIFY(o.preview.isVisible());
    QVERIFY(!main.isVisible());
    QCOMPARE(o.preview.Text1->toPlainText(), text);
    QCOMPARE(o.font(), font);

    // The title bar's close box does what "Close" does.
    QVERIFY(o.preview.close());
    QVERIFY(!o.preview.isVisible());
    QVERIFY(main.isVisible());
    QVERIFY(!alive.isNull());
    QCOMPARE(o.preview.Text1->toPlainText(), PreviewSampleText);
    QVERIFY(o.ui.boxes.isEmpty());

    // Ending the program while the preview shows is not refused by it.
    ShowPreview(o.ui, o.preview, &main);
    QApplication::closeAllWindows();
    QVERIFY(!o.preview.isVisible());
    QVERIFY(!main.isVisible());
}

void TestAppearance::maximisedLayoutFollowsWindowSize() {
    ScriptedUi ui;
    QWidget main;
    Form2 preview(ui);
    ShowPreview(ui, preview, &main);
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QTRY_VERIFY(preview.windowState() & Qt::WindowMaximized);
    const int W = preview.frameGeometry().width() * 15;
    const int H = preview.frameGeometry().height() * 15;
    QVERIFY(W > 2000 && H > 2000);
    const QRect frame = preview.Frame1->geometry();
    QCOMPARE(frame.topLeft(), QPoint(8, 8));
    QCOMPARE(frame.width() * 15, W - 360);
    QCOMPARE(frame.height() * 15, H - 480 - 405 - 300);
    QCOMPARE(preview.Text1->geometry().topLeft(), QPoint(16, 20));
    QCOMPARE(preview.Text1->width() * 15, W - 900);
    QCOMPARE(preview.Text1->height() * 15, frame.height() * 15 - 540);
    QCOMPARE(preview.PushButton1->geometry(),
             QRect(frame.left(), frame.bottom() + 1 + 8, frame.width(), 27));
    // Its border is fixed: it fills the screen and can't be resized.
    QCOMPARE(preview.minimumSize(), preview.maximumSize());
    QCOMPARE(preview.frameGeometry().size(), preview.screen()->availableGeometry().size());

    // In any other state the layout stays as it was.
    preview.showNormal();
    QTRY_VERIFY(!(preview.windowState() & Qt::WindowMaximized));
    preview.resize(500, 300);
    QCOMPARE(preview.Frame1->geometry(), frame);
}

void TestAppearance::pointerRules() {
    ScriptedUi ui;
    Form2 preview(ui);
    QVERIFY(!preview.customPointerLoaded());
    const auto move = [](QWidget* widget) {
        QMouseEvent event(QEvent::MouseMove, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    };
    move(preview.PushButton1);
    QCOMPARE(preview.pointer().shape(), int(MousePointer::Custom));
    // Without the cursor file the custom pointer shows the arrow.
    QCOMPARE(preview.cursor().shape(), Qt::ArrowCursor);
    move(preview.Frame1);
    QCOMPARE(preview.pointer().shape(), int(MousePointer::Default));
    preview.PushButton1_MouseMove();
    move(&preview);
    QCOMPARE(preview.pointer().shape(), int(MousePointer::Default));

    preview.pointer().set(MousePointer::Busy);
    QCOMPARE(preview.cursor().shape(), Qt::WaitCursor);
    move(preview.PushButton1);
    move(preview.Frame1);
    move(&preview);
    QCOMPARE(preview.pointer().shape(), int(MousePointer::Busy));
}

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
