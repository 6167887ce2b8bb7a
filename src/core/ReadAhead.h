// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Reading folders ahead of a walk: while a command takes folders one at a time
// in its own order, a few helper threads read the folders that come next, so
// that a slow disk or a network share serves several folders at once. The
// helpers only read (entries, kinds, the stat calls a link needs, the name
// order) and hand their readings back in the order the folders were queued;
// every decision stays with the command, on its own thread.
#pragma once

#include "core/FolderEntries.h"

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

// One folder as a helper read it, whole and without a failure.
struct FolderReading {
    DirectoryStream dir;   // open when links are among `folders`: examined relative to it
    struct stat opened {}; // the folder before its entries were read
    FileNameList folders;  // its sub-folders, in name order (when asked for)
    // For each of `folders`: whether it is a link, and the folder it leads to.
    struct Link {
        bool isLink = false;
        dev_t device = 0;
        ino_t inode = 0;
    };
    std::vector<Link> links;
    FileNameList files; // its regular files, in name order (when asked for)
};

class ReadAhead {
  public:
    enum class Content { Folders, FoldersAndFiles, Files };

    // The helpers start with the first folder queued.
    explicit ReadAhead(Content content);
    // Stops the helpers, waiting for the folders they are reading; readings
    // not taken are dropped.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Queues a folder (its path in file-system bytes) to be read; folders are
    // taken in the order they are queued.
    void add(const QByteArray& path);
    // Called, when set, whenever fewer than `Ahead` folders wait: gives the
    // next folder to queue, or false when there is none.
    std::function<bool(QByteArray&)> more;

    // The reading of the folder `path`, which the caller has just examined
    // (`now`): null when the folder was not queued next, when it is still
    // waiting for a helper (the caller reads it itself then), when reading it
    // failed, or when the folder changed since it was read. Waits for a
    // reading under way, calling `yield` now and then. Folders queued before
    // `path` are dropped.
    std::unique_ptr<FolderReading> take(const QByteArray& path, const struct stat& now,
                                        const std::function<void()>& yield);

    // Watches the reading of a folder that the command read itself, from its
    // construction to its end: the helpers start only once such readings
    // wait for the disk (on a fast one, or with the folders in memory, they
    // would only cost).
    class ReadHere {
      public:
        ReadHere(ReadAhead& ahead, bool reading);
        ~ReadHere();
        ReadHere(const ReadHere&) = delete;
        ReadHere& operator=(const ReadHere&) = delete;

      private:
        ReadAhead* ahead_;
        std::chrono::steady_clock::time_point start_;
        long waits_ = 0; // times the thread had to wait so far
    };

    // How many folders may be queued or read beyond the one the command is at,
    // and how many bytes of names the readings not yet taken may hold.
    static constexpr int Ahead = 64;
    static constexpr qsizetype AheadBytes = 64 << 20;
    // The most helpers a pool grows to.
    static int mostHelpers();
    // The helpers that start with the first folder queued, and never rest:
    // none on a machine of one core.
    static int baseHelpers();
    // A fixed number of helpers (0: none, folders are read by the command
    // alone) from PALAVINE_READ_AHEAD, or -1 when the pool chooses.
    static int fixedHelpers();

  private:
    struct Job;
    void help();
    void startHelper();
    void topUp();
    bool canStart(const Job& job, qsizetype position) const;
    void readHere(std::int64_t ns, bool waited);

    const Content content_;
    const int fixed_;
    const int first_; // the helpers started with the first folder queued
    std::mutex mutex_;
    std::condition_variable work_; // a folder to read, or the end
    std::condition_variable done_; // a reading finished
    std::deque<std::shared_ptr<Job>> queue_;
    std::vector<std::thread> helpers_;
    qsizetype heldBytes_ = 0;
    std::int64_t readNs_ = 0; // time spent reading by helpers, for the last folders
    int readCount_ = 0;
    std::uint32_t slowReads_ = 0; // the helpers' last readings, a bit each, set when slow
    bool resting_ = false;        // the helpers read nothing: the disk proved fast
    // The last readings the command made itself, a bit each, set when slow.
    std::uint32_t slowHere_ = 0;
    int readHereCount_ = 0;
    bool stopping_ = false;
    bool feeding_ = true;
};
