// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "core/ReadAhead.h"

#include "core/FileSystem.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <system_error>
#include <unistd.h>

namespace {

// A folder whose reading waited for the disk or the network and took more
// than this is on a slow disk or a share (a folder in the page cache reads in
// some 20 to 50 us, and never waits; on a busy machine it may take longer, but
// still without waiting): the helpers start when half of the last 16 folders
// the command read itself were that slow.
constexpr std::int64_t SlowHereNs = 100'000;
constexpr int SlowOfLast16 = 8;
// Helpers that read a folder in more than this on average fall behind a slow
// disk or a share: more helpers then read more folders at once.
constexpr std::int64_t SlowReadNs = 1'000'000;
// The helpers rest when fewer than this of the last 16 folders they read
// waited for the disk.
constexpr int FastOfLast16 = 4;
// Helpers to start with on a slow disk.
constexpr int FirstHelpers = 8;
// The most helpers that read from the start (see baseHelpers).
constexpr int MostBaseHelpers = 4;
// The command waits this long for a reading without letting events run, and
// then lets them run at least this often.
constexpr auto QuietWait = std::chrono::milliseconds(20);
constexpr auto YieldEvery = std::chrono::milliseconds(5);

// Reads the folder whole; false at the first failure (the command then reads
// it itself, and meets the failure as it would have).
bool readFolder(const QByteArray& path, ReadAhead::Content content, FolderReading& reading) {
    reading.dir = OpenFolder(path);
    if (!reading.dir)
        return false;
    // Before the entries: a change while they are read shows in the times.
    if (::fstat(::dirfd(reading.dir.get()), &reading.opened) != 0)
        return false;
    const bool folders = content != ReadAhead::Content::Files;
    const bool files = content != ReadAhead::Content::Folders;
    // The links among the folders, by the offset of their names.
    std::vector<std::pair<qsizetype, FolderReading::Link>> links;
    try {
        ReadFolderEntries(reading.dir.get(), [&](const FolderEntry& entry) {
            if (entry.kind == EntryKind::File && files) {
                reading.files.append(entry.name, entry.size);
            } else if (entry.kind == EntryKind::Folder && folders) {
                if (entry.link)
                    links.push_back({reading.folders.bytes.size(),
                                     {true, entry.target->st_dev, entry.target->st_ino}});
                reading.folders.append(entry.name, entry.size);
            }
        });
    } catch (const AppError&) {
        return false;
    }
    SortFileNames(reading.folders);
    SortFileNames(reading.files);
    if (folders) {
        reading.links.resize(size_t(reading.folders.size()));
        for (size_t i = 0; i < reading.links.size() && !links.empty(); ++i) {
            const qsizetype offset = reading.folders.spans[i].first;
            const auto found =
                std::lower_bound(links.begin(), links.end(), offset,
                                 [](const auto& link, qsizetype at) { return link.first < at; });
            if (found != links.end() && found->first == offset)
                reading.links[i] = found->second;
        }
    }
    // Held open only to examine the links among its folders: the readings
    // waiting to be taken hold few descriptors.
    if (links.empty())
        reading.dir.reset();
    return true;
}

// How often this thread has waited (given up the processor before its time).
long threadWaits() {
    rusage usage{};
    return ::getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_nvcsw : 0;
}

qsizetype bytesHeld(const FolderReading& reading) {
    const auto spans = qsizetype(sizeof(std::pair<qsizetype, qsizetype>));
    return reading.folders.bytes.size() + reading.files.bytes.size() +
           (reading.folders.size() + reading.files.size()) * spans;
}

// Whether the folder examined now is the one read, unchanged since.
bool unchanged(const struct stat& read, const struct stat& now) {
    return read.st_dev == now.st_dev && read.st_ino == now.st_ino &&
           read.st_mtim.tv_sec == now.st_mtim.tv_sec &&
           read.st_mtim.tv_nsec == now.st_mtim.tv_nsec &&
           read.st_ctim.tv_sec == now.st_ctim.tv_sec && read.st_ctim.tv_nsec == now.st_ctim.tv_nsec;
}

} // namespace

struct ReadAhead::Job {
    enum class State { Waiting, Reading, Done };
    QByteArray path;
    State state = State::Waiting;
    bool dropped = false; // no longer queued: its reading is not held
    std::unique_ptr<FolderReading> reading;
    qsizetype bytes = 0;
};

int ReadAhead::mostHelpers() {
    // Helpers mostly wait for the disk, so there may be more than cores.
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    return std::clamp(4 * cores, 4, 16);
}

int ReadAhead::baseHelpers() {
    // Reading a folder that the page cache holds is still work for the
    // processor (the file system hashes and orders its names, and copies
    // them out): with a second core, helpers share it from the start.
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    return cores >= 2 ? std::min(cores, MostBaseHelpers) : 0;
}

int ReadAhead::fixedHelpers() {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("PALAVINE_READ_AHEAD", &ok);
    return ok && n >= 0 ? std::min(n, 64) : -1;
}

ReadAhead::ReadAhead(Content content)
    : content_(content), fixed_(fixedHelpers()), first_(fixed_ >= 0 ? fixed_ : baseHelpers()) {}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    for (std::thread& helper : helpers_)
        helper.join();
}

void ReadAhead::startHelper() {
    try {
        helpers_.emplace_back([this] { help(); });
    } catch (const std::system_error&) {
        // No thread to be had: the folders are read with the helpers there are.
    }
}

void ReadAhead::add(const QByteArray& path) {
    if (fixed_ == 0)
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        auto job = std::make_shared<Job>();
        job->path = path;
        queue_.push_back(std::move(job));
    }
    if (helpers_.empty() && first_ > 0) {
        for (int i = 0; i < first_; ++i)
            startHelper();
    }
    work_.notify_one();
}

ReadAhead::ReadHere::ReadHere(ReadAhead& ahead, bool reading)
    : ahead_(reading && ahead.fixed_ < 0 && (ahead.helpers_.empty() || ahead.resting_) ? &ahead
                                                                                       : nullptr) {
    if (ahead_) {
        start_ = std::chrono::steady_clock::now();
        waits_ = threadWaits();
    }
}

ReadAhead::ReadHere::~ReadHere() {
    if (ahead_)
        ahead_->readHere(std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now() - start_)
                             .count(),
                         threadWaits() != waits_);
}

void ReadAhead::readHere(std::int64_t ns, bool waited) {
    // Only the command's thread is here, and the helpers, if any, rest.
    slowHere_ = (slowHere_ << 1) | (waited && ns > SlowHereNs ? 1 : 0);
    ++readHereCount_;
    if (readHereCount_ < 16 || __builtin_popcount(slowHere_ & 0xFFFF) < SlowOfLast16)
        return;
    if (helpers_.empty()) {
        for (int i = 0; i < std::min(FirstHelpers, mostHelpers()); ++i)
            startHelper();
    } else {
        const std::lock_guard<std::mutex> lock(mutex_);
        resting_ = false;
        readCount_ = 0;
    }
    work_.notify_all();
}

void ReadAhead::topUp() {
    if (!more || fixed_ == 0)
        return;
    for (;;) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!feeding_ || queue_.size() > size_t(Ahead))
                return;
        }
        QByteArray path;
        bool given = false;
        try {
            given = more(path);
        } catch (...) {
            given = false; // the command meets the fault when it gets there
        }
        if (!given) {
            const std::lock_guard<std::mutex> lock(mutex_);
            feeding_ = false;
            return;
        }
        add(path);
    }
}

bool ReadAhead::canStart(const Job& job, qsizetype position) const {
    return job.state == Job::State::Waiting && position < Ahead &&
           (heldBytes_ < AheadBytes || position == 0);
}

void ReadAhead::help() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        std::shared_ptr<Job> job;
        work_.wait(lock, [&] {
            if (stopping_)
                return true;
            if (resting_)
                return false;
            for (qsizetype i = 0; i < qsizetype(queue_.size()) && i < Ahead; ++i) {
                if (canStart(*queue_[size_t(i)], i)) {
                    job = queue_[size_t(i)];
                    return true;
                }
            }
            return false;
        });
        if (stopping_)
            return;
        job->state = Job::State::Reading;
        lock.unlock();

        const auto start = std::chrono::steady_clock::now();
        const long waits = threadWaits();
        auto reading = std::make_unique<FolderReading>();
        bool whole = false;
        try {
            whole = readFolder(job->path, content_, *reading);
        } catch (...) {
            whole = false; // out of memory: the command reads the folder itself
        }
        if (!whole)
            reading.reset();
        const std::int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count();

        const bool slow = threadWaits() != waits && ns > SlowHereNs;

        lock.lock();
        readNs_ = readCount_ == 0 ? ns : (readNs_ * 7 + ns) / 8;
        ++readCount_;
        slowReads_ = (slowReads_ << 1) | (slow ? 1 : 0);
        job->state = Job::State::Done;
        if (reading && !job->dropped) {
            job->bytes = bytesHeld(*reading);
            heldBytes_ += job->bytes;
            job->reading = std::move(reading);
        }
        done_.notify_all();
        if (reading) { // dropped meanwhile: closed without holding others up
            lock.unlock();
            reading.reset();
            lock.lock();
        }
    }
}

std::unique_ptr<FolderReading> ReadAhead::take(const QByteArray& path, const struct stat& now,
                                               const std::function<void()>& yield) {
    if (fixed_ == 0)
        return nullptr;
    topUp();
    std::unique_lock<std::mutex> lock(mutex_);
    qsizetype at = -1;
    for (qsizetype i = 0; i < qsizetype(queue_.size()) && i <= Ahead; ++i) {
        if (queue_[size_t(i)]->path == path) {
            at = i;
            break;
        }
    }
    if (at < 0)
        return nullptr;
    std::vector<std::shared_ptr<Job>> passed; // freed outside the lock
    for (qsizetype i = 0; i < at; ++i) {
        Job& job = *queue_.front();
        job.dropped = true;
        heldBytes_ -= job.bytes;
        passed.push_back(std::move(queue_.front()));
        queue_.pop_front();
    }
    const std::shared_ptr<Job> job = queue_.front();
    queue_.pop_front();
    if (fixed_ < 0 && first_ == 0 && !helpers_.empty() && !resting_ && readCount_ >= 16 &&
        __builtin_popcount(slowReads_ & 0xFFFF) < FastOfLast16) {
        // The folders come from memory after all (or no longer from the
        // disk): the command reads them alone until they wait again.
        resting_ = true;
        slowHere_ = 0;
        readHereCount_ = 0;
    }
    if (fixed_ < 0 && !resting_ && readCount_ >= 16 &&
        __builtin_popcount(slowReads_ & 0xFFFF) >= SlowOfLast16) {
        // The helpers that started at once wait for the disk: as many as a
        // slow disk gets at first.
        for (int n = int(helpers_.size()); n < std::min(FirstHelpers, mostHelpers()); ++n)
            startHelper();
    }
    if (job->state != Job::State::Done && fixed_ < 0 && !helpers_.empty() && !resting_ &&
        int(helpers_.size()) < mostHelpers() && readCount_ >= 4 && readNs_ > SlowReadNs)
        startHelper(); // the helpers fall behind a slow disk
    if (job->state == Job::State::Waiting) {
        lock.unlock();
        work_.notify_one(); // room for another folder ahead
        return nullptr;     // read here, at once, rather than wait for a helper
    }
    const auto isDone = [&] { return job->state == Job::State::Done; };
    if (!done_.wait_for(lock, QuietWait, isDone)) {
        while (!isDone()) {
            lock.unlock();
            if (yield)
                yield();
            lock.lock();
            done_.wait_for(lock, YieldEvery, isDone);
        }
    }
    heldBytes_ -= job->bytes;
    std::unique_ptr<FolderReading> reading = std::move(job->reading);
    lock.unlock();
    work_.notify_one();
    if (reading && !unchanged(reading->opened, now))
        reading.reset(); // changed since it was read: read again, as it is now
    return reading;
}
