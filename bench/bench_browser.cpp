// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
//
// Opening the written page: headless Chromium from its start to its first
// screenshot, for pages of 100k and 1M entries, against the least a browser
// must do for such a page, in the same run: the same bytes, with the entries
// of the first screen as elements and every later line inert inside one HTML
// comment, so that the browser reads every byte and draws one screen. The two
// first screens are compared.
#include "Bench.h"

#include "report/PageWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

constexpr qsizetype ChunkBytes = qsizetype(1) << 20;

QString chromium() {
    for (const char* name : {"chromium", "chromium-browser", "google-chrome"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

// Entries beyond a first screen of 1280 x 800.
constexpr int FirstScreenEntries = 100;

// Writes the page of n entries as the program does, the reference (the head,
// the first screen's entry lines, then the later ones inside one comment, and
// the tail) and, when asked, the page of plain link lines without blocks.
void writePages(int n, const QString& page, const QString& reference,
                const QString& linkLines = QString()) {
    QFile pageFile(page), referenceFile(reference), linksFile(linkLines);
    pageFile.open(QIODevice::WriteOnly);
    referenceFile.open(QIODevice::WriteOnly);
    if (!linkLines.isEmpty())
        linksFile.open(QIODevice::WriteOnly);
    QByteArray links = PageHead(PageStyle{});
    QByteArray blocks, lines = PageHead(PageStyle{});
    PageBody body(blocks, PageStyle{});
    for (int i = 0; i < n; ++i) {
        const QString entry = benchPageEntry(i);
        body.add(entry);
        if (i == FirstScreenEntries)
            lines += "<!--\r\n";
        AppendPageEntryLine(
            lines, i < FirstScreenEntries
                       ? entry
                       : QString(entry).replace(QStringLiteral("--"), QStringLiteral("- ")));
        if (blocks.size() >= ChunkBytes) {
            pageFile.write(blocks);
            blocks.resize(0);
        }
        if (lines.size() >= ChunkBytes) {
            referenceFile.write(lines);
            lines.resize(0);
        }
        if (linksFile.isOpen()) {
            AppendPageEntryLine(links, entry);
            if (links.size() >= ChunkBytes) {
                linksFile.write(links);
                links.resize(0);
            }
        }
    }
    if (linksFile.isOpen())
        linksFile.write(links + PageTail());
    body.finish();
    pageFile.write(blocks);
    referenceFile.write(lines + (n > FirstScreenEntries ? "-->\r\n" : "") + PageTail());
}

struct Shot {
    double seconds = 0;
    bool capped = false;
    QImage image;
};

// Starts the browser on the page and waits for its screenshot, at most `cap`
// seconds.
Shot firstScreen(const QString& browser, const QString& page, const QString& png, double cap) {
    QTemporaryDir profile;
    QFile::remove(png);
    QStringList arguments{QStringLiteral("--headless"),
                          QStringLiteral("--disable-gpu"),
                          QStringLiteral("--no-first-run"),
                          QStringLiteral("--disable-background-networking"),
                          QStringLiteral("--disable-component-update"),
                          QStringLiteral("--disable-sync"),
                          QStringLiteral("--hide-scrollbars"),
                          QStringLiteral("--user-data-dir=") + profile.path(),
                          QStringLiteral("--window-size=1280,800"),
                          QStringLiteral("--screenshot=") + png,
                          QUrl::fromLocalFile(page).toString()};
    if (::geteuid() == 0)
        arguments.prepend(QStringLiteral("--no-sandbox"));
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    Shot shot;
    QElapsedTimer timer;
    timer.start();
    process.start(browser, arguments);
    for (;;) {
        const bool ended = process.waitForFinished(10);
        shot.seconds = timer.nsecsElapsed() / 1e9;
        if (QFileInfo(png).size() > 0 || ended)
            break;
        if (shot.seconds > cap) {
            shot.capped = true;
            shot.seconds = cap;
            process.kill();
            break;
        }
    }
    process.waitForFinished(30000);
    if (!shot.capped)
        shot.image.load(png);
    return shot;
}

qint64 differingPixels(const QImage& a, const QImage& b);

// Whether the page shows a person what the page of plain link lines shows,
// through links.mjs: find-in-page, the links once made, and the most pixels
// that differ on five screens scrolled alike; empty when it can't be had.
QString sameToAPerson(const QString& browser, const QString& page, const QString& links,
                      const QString& dir) {
    const QString here = QCoreApplication::applicationDirPath();
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty() ||
        !QFileInfo::exists(here + QStringLiteral("/node_modules/playwright-core")))
        return {};
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(node, {here + QStringLiteral("/links.mjs"), browser, page, links, dir});
    if (!process.waitForFinished(1200000) || process.exitCode() != 0)
        return QStringLiteral("not compared");
    qint64 most = 0;
    for (int n = 0; n < 5; ++n) {
        const QImage plain(dir + QStringLiteral("/screen-%1-0.png").arg(n));
        const QImage shown(dir + QStringLiteral("/screen-%1-1.png").arg(n));
        const qint64 differ = differingPixels(plain, shown);
        most = differ < 0 ? plain.width() * qint64(plain.height()) : std::max(most, differ);
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed() +
           QStringLiteral(", at most %1 pixels of a screen differ").arg(most);
}

// The first contentful paint of each page in a normal load, in milliseconds
// (the best of 3), through playwright-core beside the benchmark; empty when
// that can't be had.
std::vector<double> firstPaints(const QString& browser, const QStringList& pages) {
    const QString dir = QCoreApplication::applicationDirPath();
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty() || !QFileInfo::exists(dir + QStringLiteral("/node_modules/playwright-core")))
        return {};
    QStringList arguments{dir + QStringLiteral("/paint.mjs"), browser};
    for (int round = 0; round < 3; ++round)
        arguments += pages;
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(node, arguments);
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        return {};
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.size() != 3 * pages.size())
        return {};
    std::vector<double> best(size_t(pages.size()), 1e300);
    for (qsizetype i = 0; i < lines.size(); ++i)
        best[size_t(i % pages.size())] =
            std::min(best[size_t(i % pages.size())], lines[i].toDouble());
    return best;
}

qint64 differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 differ = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            differ += p[col] != q[col] ? 1 : 0;
    }
    return differ;
}

BenchResult openPage(const BenchContext& context, int entries, double cap) {
    const QString browser = chromium();
    if (browser.isEmpty()) {
        std::fprintf(stderr, "no chromium: ./dev bench installs it\n");
        std::exit(1);
    }
    const QString blocked = context.workDir + QStringLiteral("/FileList.html");
    const QString least = context.workDir + QStringLiteral("/least.html");
    const QString links = context.workDir + QStringLiteral("/links.html");
    writePages(entries, blocked, least, links);
    // The browser's own first start (profile, font caches) is not the page's.
    const QString tiny = context.workDir + QStringLiteral("/tiny.html");
    writePages(10, tiny, context.workDir + QStringLiteral("/tiny-least.html"));
    firstScreen(browser, tiny, context.workDir + QStringLiteral("/tiny.png"), 60);

    // In turn, the best of 3 each.
    Shot best, reference;
    for (int i = 0; i < 3; ++i) {
        Shot shot =
            firstScreen(browser, blocked, context.workDir + QStringLiteral("/page.png"), cap);
        if (i == 0 || shot.seconds < best.seconds)
            best = shot;
        shot = firstScreen(browser, least, context.workDir + QStringLiteral("/least.png"), cap);
        if (i == 0 || shot.seconds < reference.seconds)
            reference = shot;
    }

    BenchResult r;
    r.seconds = best.seconds;
    r.referenceSeconds = reference.seconds;
    r.referenceCapped = reference.capped;
    r.reference = QStringLiteral("its bytes, one screen");
    r.goal = 1.5;
    QString size = QStringLiteral("%1 MB").arg(QFileInfo(blocked).size() / 1e6, 0, 'f', 1);
    const std::vector<double> paints = firstPaints(browser, {blocked, least});
    size += paints.empty()
                ? QStringLiteral("; first paint not measured (no node or playwright-core)")
                : QStringLiteral("; first contentful paint %1 ms, reference %2 ms (%3x)")
                      .arg(paints[0], 0, 'f', 0)
                      .arg(paints[1], 0, 'f', 0)
                      .arg(paints[0] / paints[1], 0, 'f', 2);
    const QString compared = sameToAPerson(browser, blocked, links, context.workDir);
    if (!compared.isEmpty())
        size += QStringLiteral("; beside plain link lines: ") + compared;
    if (reference.capped) {
        r.note = QStringLiteral("%1; reference stopped at %2 s").arg(size).arg(cap);
    } else {
        const qint64 differ = differingPixels(best.image, reference.image);
        r.note = QStringLiteral("%1; first screens: %2 of %3 pixels differ")
                     .arg(size)
                     .arg(differ)
                     .arg(qint64(best.image.width()) * best.image.height());
    }
    return r;
}

} // namespace

PALAVINE_BENCH_STAGE(QStringLiteral("browser first screen 100k"),
                     [](const BenchContext& c) { return openPage(c, 100000, 120); });
PALAVINE_BENCH_STAGE(QStringLiteral("browser first screen 1M"),
                     [](const BenchContext& c) { return openPage(c, 1000000, 120); });
