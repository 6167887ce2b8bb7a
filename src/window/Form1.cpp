// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "window/Form1.h"

#include "core/AppInfo.h"
#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/ListModel.h"
#include "core/Paths.h"
#include "core/SafeFiles.h"
#include "core/Settings.h"
#include "folders/AddFolder.h"
#include "folders/ListFiles.h"
#include "help/Help.h"
#include "listing/CreateList.h"
#include "listing/RemoveEntries.h"
#include "report/OutputFolder.h"
#include "report/PageWriter.h"
#include "window/Appearance.h"
#include "window/ColourSwatch.h"
#include "window/Form2.h"
#include "window/ListView.h"
#include "window/Look.h"
#include "window/WindowUi.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <unistd.h>

namespace {

const QString kFormLoad = QStringLiteral("in Palavine2021/08/31.Form1.Form_Load ");
const QString kPushButton8 = QStringLiteral("in Palavine2021/08/31.Form1.PushButton8_Click ");
const QString kPushButton9 = QStringLiteral("in Palavine2021/08/31.Form1.PushButton9_Click ");

constexpr int TwipsPerPixel = 15;
constexpr int ListColumnTwips = 7000;
constexpr int DeleteKeyCode = 46;
constexpr int CaptionGap = 4; // pixels between a swatch and its caption

int px(int twips) {
    return int(std::lround(twips / double(TwipsPerPixel)));
}

void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(px(left), px(top), px(width), px(height));
}

// A label whose text needs more room than its box (the font standing in for
// Arial may be a little wider) grows to the text, keeping its left and top.
void fitLabel(QLabel* label) {
    const QSize needed = label->sizeHint();
    label->resize(qMax(label->width(), needed.width()), qMax(label->height(), needed.height()));
}

QFont arial(double points, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

// The icons are compiled into the core library. The linker keeps a static
// library's resources only when something refers to them: this does.
static bool initResources() {
    Q_INIT_RESOURCE(palavine);
    return true;
}

QIcon ApplicationIcon() {
    [[maybe_unused]] static const bool registered = initResources();
    QIcon icon;
    for (int size : {32, 48, 128, 256})
        icon.addFile(QStringLiteral(":/icons/palavine-%1.png").arg(size), QSize(size, size));
    return icon;
}

Form1::Form1(WindowUi& ui, QWidget* parent) : QWidget(parent), ui_(ui) {
    setObjectName(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(arial(9, true));
    // The controls sit on a content of at least the design size, which
    // scrolls when the window is smaller (a small or scaled screen).
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    // Tab goes from control to control; the area scrolls to the one focused.
    scroll_->setFocusPolicy(Qt::NoFocus);
    content_ = new QWidget;
    content_->setMinimumSize(designSize());
    buildControls();
    scroll_->setWidget(content_);
    // The window's own background shows through.
    content_->setAutoFillBackground(false);
    scroll_->viewport()->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll_);
    for (QWidget* w : content_->findChildren<QWidget*>()) {
        if (!w->objectName().isEmpty())
            design_.insert(w, w->geometry());
    }
    setMinimumSize(designSize());
    resize(designSize());
    setAcceptDrops(true);
    ApplyWhiteBackground(this);
    pointer_.onChange = [this](int shape) { applyPointer(shape); };
    SetSettingsFailureHandler([this](const QString& reason) {
        ui_.message(QStringLiteral("Your options could not be saved: %1\r\rPalavine goes on; "
                                   "changes made now last until it closes.")
                        .arg(reason),
                    QString(), Ui::Icon::Warning);
    });
}

Form1::~Form1() {
    SetSettingsFailureHandler(nullptr);
}

void Form1::buildControls() {
    auto button = [this](int n, QWidget* parent, const QString& caption, int l, int t, int w,
                         int h) {
        auto* b = new QPushButton(caption, parent);
        b->setObjectName(QStringLiteral("PushButton%1").arg(n));
        b->setFont(arial(11.25, true));
        b->setAutoDefault(false);
        place(b, l, t, w, h);
        b->installEventFilter(this);
        b->setMouseTracking(true);
        PushButton[n] = b;
        return b;
    };
    auto frame = [this](const QString& name, const QString& caption, int l, int t, int w, int h) {
        auto* f = new QGroupBox(caption, content_);
        f->setObjectName(name);
        place(f, l, t, w, h);
        f->installEventFilter(this);
        f->setMouseTracking(true);
        return f;
    };

    // In tab order.
    ListView1 = new ListView(content_);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    place(ListView1, 120, 120, 7800, 2745);
    ListView1->setToolTip(QStringLiteral("Double-click item to remove it. Move | line to right and "
                                         "out of window to reveal full names."));
    ListView2 = new ListView(content_);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    place(ListView2, 8040, 120, 7800, 1125);
    ListView2->setToolTip(
        QStringLiteral("Move | line to right and out of window to reveal full names."));
    for (ListView* list : {ListView1, ListView2}) {
        list->setFont(arial(9, true));
        list->header()->setFont(arial(9, true));
    }

    button(6, content_, QStringLiteral("1. Add Folders and Subfolders"), 120, 2955, 3840, 405);
    button(5, content_, QStringLiteral("2. Start Creating List"), 120, 5350, 7800, 405);
    button(7, content_, QStringLiteral("3. Save Results As HTML File"), 8040, 5350, 7800, 405);
    button(8, content_, QStringLiteral("Clear List"), 8040, 1330, 3840, 405);
    button(9, content_, QStringLiteral("Clear List"), 120, 3465, 3840, 405);
    button(2, content_, QStringLiteral("Load Folders From Text File"), 4080, 2955, 3840, 405);
    button(3, content_, QStringLiteral("Load Sample/Example Data"), 4080, 3465, 3840, 405);
    button(4, content_, QStringLiteral("Remove Filenames Containing X"), 8040, 1840, 3840, 405);
    button(10, content_, QStringLiteral("Remove Filenames Not Cont. X"), 12000, 1840, 3840, 405);
    button(11, content_, QStringLiteral("Help"), 12000, 1330, 3840, 405);

    Frame1 = frame(QStringLiteral("Frame1"),
                   QStringLiteral("Filter: Only retrieve files with this file extension:"), 120,
                   4440, 7800, 795);
    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    place(Text1, 240, 300, 6255, 345);
    Text1->installEventFilter(this);
    Text1->setMouseTracking(true);
    button(12, Frame1, QStringLiteral("?"), 6600, 300, 960, 345);

    button(13, content_, QStringLiteral("Remove Filenames Containing X"), 120, 3975, 3840, 405);
    button(14, content_, QStringLiteral("Remove Filenames Not Cont. X"), 4080, 3975, 3840, 405);

    Frame4 = frame(QStringLiteral("Frame4"), QStringLiteral("Save Results To This Folder"), 8040,
                   4425, 7800, 810);
    Text2 = new QLineEdit(Frame4);
    Text2->setObjectName(QStringLiteral("Text2"));
    place(Text2, 240, 300, 6630, 345);
    button(15, Frame4, QStringLiteral("..."), 6960, 300, 600, 345);

    Frame3 =
        frame(QStringLiteral("Frame3"), QStringLiteral("Open After Option"), 8040, 3705, 7800, 690);
    Check1 = new QCheckBox(
        QStringLiteral("After HTML file is created, open it using default web browser"), Frame3);
    Check1->setObjectName(QStringLiteral("Check1"));
    place(Check1, 240, 300, 6075, 255);

    Frame2 =
        frame(QStringLiteral("Frame2"), QStringLiteral("Font Options"), 8040, 2295, 7800, 1365);
    Picture1 = new ColourSwatch(Frame2);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    place(Picture1, 1200, 825, 405, 405);
    Picture1->SetBackColor(16711680);
    Picture2 = new ColourSwatch(Frame2);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    place(Picture2, 4680, 825, 405, 405);
    Picture2->SetBackColor(16777215);
    button(16, Frame2, QStringLiteral("Change"), 6480, 300, 1080, 405);
    button(17, Frame2, QStringLiteral("Change"), 1760, 825, 1080, 405);
    button(18, Frame2, QStringLiteral("Change"), 5235, 825, 1080, 405);
    Label1_6 = new QLabel(QStringLiteral("Font Style:"), Frame2);
    Label1_6->setObjectName(QStringLiteral("Label1_6"));
    place(Label1_6, 240, 300, 6075, 405);
    Label1_1 = new QLabel(QStringLiteral("Font Color:"), Frame2);
    Label1_1->setObjectName(QStringLiteral("Label1_1"));
    place(Label1_1, 240, 900, 900, 225);
    Label1_2 = new QLabel(QStringLiteral("Background Color:"), Frame2);
    Label1_2->setObjectName(QStringLiteral("Label1_2"));
    place(Label1_2, 3000, 900, 1575, 225);
    button(1, Frame2, QStringLiteral("Preview"), 6480, 825, 1080, 405);
    fitLabel(Label1_6);
    // A swatch's caption ends a little before the swatch, never touching it:
    // its box reaches from a little left of its place to there, the text at
    // its right, whatever font stands in for Arial.
    for (auto [label, swatch] : {std::pair{Label1_1, Picture1}, std::pair{Label1_2, Picture2}}) {
        const int left = label->x() - 2 * CaptionGap;
        label->setGeometry(left, label->y(), swatch->x() - CaptionGap - left,
                           qMax(label->height(), label->sizeHint().height()));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }

    // What a screen reader says: each control's own name, where captions repeat.
    const std::pair<QWidget*, const char*> names[] = {
        {ListView1, "Folder/s"},
        {ListView2, "Results (List of Files)"},
        {PushButton[8], "Clear List, results"},
        {PushButton[9], "Clear List, folders"},
        {PushButton[4], "Remove Filenames Containing X, results"},
        {PushButton[10], "Remove Filenames Not Cont. X, results"},
        {PushButton[13], "Remove Filenames Containing X, folders"},
        {PushButton[14], "Remove Filenames Not Cont. X, folders"},
        {PushButton[12], "?, filter help"},
        {Text1, "File extension filter"},
        {Text2, "Output folder"},
        {PushButton[15], "..., choose output folder"},
        {PushButton[16], "Change font"},
        {PushButton[17], "Change font color"},
        {PushButton[18], "Change background color"},
        {PushButton[1], "Preview font"},
        {Picture1, "Font color"},
        {Picture2, "Background color"}};
    for (const auto& [widget, name] : names)
        widget->setAccessibleName(QString::fromUtf8(name));

    // Tab order as the table gives it.
    const QList<QWidget*> order = {ListView1,      ListView2,      PushButton[6],  PushButton[5],
                                   PushButton[7],  PushButton[8],  PushButton[9],  PushButton[2],
                                   PushButton[3],  PushButton[4],  PushButton[10], PushButton[11],
                                   Text1,          PushButton[12], PushButton[13], PushButton[14],
                                   Text2,          PushButton[15], Check1,         PushButton[16],
                                   PushButton[17], PushButton[18], PushButton[1]};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    for (QWidget* w : {static_cast<QWidget*>(ListView1), static_cast<QWidget*>(ListView2)}) {
        w->installEventFilter(this);
    }
    setMouseTracking(true);
    installEventFilter(this);
    content_->setMouseTracking(true);
    content_->installEventFilter(this);
    connect(ListView1, &ListView::pointerMoved, this, &Form1::Background_MouseMove);
    connect(ListView2, &ListView::pointerMoved, this, &Form1::Background_MouseMove);

    // Options are saved on every change.
    connect(Text1, &QLineEdit::textChanged, this,
            [](const QString& text) { SaveOption(Option::Filter, text); });
    connect(Text2, &QLineEdit::textChanged, this,
            [](const QString& text) { SaveOption(Option::OutputFolder, text); });
    connect(Check1, &QCheckBox::stateChanged, this, [this](int) {
        SaveOption(Option::OpenAfterSaving,
                   Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    });

    // Commands.
    const std::pair<int, void (Form1::*)()> handlers[] = {
        {1, &Form1::PushButton1_Click},   {2, &Form1::PushButton2_Click},
        {3, &Form1::PushButton3_Click},   {4, &Form1::PushButton4_Click},
        {5, &Form1::PushButton5_Click},   {6, &Form1::PushButton6_Click},
        {7, &Form1::PushButton7_Click},   {8, &Form1::PushButton8_Click},
        {9, &Form1::PushButton9_Click},   {10, &Form1::PushButton10_Click},
        {11, &Form1::PushButton11_Click}, {12, &Form1::PushButton12_Click},
        {13, &Form1::PushButton13_Click}, {14, &Form1::PushButton14_Click},
        {15, &Form1::PushButton15_Click}, {16, &Form1::PushButton16_Click},
        {17, &Form1::PushButton17_Click}, {18, &Form1::PushButton18_Click}};
    for (const auto& [n, handler] : handlers)
        connect(PushButton[n], &QPushButton::clicked, this,
                [this, click = handler] { (this->*click)(); });

    connect(ListView1, &ListView::itemDoubleClicked, this, &Form1::ListView1_DblClick);
    connect(ListView1, &ListView::deleteKeyPressed, this,
            [this] { ListView1_KeyDown(DeleteKeyCode, QApplication::keyboardModifiers()); });
    connect(ListView2, &ListView::deleteKeyPressed, this,
            [this] { ListView2_KeyDown(DeleteKeyCode, QApplication::keyboardModifiers()); });
}

void Form1::Form_Load() {
    ErrorTrap trap(ui_, kFormLoad);
    trap.at(100, [&] { ApplySkin(this); });
    trap.at(102, [&] {
        setWindowTitle(AppInfo::ProductName);
        setWindowIcon(ApplicationIcon());
        SetAppTitle();
    });
    const QString cursorFile = DataFile(QStringLiteral("HAND-M.CUR"));
    bool hasCursor = false;
    trap.at(104, [&] { hasCursor = FileExists(cursorFile); });
    if (hasCursor) {
        trap.at(106, [&] { customCursor_ = LoadCursorFile(cursorFile); });
    }
    trap.at(108, [&] {
        const int n = int(std::floor(ui_.randomDraw() * 100)) + 1;
        if (n == 7 && AppInfo::StartupPage)
            ui_.openUrl(QUrl(AppInfo::HomePage));
    });
    trap.at(128, [&] { ListView1->SetColumnHeader(QStringLiteral("Folder/s"), ListColumnTwips); });
    trap.at(130, [&] { ListView1->setColumnWidth(0, px(ListColumnTwips)); });
    trap.at(132, [&] {
        ListView2->SetColumnHeader(QStringLiteral("Results (List of Files)"), ListColumnTwips);
    });
    trap.at(134, [&] { ListView2->setColumnWidth(0, px(ListColumnTwips)); });
    trap.at(136, [&] { Text1->setText(GetOption(Option::Filter, Option::DefaultFilter)); });
    trap.at(138, [&] { Text2->setText(GetOption(Option::OutputFolder, DesktopFolder())); });
    trap.at(140, [&] {
        const qint32 value =
            ToWholeNumber(GetOption(Option::OpenAfterSaving, Option::DefaultOpenAfterSaving));
        if (value != 0 && value != 1)
            throw AppError(380, QStringLiteral("Invalid property value"));
        Check1->setChecked(value == 1);
    });
    restoreAppearance(trap);
}

void Form1::restoreAppearance(ErrorTrap& trap) {
    // Touching the preview's text box creates the preview window, hidden.
    trap.at(142, [&] {
        if (!form2_) {
            form2_ = new Form2(ui_, ApplicationIcon());
            form2_->setMainWindow(this);
        }
    });
    if (form2_)
        RestoreAppearance(trap, *form2_, *Picture1, *Picture2, *Label1_6);
}

template <class F> void Form1::command(F&& body) {
    ++runningCommands_;
    body();
    --runningCommands_;
}

void Form1::PushButton1_Click() {
    command([&] {
        if (form2_)
            ShowPreview(ui_, *form2_, this);
    });
}

void Form1::PushButton2_Click() {
    command([&] { LoadFoldersFromTextFiles(ui_, pointer_, *ListView1, this); });
}

void Form1::PushButton3_Click() {
    command([&] { LoadSampleData(ui_, *ListView1); });
}

void Form1::PushButton4_Click() {
    command([&] { RemoveEntriesCommand(ui_, pointer_, *ListView2, true, PushButton4Location); });
}

void Form1::PushButton5_Click() {
    command([&] {
        const auto run = [&] {
            CreateFileList(
                ui_, *ListView1, *ListView2, [this] { return Text1->text(); }, creatingList_);
        };
        // A second press during a run changes nothing, the pointer included.
        if (creatingList_)
            return run();
        const BusyPointer busy(pointer_);
        run();
    });
}

void Form1::PushButton6_Click() {
    command([&] { AddFoldersAndSubfolders(ui_, pointer_, *ListView1, this); });
}

void Form1::PushButton7_Click() {
    command([&] {
        SaveResultsAsHtml(
            ui_, pointer_, *ListView2, Text2->text(), Picture1->BackColor(), Picture2->BackColor(),
            [this] { return Check1->isChecked(); }, saving_);
    });
}

void Form1::PushButton8_Click() {
    ErrorTrap trap(ui_, kPushButton8);
    trap.at(100, [&] { ListView2->Clear(); });
}

void Form1::PushButton9_Click() {
    ErrorTrap trap(ui_, kPushButton9);
    trap.at(100, [&] { ListView1->Clear(); });
}

void Form1::PushButton10_Click() {
    command([&] { RemoveEntriesCommand(ui_, pointer_, *ListView2, false, PushButton10Location); });
}

void Form1::PushButton11_Click() {
    ShowHelp(ui_);
}

void Form1::PushButton12_Click() {
    ShowFilterHelp(ui_);
}

void Form1::PushButton13_Click() {
    command([&] { RemoveEntriesCommand(ui_, pointer_, *ListView1, true, PushButton13Location); });
}

void Form1::PushButton14_Click() {
    command([&] { RemoveEntriesCommand(ui_, pointer_, *ListView1, false, PushButton14Location); });
}

void Form1::PushButton15_Click() {
    ChooseOutputFolder(ui_, this, LastFolder,
                       [this](const QString& path) { Text2->setText(path); });
}

void Form1::PushButton16_Click() {
    if (form2_)
        ChangeFont(ui_, this, *form2_, *Label1_6);
}

void Form1::PushButton17_Click() {
    if (form2_)
        ChangeTextColour(ui_, this, *Picture1, *form2_);
}

void Form1::PushButton18_Click() {
    if (form2_)
        ChangeBackgroundColour(ui_, this, *Picture2, *form2_);
}

void Form1::removeSelected(ListView* list) {
    if (pointer_.isBusy() || list->Count() == 0)
        return;
    const int selected = list->SelectedIndex();
    if (selected == 0)
        return;
    list->Remove(selected);
}

void Form1::ListView1_DblClick() {
    removeSelected(ListView1);
}

void Form1::ListView1_KeyDown(int keyCode, Qt::KeyboardModifiers) {
    if (keyCode == DeleteKeyCode)
        removeSelected(ListView1);
}

void Form1::ListView2_KeyDown(int keyCode, Qt::KeyboardModifiers) {
    if (keyCode == DeleteKeyCode)
        removeSelected(ListView2);
}

void Form1::PushButton_MouseMove() {
    if (!pointer_.isBusy())
        pointer_.set(MousePointer::Custom);
}

void Form1::Background_MouseMove() {
    if (!pointer_.isBusy())
        pointer_.set(MousePointer::Default);
}

void Form1::applyPointer(int shape) {
    // The text boxes keep their own text cursor, except under the hourglass.
    for (QLineEdit* box : {Text1, Text2}) {
        if (shape == MousePointer::Busy)
            box->setCursor(Qt::WaitCursor);
        else
            box->setCursor(Qt::IBeamCursor);
    }
    switch (shape) {
    case MousePointer::Busy:
        setCursor(Qt::WaitCursor);
        break;
    case MousePointer::Custom:
        setCursor(customCursor_.value_or(QCursor(Qt::ArrowCursor)));
        break;
    default:
        setCursor(Qt::ArrowCursor);
        break;
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_ && event->type() == QEvent::Resize)
        layoutControls();
    if (PressButtonOnEnter(watched, event))
        return true;
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        // A move over a button that the button leaves unhandled reaches its
        // frame or the window too: what counts is the control under the pointer.
        auto* under = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::MouseMove) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            if (QWidget* child = under->childAt(at))
                under = child;
        }
        if (qobject_cast<QPushButton*>(under))
            PushButton_MouseMove();
        else
            Background_MouseMove();
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    // Ends the program at once, with the hidden preview window. Every option
    // was saved when it changed; a command still running is abandoned.
    if (runningCommands_ > 0) {
        RemoveUnfinishedFiles();
        ::_exit(0);
    }
    QCoreApplication::quit();
}

QSize Form1::designSize() {
    return {px(15960), px(5850)};
}

void Form1::layoutControls() {
    const QSize design = designSize();
    const int dx = qMax(0, content_->width() - design.width());
    const int dy = qMax(0, content_->height() - design.height());
    // The two columns share the extra width; what stands in a column widens
    // with it, and what stands below a list moves down as the list grows.
    const int columnWidth = px(7800);
    const int leftColumn = px(120);
    const int rightColumn = px(8040);
    const int leftExtra = dx / 2;
    const int rightExtra = dx - leftExtra;
    for (auto it = design_.cbegin(); it != design_.cend(); ++it) {
        QWidget* w = it.key();
        if (w->parentWidget() != content_)
            continue;
        const QRect r = it.value();
        const bool left = r.x() < rightColumn;
        const int from = left ? leftColumn : rightColumn;
        const int to = left ? leftColumn : rightColumn + leftExtra;
        const int width = columnWidth + (left ? leftExtra : rightExtra);
        const int x1 = to + (r.left() - from) * width / columnWidth;
        const int x2 = to + (r.left() + r.width() - from) * width / columnWidth;
        const bool list = w == ListView1 || w == ListView2;
        w->setGeometry(x1, r.y() + (list ? 0 : dy), x2 - x1, r.height() + (list ? dy : 0));
    }
    // Inside the frames the text boxes and the font caption widen; the
    // buttons at their right edge keep their distance to it.
    for (auto it = design_.cbegin(); it != design_.cend(); ++it) {
        QWidget* w = it.key();
        auto* frame = qobject_cast<QGroupBox*>(w->parentWidget());
        if (!frame)
            continue;
        const int extra = frame->width() - design_.value(frame).width();
        QRect r = it.value();
        if (w == Text1 || w == Text2 || w == Label1_6)
            r.setWidth(r.width() + extra);
        else if (w == PushButton[12] || w == PushButton[15] || w == PushButton[16] ||
                 w == PushButton[1])
            r.translate(extra, 0);
        w->setGeometry(r);
    }
}

void Form1::placeOnScreen(const QRect& available, const QMargins& frame) {
    const QSize design = designSize();
    const QSize room = available.size().shrunkBy(frame).expandedTo(QSize(1, 1));
    QSize size = design.boundedTo(room);
    // Content cut in one direction needs the room of that scroll bar in the
    // other; a few pixels more, as a scaled screen rounds the bar up.
    const int bar = qMax(style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_),
                         scroll_->horizontalScrollBar()->sizeHint().height()) +
                    4;
    if (size.width() < design.width())
        size.setHeight(qMin(design.height() + bar, room.height()));
    if (size.height() < design.height())
        size.setWidth(qMin(design.width() + bar, room.width()));
    setMinimumSize(design.boundedTo(room));
    resize(size);
    const QRect outer =
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size.grownBy(frame), available);
    setGeometry(outer.marginsRemoved(frame));
}

QStringList Form1::FolderArguments(const QList<QByteArray>& arguments) {
    QStringList folders;
    bool options = true;
    const QDir current(CurrentFolder());
    for (const QByteArray& argument : arguments) {
        if (options && argument == "--") {
            options = false;
            continue;
        }
        if (argument.isEmpty() || (options && argument.startsWith('-')))
            continue;
        folders.append(QDir::cleanPath(current.absoluteFilePath(DecodeFileName(argument))));
    }
    return folders;
}

void Form1::tellNotAdded(const QStringList& paths, const QString& what) {
    if (paths.isEmpty())
        return;
    QStringList shown;
    for (const QString& path : paths.mid(0, 10))
        shown.append(ShownText(path));
    QString text = (paths.size() == 1 ? QStringLiteral("Not added, %1:")
                                      : QStringLiteral("%2 not added, %1:").arg(paths.size()))
                       .arg(what) +
                   QStringLiteral("\r\r") + shown.join(QLatin1Char('\r'));
    if (paths.size() > shown.size())
        text += QStringLiteral("\r...");
    ui_.message(text, QString(), Ui::Icon::Warning);
}

void Form1::AddFolderArguments(const QStringList& paths) {
    command([&] {
        QStringList folders, others;
        for (const QString& path : paths)
            (IsFolder(path) ? folders : others).append(path);
        if (!folders.isEmpty())
            AddFolderTrees(ui_, pointer_, *ListView1, folders);
        tellNotAdded(others, QStringLiteral("not a folder"));
    });
}

void Form1::DropPaths(const QStringList& paths) {
    command([&] {
        QStringList folders, lists, others;
        const QMimeDatabase types;
        for (const QString& path : paths) {
            if (IsFolder(path))
                folders.append(path);
            else if (IsExistingFile(path) &&
                     types.mimeTypeForFile(path).inherits(QStringLiteral("text/plain")))
                lists.append(path);
            else
                others.append(path);
        }
        if (!folders.isEmpty())
            AddFolderTrees(ui_, pointer_, *ListView1, folders);
        if (!lists.isEmpty())
            LoadFolderListFiles(ui_, pointer_, *ListView1, lists);
        tellNotAdded(others, QStringLiteral("neither a folder nor a plain-text list of folders"));
    });
}

namespace {
// The local paths a drop carries, their bytes kept.
QStringList droppedPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.append(DecodeFileName(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())));
    }
    return paths;
}
} // namespace

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
    const QStringList paths = droppedPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    // Once the drop is over: the file manager waits for it to end.
    QTimer::singleShot(0, this, [this, paths] { DropPaths(paths); });
}
