// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The sub-folder walk over a big tree, and loading a million-line list file in
// the window.
#include "Bench.h"

#include "window/Form1.h"
#include "window/ListView.h"
#include "window/QtUi.h"
#include "folders/AddFolder.h"

#include <QFile>

#include <fstream>
#include <string>
#include <vector>

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

// The reference: the same file read line by line with the standard library's
// plain buffered reader, each line kept, as the list keeps its lines.
size_t readLinesPlainly(const QString& path) {
    std::ifstream file(QFile::encodeName(path).constData(), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    size_t total = 0;
    while (std::getline(file, line)) {
        total += line.size() + 1;
        lines.push_back(line);
    }
    return total;
}

// "Load Folders From Text File" in the window, the chooser answering with the
// list file.
BenchResult loadMillionLineListFile(const BenchContext& context) {
    BenchWindow window;
    Form1& form = window.form();
    const QString path = writeMillionLineFile(context.workDir);
    window.ui.filesAnswer = QStringList{path};
    BenchResult r;
    window.clickRounds(2, 3, r, [&] { window.empty(*form.ListView1); });
    const int lines = form.ListView1->Count();
    window.empty(*form.ListView1);
    size_t bytes = 0;
    r.referenceSeconds = timeSeconds([&] { bytes = readLinesPlainly(path); }, 3);
    r.reference = QStringLiteral("ifstream getline, kept");
    r.goal = 3;
    r.stallGoalMs = WindowStallGoalMs;
    r.memoryGoalMb = MillionResultsMemoryGoalMb;
    r.note = QStringLiteral("%1 lines, %2 MB; worst of 3")
                 .arg(lines)
                 .arg(double(bytes) / 1e6, 0, 'f', 1);
    return r;
}

} // namespace

PALAVINE_BENCH_STAGE(QStringLiteral("walk 10k folders"), walkTenThousandFolders);
PALAVINE_BENCH_STAGE(QStringLiteral("load 1M-line list file"), loadMillionLineListFile);
