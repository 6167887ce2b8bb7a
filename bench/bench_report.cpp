// Writing the results page for a million entries, against writing the same
// bytes line by line through one plain buffered stream.
#include "Bench.h"

#include "app/ListView.h"
#include "app/MousePointer.h"
#include "app/QtUi.h"
#include "report/PageWriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <string_view>
#include <vector>

namespace {

// The real Ui, with its time-sliced yield, but boxes that don't wait for a person.
class QuietUi : public QtUi {
  public:
    void message(const QString& text, const QString&, Icon) override { last = text; }
    QString last;
};

BenchResult writePage(const BenchContext& context) {
    QTemporaryDir settings;
    qputenv("PALAVINE_SETTINGS",
            (settings.path() + QStringLiteral("/Varnokel.conf")).toLocal8Bit());
    constexpr int Entries = 1000000;
    ListView results;
    for (int i = 0; i < Entries; ++i)
        results.Add(benchPageEntry(i));
    results.model()->flush();

    const QString folder = context.workDir;
    QuietUi ui;
    MousePointer pointer;
    bool saving = false;
    BenchResult r;
    r.seconds = timeSeconds(
        [&] {
            SaveResultsAsHtml(
                ui, pointer, results, folder, 16711680, 16777215, [] { return false; }, saving);
        },
        3);

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
    r.note = QStringLiteral("%1 MB, %2").arg(page.size() / 1e6, 0, 'f', 1).arg(ui.last);
    return r;
}

} // namespace

QString benchPageEntry(int i) {
    QString entry = QStringLiteral("/home/someone/Documents/projects/folder_%1/").arg(i / 100);
    entry += i % 7 == 0 ? QStringLiteral("report %1 (final).txt").arg(i)
                        : QStringLiteral("file_%1_data.csv").arg(i);
    if (i % 50 == 0)
        entry += QStringLiteral("\u00e9");
    return entry;
}

PALAVINE_BENCH_STAGE(QStringLiteral("write page 1M entries"), writePage);
