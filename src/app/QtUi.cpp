#include "app/QtUi.h"

#include "app/FileNames.h"
#include "app/Helpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QRandomGenerator>

#include <time.h>

namespace {
// Pending events run at most this often; a million yields then cost almost nothing.
constexpr qint64 YieldIntervalMs = 10;

QWidget* activeParent() {
    return QApplication::activeWindow();
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
    box.setText(displayText(text));
    box.setTextFormat(Qt::PlainText);
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
    return RecoverFileName(
        QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly));
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
    // group, the only one with check boxes, is hidden.
    // A family the system lacks (Arial, Courier New) opens at the font that
    // stands in for it, not at the chooser's first entry.
    QFont preset = initial;
    if (!QFontDatabase::families().contains(initial.family(), Qt::CaseInsensitive))
        preset.setFamily(QFontInfo(initial).family());
    QFontDialog dialog(preset, owner);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        if (!group->findChildren<QCheckBox*>().isEmpty())
            group->hide();
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedFont();
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
