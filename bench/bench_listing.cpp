// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Building the results list from a big tree, and pruning a million entries in
// the window.
#include "Bench.h"

#include "window/Form1.h"
#include "window/ListView.h"
#include "window/QtUi.h"
#include "listing/CreateList.h"

#include <QDirIterator>

namespace {

// Every folder of the tree, the tree itself first, each ending in a separator.
QStringList foldersOf(const QString& root) {
    QStringList folders{root + QLatin1Char('/')};
    QDirIterator it(root, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        folders.append(it.next() + QLatin1Char('/'));
    return folders;
}

BenchResult buildListCoreLoop(const BenchContext& context) {
    QtUi ui;
    ListView folders;
    for (const QString& folder : foldersOf(context.bigTree))
        folders.Add(folder);
    const QString filter = AllFilesFilter;
    bool creatingList = false;

    BenchResult r;
    int results = 0;
    r.seconds = 1e300;
    for (int round = 0; round < 2; ++round) {
        ListView list;
        const double seconds = timeSeconds([&] {
            CreateFileList(
                ui, folders, list, [&] { return filter; }, creatingList);
        });
        r.seconds = std::min(r.seconds, seconds);
        results = list.Count();
    }
    r.referenceSeconds = timeCommand(
        QStringLiteral("find"), {context.bigTree, QStringLiteral("-type"), QStringLiteral("f")}, 2);
    r.reference = QStringLiteral("find TREE -type f");
    r.goal = 1.3;
    r.memoryGoalMb = MillionResultsMemoryGoalMb;
    r.note = QStringLiteral("%1 folders, %2 results").arg(folders.Count()).arg(results);
    return r;
}

// "Remove Filenames Containing X" with ".txt" on a million results, clicked in
// the window: half of them go.
BenchResult pruneHalfOfMillion(const BenchContext&) {
    BenchWindow window;
    Form1& form = window.form();
    const QString answer = QStringLiteral(".txt");
    window.ui.inputAnswer = answer;

    BenchResult r;
    window.clickRounds(4, 3, r, [&] {
        window.empty(*form.ListView2);
        window.fill(*form.ListView2, millionEntries());
    });
    const int left = form.ListView2->Count();
    window.empty(*form.ListView2);
    const QStringList texts = millionEntries();
    int found = 0;
    r.referenceSeconds = timeSeconds(
        [&] {
            found = 0;
            const QString lowered = answer.toLower();
            for (const QString& text : texts)
                found += text.toLower().contains(lowered) ? 1 : 0;
        },
        3);
    r.reference = QStringLiteral("lowered substring loop");
    r.goal = 2;
    r.stallGoalMs = WindowStallGoalMs;
    r.memoryGoalMb = MillionResultsMemoryGoalMb;
    r.note = QStringLiteral("%1 left, %2 matched; worst of 3").arg(left).arg(found);
    return r;
}

} // namespace

PALAVINE_BENCH_STAGE(QStringLiteral("build list core loop"), buildListCoreLoop);
PALAVINE_BENCH_STAGE(QStringLiteral("prune half of 1M"), pruneHalfOfMillion);
