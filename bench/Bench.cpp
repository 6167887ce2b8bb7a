// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "Bench.h"

#include "window/Form1.h"
#include "window/ListView.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>

#include <algorithm>
#include <map>

std::map<QString, std::function<BenchResult(const BenchContext&)>>& benchStages() {
    static std::map<QString, std::function<BenchResult(const BenchContext&)>> stages;
    return stages;
}

int registerBenchStage(const QString& name, std::function<BenchResult(const BenchContext&)> run) {
    benchStages()[name] = std::move(run);
    return 0;
}

double timeSeconds(const std::function<void()>& work, int repeat) {
    double best = 1e300;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

double timeCommand(const QString& program, const QStringList& arguments, int repeat) {
    return timeSeconds(
        [&] {
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            process.setStandardErrorFile(QProcess::nullDevice());
            process.start(program, arguments);
            process.waitForFinished(-1);
        },
        repeat);
}

namespace {
const char* const Extensions[] = {"txt",    "cpp",  "h", "jpg", "TXT",
                                  "tar.gz", "html", "",  "md",  "log"};

QString fileName(int folder, int i) {
    QString name;
    if (i % 17 == 0)
        name += QLatin1Char('.');
    name += QStringLiteral("file_%1_%2").arg(folder).arg(i);
    name += QString(i % 23, QLatin1Char('x'));
    const char* ext = Extensions[i % 10];
    if (*ext)
        name += QLatin1Char('.') + QLatin1String(ext);
    return name;
}
} // namespace

QString ensureTree(const QString& root, int folders, int filesPerFolder) {
    const QString done = root + QStringLiteral("/.complete");
    if (QFile::exists(done))
        return root;
    QDir(root).removeRecursively();
    QDir().mkpath(root);
    // Folders: level 1 has 10, level 2 has 100 (10 under each), level 3 the rest.
    QStringList paths;
    paths.reserve(folders);
    for (int i = 0; i < folders; ++i) {
        QString path;
        if (i < 10)
            path = root + QStringLiteral("/d%1").arg(i);
        else if (i < 110)
            path = paths[(i - 10) / 10] + QStringLiteral("/sub%1").arg(i);
        else
            path = paths[10 + (i - 110) % 100] + QStringLiteral("/folder %1").arg(i);
        paths.append(path);
        QDir().mkpath(path);
        for (int f = 0; f < filesPerFolder; ++f) {
            QFile file(path + QLatin1Char('/') + fileName(i, f));
            file.open(QIODevice::WriteOnly);
        }
    }
    QFile(done).open(QIODevice::WriteOnly);
    return root;
}

void warmTree(const QString& root) {
    timeCommand(QStringLiteral("find"), {root}, 1);
}

StallWatch::StallWatch() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, &StallWatch::tick);
}

void StallWatch::start() {
    longest_ = 0;
    clock_.start();
    last_ = 0;
    timer_.start();
}

void StallWatch::tick() {
    const qint64 now = clock_.nsecsElapsed();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
}

double StallWatch::finish(int settleMs) {
    QEventLoop loop;
    QTimer::singleShot(settleMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    tick();
    timer_.stop();
    return longest_ / 1e6;
}

BenchWindow::BenchWindow() {
    qputenv("PALAVINE_SETTINGS",
            QFile::encodeName(settings_.path() + QStringLiteral("/Varnokel.conf")));
    form_ = std::make_unique<Form1>(ui);
    form_->Form_Load();
    form_->show();
    QCoreApplication::processEvents();
}

BenchWindow::~BenchWindow() = default;

void BenchWindow::fill(ListView& list, QStringList texts) {
    list.model()->append(std::move(texts));
    list.model()->flush();
    QCoreApplication::processEvents();
}

void BenchWindow::empty(ListView& list) {
    list.Clear();
    // The list frees the texts a slice at a time, whenever events run.
    QEventLoop loop;
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    loop.exec();
}

double BenchWindow::click(int button, double& stallMs) {
    StallWatch watch;
    QElapsedTimer timer;
    watch.start();
    timer.start();
    form_->PushButton[button]->click();
    QCoreApplication::processEvents(); // the last rows reach the view
    const double seconds = timer.nsecsElapsed() / 1e9;
    stallMs = watch.finish();
    return seconds;
}

void BenchWindow::clickRounds(int button, int rounds, BenchResult& result,
                              const std::function<void()>& prepare) {
    result.seconds = 1e300;
    result.stallMs = 0;
    for (int round = 0; round < rounds; ++round) {
        if (prepare)
            prepare();
        double stall = 0;
        result.seconds = std::min(result.seconds, click(button, stall));
        result.stallMs = std::max(result.stallMs, stall);
    }
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
