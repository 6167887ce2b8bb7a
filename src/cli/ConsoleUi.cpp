#include "cli/ConsoleUi.h"

#include "app/FileNames.h"

#include <QProcess>

ConsoleUi::ConsoleUi(std::FILE* err, bool progress) : err_(err), progress_(progress) {
    clock_.start();
}

void ConsoleUi::message(const QString& text, const QString&, Icon) {
    // A report box's first line is its description; the rest is for a window.
    QString first = text.section(QLatin1Char('\r'), 0, 0).section(QLatin1Char('\n'), 0, 0);
    warn(first);
}

void ConsoleUi::openUrl(const QUrl& url) {
    const QString target = url.isLocalFile() ? url.toLocalFile() : url.toString();
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {target}))
        warn(QStringLiteral("could not start xdg-open to open ") + DisplayFileName(target));
}

void ConsoleUi::warn(const QString& text) {
    clearLine();
    std::fprintf(err_, "palavine: %s\n", text.toUtf8().constData());
    std::fflush(err_);
}

void ConsoleUi::warn(const QString& path, const QString& reason) {
    warn(DisplayFileName(path) + QStringLiteral(": ") + reason);
}

void ConsoleUi::draw(bool force) {
    const qint64 now = clock_.elapsed();
    if (!force && now - lastDraw_ < 250)
        return;
    lastDraw_ = now;
    const double seconds = now / 1000.0;
    const double rate = seconds > 0 ? double(files_) / seconds : 0;
    std::fprintf(err_, "\r%lld folders read, %lld files found, %.0f files/s\033[K",
                 (long long)folders_, (long long)files_, rate);
    std::fflush(err_);
    shown_ = true;
}

void ConsoleUi::clearLine() {
    if (!shown_)
        return;
    std::fputs("\r\033[K", err_);
    shown_ = false;
}

void ConsoleUi::endProgress() {
    clearLine();
    progress_ = false;
}
