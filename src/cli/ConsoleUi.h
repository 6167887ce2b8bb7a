// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The Ui services for the command line: no window, no dialogs. Messages go to
// standard error, one line each; a dialog answers as Cancel does; the desktop
// opens a page through xdg-open. It also keeps the run's progress line on
// standard error, and counts the faults it was told.
#pragma once

#include "core/Ui.h"

#include <QElapsedTimer>
#include <cstdio>

class ConsoleUi : public Ui {
  public:
    // progress: whether to show the progress line (standard error a terminal
    // and not --quiet).
    ConsoleUi(std::FILE* err, bool progress);

    void message(const QString& text, const QString& title, Icon icon) override;
    QString inputBox(const QString&, const QString&) override { return {}; }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return {}; }
    QStringList chooseFiles(QWidget*, const QString&, const QStringList&) override { return {}; }
    void openUrl(const QUrl& url) override;
    double randomDraw() override { return 0.5; }
    void yield() override { tick(); }

    // One line on standard error, "palavine: " first, control characters
    // shown as "?"; the progress line is cleared first and comes back at the
    // next tick.
    void warn(const QString& text);
    // "palavine: PATH: reason", the path as a person reads it.
    void warn(const QString& path, const QString& reason);
    // The same for something asked for that the run could not do (a folder or
    // list file not read); counted, as every message box is.
    void fault(const QString& path, const QString& reason) {
        ++faults_;
        warn(path, reason);
    }
    void fault(const QString& text) {
        ++faults_;
        warn(text);
    }
    qint64 faults() const { return faults_; }

    // Counters shown by the progress line.
    void folderRead() { ++folders_; }
    void fileFound() { ++files_; }
    qint64 folders() const { return folders_; }
    qint64 files() const { return files_; }
    // Redraws the progress line when a quarter of a second has passed.
    void tick() {
        if (progress_ && ++ticks_ % 256 == 0)
            draw(false);
    }
    // Clears the progress line for good.
    void endProgress();

  private:
    void draw(bool force);
    void clearLine();

    std::FILE* err_;
    bool progress_;
    bool shown_ = false;
    quint64 ticks_ = 0;
    qint64 folders_ = 0;
    qint64 files_ = 0;
    qint64 faults_ = 0;
    qint64 lastDraw_ = -1000;
    QElapsedTimer clock_;
};
