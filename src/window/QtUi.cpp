// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "window/QtUi.h"

#include "core/FileNames.h"
#include "core/Paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSpacerItem>
#include <QStyle>
#include <QValidator>

#include <time.h>

namespace {
// Pending events run at most this often; a million yields then cost almost nothing.
constexpr qint64 YieldIntervalMs = 10;

// A size typed in the font chooser: a decimal with "." or "," before its
// fraction; 0 when it is none.
double typedFontSize(QString text) {
    bool ok = false;
    const double size = text.replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok && size > 0 ? size : 0;
}

QWidget* activeParent() {
    return QApplication::activeWindow();
}

// Qt's own folder dialog can report more than one folder after a path was
// typed: when its text box lacks the keyboard focus, each folder its completion
// passed on the way stays selected, and the first of them, a parent of the
// folder typed, would be taken. Then the folder typed is the one chosen.
QString chosenFolder(const QFileDialog& dialog, QString typed) {
    const QStringList selected = dialog.selectedFiles();
    if (selected.size() > 1 && !typed.isEmpty()) {
        if (typed == QLatin1String("~") || typed.startsWith(QLatin1String("~/")))
            typed = QDir::homePath() + typed.mid(1);
        const QString path = RecoverFileName(QDir::cleanPath(
            QDir::isAbsolutePath(typed) ? typed : dialog.directory().absoluteFilePath(typed)));
        if (IsFolder(path))
            return path;
    }
    return RecoverFileName(selected.value(0));
}

// A message box wraps a text wider than about 500 pixels, and breaks an
// address at a "/". A text that fits the screen is given the width of its
// longest line, so that it is shown as written.
void keepLinesWhole(QMessageBox& box, const QString& text) {
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QScreen* screen = box.screen();
    if (!label || !screen)
        return;
    const int screenWidth = screen->availableGeometry().width();
    // The widest box Qt lays out without breaking words anywhere, less the
    // room for an icon and the margins.
    const int widest = (screenWidth <= 1024 ? screenWidth : qMin(screenWidth - 480, 1000)) - 120;
    const QFontMetrics metrics(label->font());
    int needed = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        needed = qMax(needed, metrics.horizontalAdvance(line));
    needed += 2 * label->margin() + 4;
    if (needed <= widest)
        label->setMinimumWidth(needed);
}

// A box with a short text ("Done.") is narrower than its title bar needs: the
// window manager cuts the title ("Pa…ne"). The box is made wide enough for its
// title in a bold face with the window manager's icon and three buttons.
void keepTitleWhole(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    QFont bold = box.font();
    bold.setBold(true);
    const int bar =
        qMax(box.style()->pixelMetric(QStyle::PM_TitleBarHeight), QFontMetrics(bold).height() + 6);
    const int width = QFontMetrics(bold).horizontalAdvance(box.windowTitle()) + 4 * bar + 48;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

// Milliseconds from the coarse monotonic clock: a few nanoseconds to read, and
// fine enough (a few milliseconds) for time slices of this length.
qint64 coarseNowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
} // namespace

QtUi::QtUi() : lastYieldMs_(coarseNowMs()) {}

QString QtUi::displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void QtUi::message(const QString& text, const QString& title, Icon icon) {
    QMessageBox box(activeParent());
    box.setWindowTitle(title.isEmpty() ? AppTitle() : title);
    const QString shown = displayText(text);
    box.setText(shown);
    box.setTextFormat(Qt::PlainText);
    keepLinesWhole(box, shown);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    keepTitleWhole(box);
    box.exec();
}

QString QtUi::inputBox(const QString& prompt, const QString& title) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(activeParent(), title.isEmpty() ? AppTitle() : title,
                              displayText(prompt), QLineEdit::Normal, QString(), &ok);
    return ok ? answer : QString();
}

QString QtUi::chooseFolder(QWidget* owner, const QString& title, const QString& start) {
    // The dialog shows names, not bytes: a name that is not valid UTF-8 comes
    // back with U+FFFD, and is looked up again.
    QFileDialog dialog(owner, title, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // What the user typed: the dialog rewrites its text box as its selection
    // changes.
    QString typed;
    if (auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        QObject::connect(box, &QLineEdit::textEdited, &dialog,
                         [&typed](const QString& text) { typed = text; });
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return chosenFolder(dialog, typed);
}

QStringList QtUi::chooseFiles(QWidget* owner, const QString& title, const QStringList& filters) {
    QStringList files =
        QFileDialog::getOpenFileNames(owner, title, QString(), filters.join(QStringLiteral(";;")));
    for (QString& file : files)
        file = RecoverFileName(file);
    return files;
}

std::optional<QFont> QtUi::chooseFont(QWidget* owner, const QFont& initial) {
    // Qt's own chooser, the same on every desktop. Strikethrough and underline
    // are not chosen here (they keep their stored values), so its effects
    // group, the only one with check boxes, is hidden; the sample beside it
    // takes its height from that row, and keeps it.
    // A family the system lacks (Arial, Courier New) opens at the font that
    // stands in for it, not at the chooser's first entry.
    QFont preset = initial;
    if (!QFontDatabase::families().contains(initial.family(), Qt::CaseInsensitive))
        preset.setFamily(QFontInfo(initial).family());
    QFontDialog dialog(preset, owner);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    QGroupBox* effects = nullptr;
    QGroupBox* sample = nullptr;
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        if (!group->findChildren<QCheckBox*>().isEmpty())
            effects = group;
        else if (!group->findChildren<QLineEdit*>().isEmpty())
            sample = group;
    }
    if (effects) {
        if (sample)
            sample->setMinimumHeight(effects->sizeHint().height());
        effects->hide();
    }
    // Qt's chooser takes whole sizes only: its size box refuses the decimal
    // point, so "10.5" typed became 105. The box takes a fraction here (with
    // "." or the "," of many locales), the sample shows it, and the font
    // chosen has it.
    QLineEdit* sizeBox = nullptr;
    for (QLineEdit* box : dialog.findChildren<QLineEdit*>()) {
        if (qobject_cast<const QIntValidator*>(box->validator()))
            sizeBox = box;
    }
    QLineEdit* sampleText = sample ? sample->findChild<QLineEdit*>() : nullptr;
    if (sizeBox) {
        sizeBox->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,4}([.,][0-9]{0,2})?")), sizeBox));
        // After the chooser's own handler, which reads whole numbers only.
        QObject::connect(sizeBox, &QLineEdit::textChanged, sizeBox,
                         [sampleText](const QString& text) {
                             if (const double size = typedFontSize(text); size > 0 && sampleText) {
                                 QFont font = sampleText->font();
                                 font.setPointSizeF(size);
                                 sampleText->setFont(font);
                             }
                         });
        if (initial.pointSizeF() > 0 && initial.pointSizeF() != initial.pointSize())
            sizeBox->setText(QString::number(initial.pointSizeF()));
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QFont chosen = dialog.selectedFont();
    if (const double size = sizeBox ? typedFontSize(sizeBox->text()) : 0; size > 0)
        chosen.setPointSizeF(size);
    return chosen;
}

std::optional<QColor> QtUi::chooseColor(QWidget* owner, const QColor& initial) {
    const QColor colour = QColorDialog::getColor(initial, owner);
    if (!colour.isValid())
        return std::nullopt;
    return colour;
}

void QtUi::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

double QtUi::randomDraw() {
    return QRandomGenerator::global()->generateDouble();
}

void QtUi::yield() {
    if (coarseNowMs() - lastYieldMs_ < YieldIntervalMs)
        return;
    QCoreApplication::processEvents();
    lastYieldMs_ = coarseNowMs();
}
