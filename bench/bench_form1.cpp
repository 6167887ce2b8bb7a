// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The commands of the main window, shown (offscreen), each clicked as a person
// clicks it: building the results list, clearing a million results, adding a
// tree of 10,000 folders, and adding and listing one folder of a million
// files. Each reports the window's longest stall.
#include "Bench.h"

#include "window/Form1.h"
#include "window/ListView.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QLineEdit>

namespace {

BenchResult buildListThroughForm1(const BenchContext& context) {
    BenchWindow window;
    Form1& form = window.form();
    form.Text1->setText(QStringLiteral("*"));
    QStringList folders{context.bigTree + QLatin1Char('/')};
    QDirIterator it(context.bigTree, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        folders.append(it.next() + QLatin1Char('/'));
    window.fill(*form.ListView1, std::move(folders));

    BenchResult r;
    r.seconds = window.click(5, r.stallMs);
    r.referenceSeconds = timeCommand(
        QStringLiteral("find"), {context.bigTree, QStringLiteral("-type"), QStringLiteral("f")}, 2);
    r.reference = QStringLiteral("find TREE -type f");
    r.goal = 2.0;
    r.stallGoalMs = WindowStallGoalMs;
    r.memoryGoalMb = MillionResultsMemoryGoalMb;
    r.note = QStringLiteral("%1 results shown").arg(form.ListView2->Count());
    return r;
}

BenchResult clearMillionThroughForm1(const BenchContext&) {
    BenchWindow window;
    Form1& form = window.form();
    BenchResult r;
    window.clickRounds(8, 3, r, [&] { window.fill(*form.ListView2, millionEntries()); });
    r.reference = QStringLiteral("-");
    r.stallGoalMs = WindowStallGoalMs;
    r.memoryGoalMb = MillionResultsMemoryGoalMb;
    r.note = QStringLiteral("%1 left; worst of 3").arg(form.ListView2->Count());
    return r;
}

BenchResult addTreeThroughForm1(const BenchContext& context) {
    BenchWindow window;
    Form1& form = window.form();
    window.ui.folderAnswer = context.bigTree;
    BenchResult r;
    window.clickRounds(6, 3, r, [&] { window.empty(*form.ListView1); });
    const int folders = form.ListView1->Count();
    r.referenceSeconds = timeCommand(
        QStringLiteral("find"), {context.bigTree, QStringLiteral("-type"), QStringLiteral("d")}, 3);
    r.reference = QStringLiteral("find TREE -type d");
    r.stallGoalMs = WindowStallGoalMs;
    r.note = QStringLiteral("%1 folders; worst of 3").arg(folders);
    return r;
}

// A folder of a million files, read and ordered while the window keeps
// running: added with "1. Add Folders and Subfolders" (button 6), or listed
// with "2. Start Creating List" (button 5).
BenchResult hugeFolderThroughForm1(const BenchContext& context, int button) {
    BenchWindow window;
    Form1& form = window.form();
    const bool adding = button == 6;
    window.ui.folderAnswer = context.hugeFolder;
    form.Text1->setText(QStringLiteral("*"));
    if (!adding)
        window.fill(*form.ListView1, {context.hugeFolder + QLatin1Char('/')});
    BenchResult r;
    r.seconds = window.click(button, r.stallMs);
    const QString type = adding ? QStringLiteral("d") : QStringLiteral("f");
    r.referenceSeconds =
        timeCommand(QStringLiteral("find"), {context.hugeFolder, QStringLiteral("-type"), type}, 2);
    r.reference = QStringLiteral("find FOLDER -type ") + type;
    r.stallGoalMs = WindowStallGoalMs;
    r.memoryGoalMb = MillionResultsMemoryGoalMb;
    r.note = adding ? QStringLiteral("%1 folder").arg(form.ListView1->Count())
                    : QStringLiteral("%1 results shown").arg(form.ListView2->Count());
    return r;
}

} // namespace

PALAVINE_BENCH_STAGE(QStringLiteral("add 1M-file folder through Form1"),
                     [](const BenchContext& c) { return hugeFolderThroughForm1(c, 6); });
PALAVINE_BENCH_STAGE(QStringLiteral("build 1M-file folder through Form1"),
                     [](const BenchContext& c) { return hugeFolderThroughForm1(c, 5); });
PALAVINE_BENCH_STAGE(QStringLiteral("build list through Form1"), buildListThroughForm1);
PALAVINE_BENCH_STAGE(QStringLiteral("clear list of 1M through Form1"), clearMillionThroughForm1);
PALAVINE_BENCH_STAGE(QStringLiteral("add 10k-folder tree through Form1"), addTreeThroughForm1);
