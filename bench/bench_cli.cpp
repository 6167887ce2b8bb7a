// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The command line over the generated trees against find, and its peak memory.
#include "Bench.h"

#include <QCoreApplication>
#include <QFile>

#include <sys/resource.h>

namespace {

// goal: the largest ratio to find; 0 for none.
BenchResult commandLineList(const BenchContext& context, const QString& tree, double goal) {
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../palavine");
    // No stored options: the filter is "*", every file is listed.
    qputenv("PALAVINE_SETTINGS", QFile::encodeName(context.workDir + QStringLiteral("/none.conf")));
    BenchResult r;
    r.seconds = timeCommand(program,
                            {QStringLiteral("list"), QStringLiteral("--quiet"),
                             QStringLiteral("-o"), context.workDir, tree},
                            3);
    // Only the command line's runs so far: the peak of the largest.
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const double peakMb = double(usage.ru_maxrss) / 1024.0;
    r.referenceSeconds = timeCommand(QStringLiteral("find"),
                                     {tree, QStringLiteral("-type"), QStringLiteral("f")}, 3);
    r.reference = QStringLiteral("find TREE -type f");
    r.goal = goal;

    qint64 lines = 0;
    QFile page(context.workDir + QStringLiteral("/FileList.html"));
    if (page.open(QIODevice::ReadOnly)) {
        // A link line, or a link target before a block of texts; neither
        // mark is ever in a link text.
        QByteArray before; // the end of the last piece, shorter than a mark
        while (!page.atEnd()) {
            const QByteArray piece = page.read(1 << 20);
            lines += (before.right(15) + piece).count("<a href='file://") +
                     (before.right(7) + piece).count("\nfile://");
            before = piece.right(15);
        }
    }
    r.note = QStringLiteral("%1 links; child peak %2 MB (goal under 50 MB)%3")
                 .arg(lines)
                 .arg(peakMb, 0, 'f', 1)
                 .arg(peakMb < 50 ? QString() : QStringLiteral(" MISSED"));
    return r;
}

} // namespace

PALAVINE_BENCH_STAGE(QStringLiteral("command line list 1M"),
                     [](const BenchContext& c) { return commandLineList(c, c.bigTree, 1.3); });
// The small tree shows what starting the program costs beside the work: the
// command line links Qt Core alone, so it starts as fast as a tool of its kind.
PALAVINE_BENCH_STAGE(QStringLiteral("command line list 100k"),
                     [](const BenchContext& c) { return commandLineList(c, c.smallTree, 1.3); });
