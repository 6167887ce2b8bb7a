// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "window/Form2.h"

#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/Paths.h"
#include "window/ColourSwatch.h"
#include "window/Look.h"
#include "window/WindowUi.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {

const QString kFormLoad = QStringLiteral("in Palavine2021/08/31.Form2.Form_Load ");
const QString kQueryUnload = QStringLiteral("in Palavine2021/08/31.Form2.Form_QueryUnload ");
const QString kCloseClick = QStringLiteral("in Palavine2021/08/31.Form2.PushButton1_Click ");
const QString kPreviewClick = QStringLiteral("in Palavine2021/08/31.Form1.PushButton1_Click ");

constexpr int px(int twips) {
    return twips / Form2::TwipsPerPixel;
}
constexpr int twips(int pixels) {
    return pixels * Form2::TwipsPerPixel;
}

// The room between a window's frame and its inside (none before it was shown).
QMargins frameMargins(const QWidget* window) {
    const QRect inside = window->geometry();
    const QRect outside = window->frameGeometry();
    return QMargins(inside.left() - outside.left(), inside.top() - outside.top(),
                    outside.right() - inside.right(), outside.bottom() - inside.bottom());
}

void setColour(QWidget* widget, QPalette::ColorRole role, qint32 colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, ColourSwatch::toQColor(colour));
    widget->setPalette(palette);
}

} // namespace

Form2::Form2(WindowUi& ui, const QIcon& icon, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(ui) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Font Preview"));
    setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    resize(px(15960), px(3000));

    Frame1 = new QGroupBox(QStringLiteral("Preview"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(px(120), px(120), px(15735), px(2235));
    Text1 = new QPlainTextEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(px(240), px(300), px(15240), px(1740));
    PushButton1 = new QPushButton(QStringLiteral("Close"), this);
    PushButton1->setObjectName(QStringLiteral("PushButton1"));
    PushButton1->setGeometry(px(120), px(2475), px(15720), px(405));
    connect(PushButton1, &QPushButton::clicked, this, [this] { PushButton1_Click(); });

    setMouseTracking(true);
    Frame1->setMouseTracking(true);
    PushButton1->setMouseTracking(true);
    Frame1->installEventFilter(this);
    PushButton1->installEventFilter(this);
    pointer_.onChange = [this](int shape) { applyPointer(shape); };
    applyColours();

    Form_Load(icon);
    setWindowState(Qt::WindowMaximized);
}

void Form2::Form_Load(const QIcon& icon) {
    ErrorTrap trap(ui_, kFormLoad);
    trap.at(100, [&] { ApplyButtonFaceColors(this); });
    trap.at(102, [&] { setWindowIcon(icon.isNull() ? QApplication::windowIcon() : icon); });
    const QString cursorFile = DataFile(QStringLiteral("HAND-M.CUR"));
    bool hasCursor = false;
    trap.at(104, [&] { hasCursor = FileExists(cursorFile); });
    if (hasCursor)
        trap.at(106, [&] { customCursor_ = LoadCursorFile(cursorFile); });
}

void Form2::SetForeColor(qint32 colour) {
    foreColour_ = colour;
    applyColours();
}

void Form2::SetBackColor(qint32 colour) {
    backColour_ = colour;
    applyColours();
}

void Form2::applyColours() {
    setColour(Text1, QPalette::Text, foreColour_);
    setColour(Text1, QPalette::Base, backColour_);
}

void Form2::Form_Resize() {
    if (!(windowState() & Qt::WindowMaximized))
        return;
    const QSize outer = frameGeometry().size();
    const int width = twips(outer.width());
    const int height = twips(outer.height());
    const int buttonHeight = twips(PushButton1->height());

    QRect frame = Frame1->geometry();
    frame.setWidth(px(width - 360));
    frame.setHeight(px(height - 480 - buttonHeight - 300));
    Frame1->setGeometry(frame);
    const int frameWidth = twips(frame.width());
    const int frameHeight = twips(frame.height());
    QRect text = Text1->geometry();
    text.setWidth(px(frameWidth - 240 - 300));
    text.setHeight(px(frameHeight - 240 - 300));
    Text1->setGeometry(text);
    PushButton1->setGeometry(frame.left(), px(twips(frame.top()) + frameHeight + 120),
                             frame.width(), PushButton1->height());
}

void Form2::FixToScreen(const QWidget* beside) {
    const QScreen* screen = beside ? beside->screen() : this->screen();
    QMargins frame = frameMargins(this);
    if (frame.isNull() && beside)
        frame = frameMargins(beside);
    setFixedSize(screen->availableGeometry().size().shrunkBy(frame));
}

void Form2::PushButton1_Click() {
    ErrorTrap trap(ui_, kCloseClick);
    trap.at(100, [&] { close(); });
}

void Form2::closeEvent(QCloseEvent* event) {
    // The window is only hidden, never destroyed: it keeps its text and look.
    // The close is accepted, so that the program can still end while it shows.
    event->accept();
    ErrorTrap trap(ui_, kQueryUnload);
    trap.at(100, [&] {
        if (mainWindow_)
            mainWindow_->show();
    });
    trap.at(102, [&] { hide(); });
}

void Form2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form2::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void Form2::Form_MouseMove() {
    if (!pointer_.isBusy())
        pointer_.set(MousePointer::Default);
}

void Form2::Frame1_MouseMove() {
    Form_MouseMove();
}

void Form2::PushButton1_MouseMove() {
    if (!pointer_.isBusy())
        pointer_.set(MousePointer::Custom);
}

void Form2::mouseMoveEvent(QMouseEvent* event) {
    // A move over the button that the button leaves unhandled arrives here too:
    // the button's own rule has already run.
    QWidget* under = childAt(event->position().toPoint());
    if (!(under && (under == PushButton1 || PushButton1->isAncestorOf(under))))
        Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (PressButtonOnEnter(watched, event))
        return true;
    if (event->type() == QEvent::MouseMove) {
        if (watched == Frame1)
            Frame1_MouseMove();
        else if (watched == PushButton1)
            PushButton1_MouseMove();
    }
    return QWidget::eventFilter(watched, event);
}

void Form2::applyPointer(int shape) {
    if (shape == MousePointer::Busy)
        setCursor(Qt::WaitCursor);
    else if (shape == MousePointer::Custom)
        setCursor(customCursor_.value_or(QCursor(Qt::ArrowCursor)));
    else
        setCursor(Qt::ArrowCursor);
}

void ShowPreview(WindowUi& ui, Form2& preview, QWidget* mainWindow) {
    ErrorTrap trap(ui, kPreviewClick);
    trap.at(100, [&] {
        preview.setMainWindow(mainWindow);
        preview.FixToScreen(mainWindow);
        preview.showMaximized();
        preview.raise();
        preview.activateWindow();
    });
    trap.at(102, [&] {
        if (mainWindow)
            mainWindow->hide();
    });
}
