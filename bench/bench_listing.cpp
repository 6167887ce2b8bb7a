// Building the results list from a big tree, and pruning a million entries.
#include "Bench.h"

#include "app/ListView.h"
#include "app/QtUi.h"
#include "listing/CreateList.h"
#include "listing/RemoveEntries.h"

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
    r.note = QStringLiteral("%1 folders, %2 results; memory goal 400 MB")
                 .arg(folders.Count())
                 .arg(results);
    return r;
}

QStringList millionEntries() {
    QStringList texts;
    texts.reserve(1000000);
    for (int i = 0; i < 1000000; ++i) {
        texts.append(QStringLiteral("/home/User/Projects/Folder %1/Report_%2 Final.%3")
                         .arg(i / 100)
                         .arg(i)
                         .arg(i % 2 ? QStringLiteral("TXT") : QStringLiteral("log")));
    }
    return texts;
}

BenchResult pruneHalfOfMillion(const BenchContext&) {
    QtUi ui;
    const QStringList texts = millionEntries();
    const QString answer = QStringLiteral(".txt");

    BenchResult r;
    r.seconds = 1e300;
    int left = 0;
    for (int round = 0; round < 3; ++round) {
        ListView list;
        list.model()->append(texts);
        list.model()->flush();
        r.seconds =
            std::min(r.seconds, timeSeconds([&] { RemoveEntriesContaining(list, answer, ui); }));
        left = list.Count();
    }
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
    r.note = QStringLiteral("%1 left, %2 matched").arg(left).arg(found);
    return r;
}

} // namespace

PALAVINE_BENCH_STAGE(QStringLiteral("build list core loop"), buildListCoreLoop);
PALAVINE_BENCH_STAGE(QStringLiteral("prune half of 1M"), pruneHalfOfMillion);
