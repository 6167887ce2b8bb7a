// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// palavine-bench: runs every stage in a process of its own (so that peak memory
// is the stage's own) and prints one table of times, ratios, the window's
// longest stalls, peak memory, and their goals.
//
//   palavine-bench [--cache DIR] [--only TEXT]
#include "Bench.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <map>

std::map<QString, std::function<BenchResult(const BenchContext&)>>& benchStages();

namespace {

long peakMemoryKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

int runStage(const QString& name, const BenchContext& context) {
    const auto stage = benchStages().find(name);
    if (stage == benchStages().end())
        return 2;
    const BenchResult r = stage->second(context);
    std::printf("RESULT\t%.6f\t%.6f\t%s\t%.3f\t%s\t%ld\t%.3f\t%d\t%.3f\t%.3f\t%.3f\n", r.seconds,
                r.referenceSeconds, qPrintable(r.reference), r.goal, qPrintable(r.note),
                peakMemoryKb(), r.goalSeconds, r.referenceCapped ? 1 : 0, r.stallMs, r.stallGoalMs,
                r.memoryGoalMb);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A private runtime folder keeps Qt from warning about its absence in every stage.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        char runtime[] = "/tmp/palavine-bench-XXXXXX";
        if (::mkdtemp(runtime))
            qputenv("XDG_RUNTIME_DIR", runtime);
    }
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();

    QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                    QStringLiteral("/palavine-bench");
    QString only, stage;
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--cache"))
            cache = args[i + 1];
        else if (args[i] == QLatin1String("--only"))
            only = args[i + 1];
        else if (args[i] == QLatin1String("--stage"))
            stage = args[i + 1];
    }
    QTemporaryDir work;
    BenchContext context{cache, cache + QStringLiteral("/tree-1m"),
                         cache + QStringLiteral("/tree-100k"),
                         cache + QStringLiteral("/folder-1m/d0"), work.path()};

    if (!stage.isEmpty())
        return runStage(stage, context);

    std::fprintf(stderr, "Preparing trees in %s (made once, then reused)...\n", qPrintable(cache));
    ensureTree(context.bigTree, 10000, 100);
    ensureTree(context.smallTree, 1000, 100);
    ensureTree(cache + QStringLiteral("/folder-1m"), 1, 1000000);
    warmTree(context.bigTree);
    warmTree(context.smallTree);
    warmTree(context.hugeFolder); // a stage may have dropped the page cache in an earlier run

    std::printf("%-34s %9s %9s  %-24s %6s %5s %9s %4s %8s %4s  %s\n", "stage", "time (s)",
                "ref (s)", "reference", "ratio", "goal", "stall ms", "goal", "peak MB", "goal", "");
    int missed = 0;
    for (const auto& [name, run] : benchStages()) {
        if (!only.isEmpty() && !name.contains(only))
            continue;
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(app.applicationFilePath(),
                    {QStringLiteral("--cache"), cache, QStringLiteral("--stage"), name});
        child.waitForFinished(-1);
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        const qsizetype at = out.indexOf(QStringLiteral("RESULT\t"));
        if (at < 0) {
            std::printf("%-34s failed\n", qPrintable(name));
            ++missed;
            continue;
        }
        const QStringList f = out.mid(at).trimmed().split(QLatin1Char('\t'));
        const double seconds = f.value(1).toDouble(), ref = f.value(2).toDouble();
        const double goal = f.value(4).toDouble();
        const double goalSeconds = f.value(7).toDouble();
        const double stallMs = f.value(9).toDouble(), stallGoalMs = f.value(10).toDouble();
        const double peakMb = f.value(6).toDouble() / 1024.0, memoryGoalMb = f.value(11).toDouble();
        const double ratio = ref > 0 ? seconds / ref : 0;
        // What missed its goal: the time (as a ratio or in seconds), the
        // longest stall, the peak memory. A missed value is marked with "*".
        const bool timeMissed =
            (goal > 0 && ratio > goal) || (goalSeconds > 0 && seconds > goalSeconds);
        const bool stallMissed = stallGoalMs > 0 && stallMs > stallGoalMs;
        const bool memoryMissed = memoryGoalMb > 0 && peakMb > memoryGoalMb;
        QStringList misses;
        if (timeMissed)
            misses << QStringLiteral("time");
        if (stallMissed)
            misses << QStringLiteral("stall");
        if (memoryMissed)
            misses << QStringLiteral("memory");
        missed += misses.isEmpty() ? 0 : 1;
        auto marked = [](double value, int decimals, bool miss) {
            return QString::number(value, 'f', decimals) + (miss ? QStringLiteral("*") : QString());
        };
        auto goalOf = [](double value) {
            return value > 0 ? QString::number(value) : QStringLiteral("-");
        };
        // A capped reference took longer than shown; an absolute goal is in seconds.
        const QString refText =
            ref <= 0 ? QStringLiteral("-")
                     : (f.value(8) == QLatin1String("1") ? QStringLiteral(">") : QString()) +
                           QString::number(ref, 'f', 3);
        const QString goalText = goalSeconds > 0 ? QString::number(goalSeconds) + QLatin1Char('s')
                                 : goal > 0      ? QString::number(goal)
                                                 : QStringLiteral("-");
        const QString ratioText = ref > 0 ? QString::number(ratio, 'f', 2) : QStringLiteral("-");
        const QString stallText =
            stallMs >= 0 ? marked(stallMs, 1, stallMissed) : QStringLiteral("-");
        const QString missText =
            misses.isEmpty()
                ? QString()
                : QStringLiteral("MISSED ") + misses.join(QLatin1Char(',')) + QStringLiteral(": ");
        std::printf("%-34s %9s %9s  %-24s %6s %5s %9s %4s %8s %4s  %s%s\n", qPrintable(name),
                    qPrintable(marked(seconds, 3, timeMissed)), qPrintable(refText),
                    qPrintable(f.value(3)), qPrintable(ratioText), qPrintable(goalText),
                    qPrintable(stallText), qPrintable(goalOf(stallGoalMs)),
                    qPrintable(marked(peakMb, 1, memoryMissed)), qPrintable(goalOf(memoryGoalMb)),
                    qPrintable(missText), qPrintable(f.value(5)));
        std::fflush(stdout);
    }
    return missed == 0 ? 0 : 1;
}
