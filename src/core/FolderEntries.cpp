// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "core/FolderEntries.h"

#include "core/FileNames.h"
#include "core/ListModel.h"
#include "core/Ui.h"

#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <system_error>
#include <thread>

namespace {

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

} // namespace

// What one directory entry is. The type comes from the listing; the file
// system is asked only for links and entries of unknown type, so a link
// counts as what it leads to. Then `*link` tells whether the entry is a link,
// and `*target` holds what it leads to.
EntryKind KindOfEntry(int folderFd, const char* name, unsigned char listedType, struct stat* target,
                      bool* link) {
    *link = false;
    const auto kindOf = [](const struct stat& info) {
        return S_ISDIR(info.st_mode)   ? EntryKind::Folder
               : S_ISREG(info.st_mode) ? EntryKind::File
                                       : EntryKind::Other;
    };
    switch (listedType) {
    case DT_DIR:
        return isDotOrDotDot(name) ? EntryKind::Other : EntryKind::Folder;
    case DT_REG:
        return EntryKind::File;
    case DT_UNKNOWN:
        if (isDotOrDotDot(name) || ::fstatat(folderFd, name, target, AT_SYMLINK_NOFOLLOW) != 0)
            return EntryKind::Other;
        if (!S_ISLNK(target->st_mode))
            return kindOf(*target);
        [[fallthrough]];
    case DT_LNK:
        *link = true;
        if (::fstatat(folderFd, name, target, 0) != 0)
            return EntryKind::Other;
        return kindOf(*target);
    default:
        return EntryKind::Other;
    }
}

EntryKind KindOfEntry(int folderFd, const char* name, unsigned char listedType) {
    struct stat target; // filled only when the file system is asked
    bool link = false;
    return KindOfEntry(folderFd, name, listedType, &target, &link);
}

namespace {

// Eight bytes of an ASCII name from `at` on, letters folded to lower case, as
// a number that orders as the bytes do; zeros past the name's end (a name holds
// no NUL), so a shorter name comes first.
quint64 foldedChunk(const char* name, qsizetype size, qsizetype at) {
    unsigned char bytes[8] = {};
    if (at < size)
        std::memcpy(bytes, name + at, size_t(std::min<qsizetype>(8, size - at)));
    quint64 word;
    std::memcpy(&word, bytes, 8);
    // Bytes from 'A' to 'Z' gain 0x20; no byte carries into the next, since
    // every byte is below 0x80.
    const quint64 ones = 0x0101010101010101ULL;
    const quint64 fromA = word + ones * (0x80 - 'A');
    const quint64 pastZ = word + ones * (0x80 - 'Z' - 1);
    word |= ((fromA & ~pastZ) & (ones * 0x80)) >> 2;
    return qFromBigEndian(word);
}

struct ChunkKey {
    quint64 key;
    qsizetype index;
};

// Sorts names that agree (folded) before chunk `chunk`, one chunk of eight
// bytes at a time: whole-number comparisons instead of byte loops.
void sortAsciiByChunks(const FileNameList& names, ChunkKey* begin, ChunkKey* end, qsizetype chunk) {
    for (ChunkKey* k = begin; k != end; ++k)
        k->key = foldedChunk(names.name(k->index), names.nameSize(k->index), chunk * 8);
    std::sort(begin, end, [](const ChunkKey& a, const ChunkKey& b) { return a.key < b.key; });
    for (ChunkKey* run = begin; run != end;) {
        ChunkKey* runEnd = run + 1;
        while (runEnd != end && runEnd->key == run->key)
            ++runEnd;
        if (runEnd - run > 1) {
            // A name that ends with this chunk and longer ones agree so far;
            // names that end within it agree in length as well.
            const bool goesOn = std::any_of(run, runEnd, [&](const ChunkKey& k) {
                return names.nameSize(k.index) > (chunk + 1) * 8;
            });
            if (goesOn) {
                sortAsciiByChunks(names, run, runEnd, chunk + 1);
            } else {
                // The same letters, the same length: the bytes decide.
                std::sort(run, runEnd, [&](const ChunkKey& a, const ChunkKey& b) {
                    return std::memcmp(names.name(a.index), names.name(b.index),
                                       size_t(names.nameSize(a.index))) < 0;
                });
            }
        }
        run = runEnd;
    }
}

} // namespace

void SortFileNames(FileNameList& names) {
    if (names.size() < 2)
        return;
    auto view = [&](const std::pair<qsizetype, qsizetype>& span) {
        return QByteArrayView(names.bytes.constData() + span.first, span.second);
    };
    if (IsAsciiBytes(names.bytes.constData(), names.bytes.size())) {
        // Kept from folder to folder: a walk sorts thousands of them.
        thread_local std::vector<ChunkKey> keys;
        thread_local std::vector<std::pair<qsizetype, qsizetype>> sorted;
        keys.resize(size_t(names.size()));
        for (qsizetype i = 0; i < names.size(); ++i)
            keys[size_t(i)].index = i;
        sortAsciiByChunks(names, keys.data(), keys.data() + keys.size(), 0);
        sorted.clear();
        for (const ChunkKey& k : keys)
            sorted.push_back(names.spans[size_t(k.index)]);
        names.spans.assign(sorted.begin(), sorted.end());
        return;
    }
    // Beyond ASCII each name is decoded once, not once per comparison.
    const qsizetype n = names.size();
    std::vector<QString> decoded;
    decoded.reserve(size_t(n));
    std::vector<qsizetype> order(static_cast<size_t>(n));
    for (qsizetype i = 0; i < n; ++i) {
        decoded.push_back(DecodeFileName(names.name(i), names.nameSize(i)));
        order[size_t(i)] = i;
    }
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return CompareFileNames(view(names.spans[size_t(a)]), decoded[size_t(a)],
                                view(names.spans[size_t(b)]), decoded[size_t(b)]) < 0;
    });
    std::vector<std::pair<qsizetype, qsizetype>> sorted;
    sorted.reserve(size_t(n));
    for (const qsizetype i : order)
        sorted.push_back(names.spans[size_t(i)]);
    names.spans = std::move(sorted);
}

void SortFileNames(FileNameList& names, Ui& ui) {
    if (names.size() < SortAsideSize) {
        SortFileNames(names);
        return;
    }
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    std::thread helper;
    try {
        helper = std::thread([&] {
            try {
                SortFileNames(names);
            } catch (...) {
                failure = std::current_exception();
            }
            done.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        SortFileNames(names); // no thread to be had: ordered here
        return;
    }
    while (!done.load(std::memory_order_acquire)) {
        ui.yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    helper.join();
    if (failure)
        std::rethrow_exception(failure);
}

void UnreadFolders::add(const QString& folder, const QString& reason) {
    if (first_.size() < Shown)
        first_.append(ShownText(folder) + QStringLiteral(": ") + reason);
    ++count_;
}

QString UnreadFolders::text(const QString& consequence) const {
    if (count_ == 0)
        return {};
    QString head;
    if (count_ == 1)
        head = QStringLiteral("1 folder could not be read:");
    else if (count_ <= Shown)
        head = QStringLiteral("%1 folders could not be read:").arg(count_);
    else
        head = QStringLiteral("%1 folders could not be read; the first %2:").arg(count_).arg(Shown);
    QString text = head + QStringLiteral("\r\r") + first_.join(QLatin1Char('\r'));
    if (!consequence.isEmpty())
        text += QStringLiteral("\r\r") + consequence;
    return text;
}

void UnreadFolders::tell(Ui& ui, const QString& consequence) const {
    if (count_ > 0)
        ui.message(text(consequence), UnreadFoldersTitle, Ui::Icon::Warning);
}
