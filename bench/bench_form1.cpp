// Building the results list through the main window: shown (offscreen), the
// results list attached to its view, the yields letting the window repaint.
#include "Bench.h"

#include "app/Form1.h"
#include "app/ListView.h"
#include "app/QtUi.h"

#include <QApplication>
#include <QDirIterator>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {

BenchResult buildListThroughForm1(const BenchContext& context) {
    QTemporaryDir settings;
    qputenv("PALAVINE_SETTINGS",
            (settings.path() + QStringLiteral("/Varnokel.conf")).toLocal8Bit());
    QtUi ui;
    Form1 form(ui);
    form.Form_Load();
    form.show();
    form.Text1->setText(QStringLiteral("*"));
    form.ListView1->Add(context.bigTree + QLatin1Char('/'));
    QDirIterator it(context.bigTree, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        form.ListView1->Add(it.next() + QLatin1Char('/'));
    QCoreApplication::processEvents();

    BenchResult r;
    r.seconds = timeSeconds([&] {
        form.PushButton5_Click();
        QCoreApplication::processEvents(); // the last batch reaches the view
    });
    r.referenceSeconds = timeCommand(
        QStringLiteral("find"), {context.bigTree, QStringLiteral("-type"), QStringLiteral("f")}, 2);
    r.reference = QStringLiteral("find TREE -type f");
    r.goal = 2.0;
    r.note = QStringLiteral("%1 results shown; memory goal 400 MB").arg(form.ListView2->Count());
    return r;
}

} // namespace

PALAVINE_BENCH_STAGE(QStringLiteral("build list through Form1"), buildListThroughForm1);
