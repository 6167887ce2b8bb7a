// The sub-folder walk over a big tree, and loading a million-line list file.
#include "Bench.h"

#include "app/ListView.h"
#include "app/QtUi.h"
#include "folders/AddFolder.h"
#include "folders/ListFiles.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace {

BenchResult walkTenThousandFolders(const BenchContext& context) {
    QtUi ui; // time-sliced yields, as in the window
    BenchResult r;
    qsizetype folders = 0;
    r.seconds = timeSeconds(
        [&] {
            QStringList dirs{context.bigTree + QLatin1Char('/')};
            GetSubDirectories2016(dirs, true, ui);
            folders = dirs.size();
        },
        3);
    r.referenceSeconds = timeCommand(
        QStringLiteral("find"), {context.bigTree, QStringLiteral("-type"), QStringLiteral("d")}, 3);
    r.reference = QStringLiteral("find TREE -type d");
    r.goal = 1.5;
    r.note = QStringLiteral("%1 folders").arg(folders);
    return r;
}

// A list file of a million folder paths, CR LF ended.
QString writeMillionLineFile(const QString& folder) {
    const QString path = folder + QStringLiteral("/million.txt");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("can't write %s", qPrintable(path));
    QByteArray chunk;
    for (int i = 0; i < 1000000; ++i) {
        chunk += "/home/User/Projects/Folder " + QByteArray::number(i / 100) + "/Sub " +
                 QByteArray::number(i) + (i % 3 ? "/\r\n" : "/Übersicht/\r\n");
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return path;
}

// The reference: the same file read line by line with the C library's
// buffered reader.
size_t readLinesPlainly(const QString& path) {
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file)
        return 0;
    char* line = nullptr;
    size_t capacity = 0;
    size_t total = 0;
    ssize_t n;
    while ((n = ::getline(&line, &capacity, file)) >= 0)
        total += size_t(n);
    std::free(line);
    std::fclose(file);
    return total;
}

BenchResult loadMillionLineListFile(const BenchContext& context) {
    QtUi ui;
    const QString path = writeMillionLineFile(context.workDir);
    BenchResult r;
    r.seconds = 1e300;
    int lines = 0;
    for (int round = 0; round < 3; ++round) {
        ListView list;
        QElapsedTimer timer;
        timer.start();
        FileToListbox(ui, list, path);
        r.seconds = std::min(r.seconds, timer.nsecsElapsed() / 1e9);
        lines = list.Count();
    }
    size_t bytes = 0;
    r.referenceSeconds = timeSeconds([&] { bytes = readLinesPlainly(path); }, 3);
    r.reference = QStringLiteral("getline() on a FILE*");
    r.goal = 3;
    r.note = QStringLiteral("%1 lines, %2 MB").arg(lines).arg(double(bytes) / 1e6, 0, 'f', 1);
    return r;
}

} // namespace

PALAVINE_BENCH_STAGE(QStringLiteral("walk 10k folders"), walkTenThousandFolders);
PALAVINE_BENCH_STAGE(QStringLiteral("load 1M-line list file"), loadMillionLineListFile);
