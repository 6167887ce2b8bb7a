// The benchmark's frame: stages register themselves; each stage times one part
// of the program and its reference (find, a plain buffered read or write) in
// the same run, and the table shows the ratio beside the goal.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

struct BenchContext {
    QString cacheDir;  // generated trees, kept between runs
    QString bigTree;   // 10,000 folders x 100 files
    QString smallTree; // 100,000 files
    QString workDir;   // scratch space for this run
};

struct BenchResult {
    double seconds = 0;          // the program's time
    double referenceSeconds = 0; // the reference's time, measured in the same run
    QString reference;           // what the reference is
    double goal = 0;             // the largest acceptable ratio (0: none)
    QString note;
    double goalSeconds = 0;       // the longest acceptable time (0: none)
    bool referenceCapped = false; // the reference was stopped at referenceSeconds
};

struct BenchStage {
    QString name;
    std::function<BenchResult(const BenchContext&)> run;
};

int registerBenchStage(const QString& name, std::function<BenchResult(const BenchContext&)> run);

#define PALAVINE_BENCH_CONCAT2(a, b) a##b
#define PALAVINE_BENCH_CONCAT(a, b) PALAVINE_BENCH_CONCAT2(a, b)
#define PALAVINE_BENCH_STAGE(name, function)                                                       \
    static const int PALAVINE_BENCH_CONCAT(benchStage_, __LINE__) =                                \
        registerBenchStage(name, function)

// Seconds taken by a piece of work (best of `repeat` runs).
double timeSeconds(const std::function<void()>& work, int repeat = 1);
// Seconds taken by a command, its output discarded (best of `repeat` runs).
double timeCommand(const QString& program, const QStringList& arguments, int repeat = 1);

// Makes (once, then reuses) a tree of `folders` folders, a few levels deep, with
// `filesPerFolder` empty files in each: names of mixed length and extension,
// some hidden.
QString ensureTree(const QString& root, int folders, int filesPerFolder);

// Reads the pages of every file below the tree, so timed runs start warm.
void warmTree(const QString& root);

// The i-th entry of the benchmark's result pages.
QString benchPageEntry(int i);
