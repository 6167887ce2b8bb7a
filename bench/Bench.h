// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The benchmark's frame: stages register themselves; each stage times one part
// of the program and its reference (find, a plain buffered read or write) in
// the same run, and the table shows the ratio beside the goal. A stage of the
// window clicks its command in the shown main window and reports the longest
// stall of the event loop as well.
#pragma once

#include "window/QtUi.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

struct BenchContext {
    QString cacheDir;   // generated trees, kept between runs
    QString bigTree;    // 10,000 folders x 100 files
    QString smallTree;  // 100,000 files
    QString hugeFolder; // one folder of 1,000,000 files (below the tree's root)
    QString workDir;    // scratch space for this run
};

struct BenchResult {
    double seconds = 0;          // the program's time
    double referenceSeconds = 0; // the reference's time, measured in the same run
    QString reference;           // what the reference is
    double goal = 0;             // the largest acceptable ratio (0: none)
    QString note;
    double goalSeconds = 0;       // the longest acceptable time (0: none)
    bool referenceCapped = false; // the reference was stopped at referenceSeconds
    double stallMs = -1;     // the longest the event loop went without running (-1: not measured)
    double stallGoalMs = 0;  // the longest acceptable stall (0: none)
    double memoryGoalMb = 0; // the largest acceptable peak memory of the stage (0: none)
};

// The goals of every window stage: the window never stalls longer than this,
// and a million results fit in this much memory.
constexpr double WindowStallGoalMs = 50;
constexpr double MillionResultsMemoryGoalMb = 400;

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

// The longest time the event loop went without running while a command ran.
// A precise 1 ms timer notes the time of each of its timeouts. A timer can only
// time out while pending events are processed (in a yield of the command, or
// in the event loop once the command is over), so the longest time between two
// timeouts is the longest the window could neither repaint nor take input. The
// watch starts just before the click and ends only after the event loop has run
// on for a while after the command returned: set-up inside the command, its
// end (a last write, the freeing of what it held) and the last rows handed to
// the view with their repaint all count.
class StallWatch : public QObject {
  public:
    StallWatch();
    void start();
    // Lets the event loop run for settleMs more, then gives the longest gap in
    // milliseconds since start().
    double finish(int settleMs = 300);

  private:
    void tick();

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

// The real Ui, with its time-sliced yield, answering dialogs from a script and
// noting boxes instead of waiting for a person.
class BenchUi : public QtUi {
  public:
    void message(const QString& text, const QString&, Icon) override { lastMessage = text; }
    QString inputBox(const QString&, const QString&) override { return inputAnswer; }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return folderAnswer; }
    QStringList chooseFiles(QWidget*, const QString&, const QStringList&) override {
        return filesAnswer;
    }
    void openUrl(const QUrl&) override {}

    QString inputAnswer, folderAnswer;
    QStringList filesAnswer;
    QString lastMessage;
};

class Form1;
class ListView;

// The main window as a person has it: loaded with scratch settings and shown
// (offscreen).
class BenchWindow {
  public:
    BenchWindow();
    ~BenchWindow();
    Form1& form() { return *form_; }
    BenchUi ui;

    // Fills the list with the texts, handed to the view and shown, as a command
    // would have left them. The list becomes their only owner (pass texts no
    // one else holds), so that freeing them costs what it costs in use.
    void fill(ListView& list, QStringList texts);
    // Empties the list and lets it free its texts, outside any measurement.
    void empty(ListView& list);
    // Clicks button n, watching the event loop from the click until the window
    // has settled; gives the seconds until the command returned and the view
    // took the last rows, and the longest stall.
    double click(int button, double& stallMs);
    // Clicks button n in each of `rounds` rounds, `prepare` run before each
    // click outside the measurement; the result gets the best time and the
    // worst stall.
    void clickRounds(int button, int rounds, BenchResult& result,
                     const std::function<void()>& prepare = {});

  private:
    QTemporaryDir settings_;
    std::unique_ptr<Form1> form_;
};

// A million results of about 70 characters, as the pruning and clearing stages use.
QStringList millionEntries();
