// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// "3. Save Results As HTML File" in the window for a million entries, against
// writing the same bytes line by line through one plain buffered stream.
#include "Bench.h"

#include "window/Form1.h"
#include "window/ListView.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>

#include <cstdio>
#include <malloc.h>
#include <string_view>
#include <vector>

namespace {

BenchResult writePage(const BenchContext& context) {
    constexpr int Entries = 1000000;
    BenchWindow window;
    Form1& form = window.form();
    {
        QStringList entries;
        entries.reserve(Entries);
        for (int i = 0; i < Entries; ++i)
            entries.append(benchPageEntry(i));
        window.fill(*form.ListView2, std::move(entries));
    }
    const QString folder = context.workDir;
    form.Text2->setText(folder);
    form.Check1->setChecked(false);

    BenchResult r;
    window.clickRounds(7, 3, r);
    // The reference needs the page in memory, the list no more: with the
    // list's memory given back to the system, the stage's peak is the larger
    // of the two, not their sum.
    window.empty(*form.ListView2);
    ::malloc_trim(0);

    QFile written(folder + QStringLiteral("/FileList.html"));
    written.open(QIODevice::ReadOnly);
    const QByteArray page = written.readAll();
    std::vector<std::string_view> lines;
    for (qsizetype start = 0; start < page.size();) {
        qsizetype end = page.indexOf('\n', start);
        end = end < 0 ? page.size() : end + 1;
        lines.emplace_back(page.constData() + start, size_t(end - start));
        start = end;
    }
    const QByteArray copy = (folder + QStringLiteral("/reference.html")).toLocal8Bit();
    r.referenceSeconds = timeSeconds(
        [&] {
            FILE* out = std::fopen(copy.constData(), "wb");
            for (const std::string_view line : lines)
                std::fwrite(line.data(), 1, line.size(), out);
            std::fclose(out);
        },
        3);
    r.reference = QStringLiteral("fwrite of each line");
    r.goal = 1.5;
    r.stallGoalMs = WindowStallGoalMs;
    r.memoryGoalMb = MillionResultsMemoryGoalMb;
    r.note = QStringLiteral("%1 MB, %2; worst of 3")
                 .arg(page.size() / 1e6, 0, 'f', 1)
                 .arg(window.ui.lastMessage);
    return r;
}

} // namespace

QString benchPageEntry(int i) {
    QString entry = QStringLiteral("/home/someone/Documents/projects/folder_%1/").arg(i / 100);
    entry += i % 7 == 0 ? QStringLiteral("report %1 (final).txt").arg(i)
                        : QStringLiteral("file_%1_data.csv").arg(i);
    if (i % 50 == 0)
        entry += QStringLiteral("\u00e9");
    // As tight as the paths the program makes: built by appending, the text
    // carries room to grow (squeeze() gives that room back to the heap, where
    // it lies in pieces too small to use).
    return QString(entry.constData(), entry.size());
}

PALAVINE_BENCH_STAGE(QStringLiteral("write page 1M entries"), writePage);
