// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "folders/AddFolder.h"

#include "app/Directory.h"
#include "app/ErrorReport.h"
#include "app/FileNames.h"
#include "app/Helpers.h"
#include "app/ListView.h"
#include "app/MousePointer.h"
#include "app/Settings.h"
#include "app/Ui.h"
#include "folders/BrowseForFolder.h"

#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

namespace {

const QString AddLocation = QStringLiteral("in Palavine2021/08/31.Form1.PushButton6_Click ");

// A folder's identity on the file system.
struct FolderId {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderId&) const = default;
};

FolderId idOf(const struct stat& info) {
    return {info.st_dev, info.st_ino};
}

// The folders each folder of a walk was reached through: a link back to one of
// them is a cycle. Every folder read adds a node naming the node of the
// folder it was found in, so each holds its whole path back to the start.
class WalkPaths {
  public:
    static constexpr int Start = -1; // the node above a starting entry

    int add(FolderId id, int parent) {
        nodes_.push_back({id, parent});
        return int(nodes_.size()) - 1;
    }
    // Whether the folder is one of those on the path of `node`, itself included.
    bool onPath(FolderId id, int node) const {
        for (; node != Start; node = nodes_[size_t(node)].parent) {
            if (nodes_[size_t(node)].id == id)
                return true;
        }
        return false;
    }

  private:
    struct Node {
        FolderId id;
        int parent;
    };
    std::vector<Node> nodes_;
};

// The folder open at fd and every folder above it on the file system, up to
// the root; as far as they can be examined.
std::vector<FolderId> foldersAbove(int fd) {
    std::vector<FolderId> ids;
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return ids;
    ids.push_back(idOf(info));
    int current = -1;
    for (int depth = 0; depth < PATH_MAX / 2; ++depth) {
        const int parent =
            ::openat(current < 0 ? fd : current, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (current >= 0)
            ::close(current);
        current = parent;
        if (current < 0 || ::fstat(current, &info) != 0 || idOf(info) == ids.back())
            break;
        ids.push_back(idOf(info));
    }
    if (current >= 0)
        ::close(current);
    return ids;
}

// Permission denied and path not found take a folder out of the walk.
bool takesFolderOut(const AppError& e) {
    return e.number() == ErrorNumber::PermissionDenied || e.number() == ErrorNumber::PathNotFound;
}

// The entry less its trailing separators, the root kept whole: a link must be
// examined itself, and a trailing separator would look through it.
QByteArray withoutTrailingSeparators(QByteArray path) {
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

// The entry's last name: hidden when it starts with a dot.
bool hasHiddenName(const QString& path) {
    qsizetype end = path.size();
    while (end > 0 && path.at(end - 1) == QLatin1Char('/'))
        --end;
    if (end == 0)
        return false;
    const qsizetype start = path.lastIndexOf(QLatin1Char('/'), end - 1) + 1;
    return end > start && path.at(start) == QLatin1Char('.');
}

// The attribute bits from what the entry names (target, already examined) and
// the entry itself.
int attributesOf(const QString& path, const QByteArray& encoded, const struct stat& target) {
    struct stat self {};
    if (::lstat(withoutTrailingSeparators(encoded).constData(), &self) != 0)
        throw AppError::fromErrno(errno);
    int attributes = 0;
    if (S_ISDIR(target.st_mode))
        attributes |= FolderAttribute::Directory;
    if (!(target.st_mode & S_IWUSR))
        attributes |= FolderAttribute::ReadOnly;
    if (hasHiddenName(path))
        attributes |= FolderAttribute::Hidden;
    if (S_ISLNK(self.st_mode))
        attributes |= FolderAttribute::ReparsePoint;
    return attributes;
}

// IsFolder, keeping what it learnt.
bool examineFolder(const QByteArray& encoded, struct stat& target) {
    return !encoded.isEmpty() && ::stat(encoded.constData(), &target) == 0 &&
           S_ISDIR(target.st_mode);
}

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// How the walk's failing steps are told: gathered for one message at the end
// of the walk, or, when the caller asked for it, to its hook together with the
// folder concerned.
class WalkSteps {
  public:
    explicit WalkSteps(const std::function<void(const QString&, const AppError&)>& failed)
        : failed_(failed) {}

    template <class Step> bool at(const QString& entry, Step&& step) {
        try {
            step();
            return true;
        } catch (const AppError& e) {
            fail(entry, e);
        } catch (const std::bad_alloc&) {
            fail(entry, AppError(ErrorNumber::OutOfMemory, QStringLiteral("Out of memory")));
        } catch (const std::exception& e) {
            fail(entry, AppError(0, QString::fromUtf8(e.what())));
        }
        return false;
    }

    // A failure the walk deals with without a word: a folder taken out, a
    // listing cut short.
    void quiet(const QString& entry, const AppError& e) {
        if (failed_)
            failed_(entry, e);
    }

    // The folders that failed, told once (without a hook).
    void tell(Ui& ui) {
        unread_.tell(ui, QStringLiteral("The folders below them are not in the folder list."));
    }

  private:
    void fail(const QString& entry, const AppError& e) {
        if (failed_)
            failed_(entry, e);
        else
            unread_.add(NormalizeBackslashes(entry), e.description());
    }

    const std::function<void(const QString&, const AppError&)>& failed_;
    UnreadFolders unread_;
};

// One level of the walk: its entries and, for each, the node of the folder
// it was found in.
struct Level {
    QStringList entries;
    std::vector<int> parents;
};

// What one directory entry is, and whether the file system was asked (then
// `followed` holds what the entry leads to).
EntryKind kindOfEntry(int folderFd, const char* name, unsigned char listedType,
                      struct stat* followed, bool* examined) {
    *examined = false;
    switch (listedType) {
    case DT_DIR:
        return isDotOrDotDot(name) ? EntryKind::Other : EntryKind::Folder;
    case DT_REG:
        return EntryKind::File;
    case DT_UNKNOWN:
    case DT_LNK: {
        if (isDotOrDotDot(name))
            return EntryKind::Other;
        if (::fstatat(folderFd, name, followed, 0) != 0)
            return EntryKind::Other;
        *examined = true;
        return S_ISDIR(followed->st_mode)   ? EntryKind::Folder
               : S_ISREG(followed->st_mode) ? EntryKind::File
                                            : EntryKind::Other;
    }
    default:
        return EntryKind::Other;
    }
}

// Appends parent + name + separator for every acceptable sub-folder, in name
// order, and the names of the regular files to `files` when given (in name
// order once the listing is whole). A link back to this folder or to one
// above it on the file system is a cycle and is left out.
void listSubFolders(DIR* dir, const QString& parent, int node, Level& next, Ui& ui,
                    FileNameList* files) {
    const int fd = ::dirfd(dir);
    const int maxLength = MaxPathLength();
    FileNameList folders;
    std::optional<std::vector<FolderId>> above;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0)
                throw AppError::fromErrno(errno);
            break;
        }
        const char* name = entry->d_name;
        struct stat target; // filled only when examined: most entries need no stat
        bool examined = false;
        const EntryKind kind = kindOfEntry(fd, name, entry->d_type, &target, &examined);
        if (kind == EntryKind::File) {
            if (files)
                files->append(name, qsizetype(std::strlen(name)));
            continue;
        }
        if (kind != EntryKind::Folder)
            continue;
        ui.yield();
        // Only a link (or an entry of unknown type) can lead back up.
        if (examined) {
            if (!above)
                above = foldersAbove(fd);
            if (std::find(above->begin(), above->end(), idOf(target)) != above->end())
                continue;
        }
        folders.append(name, qsizetype(std::strlen(name)));
    }
    SortFileNames(folders);
    if (files)
        SortFileNames(*files);
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const QString n = DecodeFileName(folders.name(i), folders.nameSize(i));
        if (n.size() >= maxLength || HasBadChars(n))
            continue;
        next.entries.append(parent + n + QLatin1Char('/'));
        next.parents.push_back(node);
    }
}

enum class Outcome { Stays, TakenOut, Cycle };

// What gather learnt of a folder beyond its outcome.
struct Gathered {
    bool listedWhole = false; // the listing ran to its end
    bool examined = false;    // the attributes were read: `kept` holds
    bool kept = false;        // what keep would decide, from the same tests
};

// Reads the sub-folders of one entry into the next level. `node` is the node
// of the folder the entry was found in (WalkPaths::Start for a starting
// entry): a folder found again on its own path is a cycle, neither read nor
// kept. With `files`, the folder's regular files are gathered in the same pass.
Outcome gather(const QString& d, int node, Level& next, Ui& ui, WalkSteps& steps, WalkPaths& paths,
               FileNameList* files = nullptr, Gathered* learnt = nullptr) {
    const QByteArray encoded = EncodeFileName(d);
    struct stat target {};
    if (!examineFolder(encoded, target))
        return Outcome::Stays;
    if (encoded.size() >= MaxPathLength())
        return Outcome::Stays;

    bool takenOut = false;
    DIR* dir = nullptr;
    steps.at(d, [&] {
        dir = ::opendir(encoded.constData());
        if (!dir) {
            const AppError e = AppError::fromErrno(errno);
            if (!takesFolderOut(e))
                throw e;
            steps.quiet(d, e);
            takenOut = true;
        }
    });
    const DirectoryStream folder(dir);
    if (takenOut)
        return Outcome::TakenOut;
    if (!dir)
        return Outcome::Stays;
    ui.yield();

    // The folder actually opened, not what the path names by now.
    struct stat opened {};
    if (::fstat(::dirfd(dir), &opened) != 0)
        opened = target;
    if (node != WalkPaths::Start && paths.onPath(idOf(opened), node))
        return Outcome::Cycle;

    bool skip = false;
    steps.at(d, [&] {
        try {
            skip = !IsRootFolder(d) && IsSkippedByAttributes(attributesOf(d, encoded, target));
            if (learnt) {
                learnt->examined = true;
                learnt->kept = !skip;
            }
        } catch (const AppError& e) {
            if (!takesFolderOut(e))
                throw;
            steps.quiet(d, e);
            takenOut = true;
        }
    });
    if (takenOut)
        return Outcome::TakenOut;
    if (skip)
        return Outcome::Stays;

    const int self = paths.add(idOf(opened), node);
    steps.at(d, [&] {
        try {
            listSubFolders(dir, d, self, next, ui, files);
            if (learnt)
                learnt->listedWhole = true;
        } catch (const AppError& e) {
            // Any other failure just ends this folder's listing.
            takenOut = takesFolderOut(e);
            steps.quiet(d, e);
        }
    });
    return takenOut ? Outcome::TakenOut : Outcome::Stays;
}

// Whether a folder found below is kept in the result.
bool keep(const QString& e, Ui& ui, WalkSteps& steps) {
    const QByteArray encoded = EncodeFileName(e);
    struct stat target {};
    if (!examineFolder(encoded, target))
        return false;
    ui.yield();
    bool kept = true;
    steps.at(e, [&] {
        try {
            kept = IsRootFolder(e) || !IsSkippedByAttributes(attributesOf(e, encoded, target));
        } catch (const AppError& error) {
            if (!takesFolderOut(error))
                throw;
            steps.quiet(e, error);
            kept = false; // gone since it was examined
        }
    });
    return kept;
}

} // namespace

EntryKind KindOfEntry(int folderFd, const char* name, unsigned char listedType) {
    struct stat followed; // filled only when the file system is asked
    bool examined = false;
    return kindOfEntry(folderFd, name, listedType, &followed, &examined);
}

bool HasBadChars(const QString& name) {
    for (const QChar c : name) {
        const char16_t code = c.unicode();
        if (code < 32 || (code >= 127 && code <= 159))
            return true;
    }
    return false;
}

bool IsSkippedByAttributes(int attributes) {
    return attributes == 22 || attributes == 1046;
}

bool IsRootFolder(const QString& path) {
    if (path.isEmpty())
        return false;
    for (const QChar c : path) {
        if (c != QLatin1Char('/'))
            return false;
    }
    return true;
}

int FolderAttributes(const QString& path) {
    const QByteArray encoded = EncodeFileName(path);
    struct stat target {};
    if (::stat(encoded.constData(), &target) != 0) {
        // A dangling link still has attributes of its own.
        struct stat self {};
        if (::lstat(withoutTrailingSeparators(encoded).constData(), &self) != 0)
            throw AppError::fromErrno(errno);
        target = self;
        target.st_mode = (self.st_mode & ~S_IFMT) | S_IFREG;
    }
    return attributesOf(path, encoded, target);
}

void GetSubDirectories2016(QStringList& dirs, bool recurse, Ui& ui) {
    const std::function<void(const QString&, const AppError&)> toldAtTheEnd;
    WalkSteps steps(toldAtTheEnd);
    WalkPaths paths;
    // levels[k] holds the folders k + 1 levels below the entries of dirs. A
    // deque keeps each level in place while the next one grows.
    std::deque<Level> levels;
    std::vector<int> startNodes(size_t(dirs.size()), WalkPaths::Start);
    for (size_t k = 0;; ++k) {
        QStringList& current = k == 0 ? dirs : levels[k - 1].entries;
        std::vector<int>& parents = k == 0 ? startNodes : levels[k - 1].parents;
        Level next;
        for (qsizetype i = 0; i < current.size();) {
            const QString d = current.at(i);
            const Outcome outcome = gather(d, parents[size_t(i)], next, ui, steps, paths);
            if (outcome == Outcome::Cycle) {
                current.removeAt(i);
                parents.erase(parents.begin() + i);
                continue;
            }
            if (outcome == Outcome::TakenOut) {
                // The first equal entry goes; it is this one or one before it,
                // so the next entry to read now stands at i.
                const qsizetype at = current.indexOf(d);
                if (at >= 0) {
                    current.removeAt(at);
                    parents.erase(parents.begin() + at);
                    continue;
                }
            }
            ++i;
        }
        if (next.entries.isEmpty())
            break;
        levels.push_back(std::move(next));
        if (!recurse)
            break;
    }
    for (const Level& level : levels) {
        for (const QString& e : level.entries) {
            if (keep(e, ui, steps))
                dirs.append(e);
        }
    }
    steps.tell(ui);
}

void FolderWalk::run(const QStringList& start, Ui& ui) {
    WalkSteps steps(failed);
    WalkPaths paths;
    FileNameList files;
    Level current{start, std::vector<int>(size_t(start.size()), WalkPaths::Start)};
    // Level by level as GetSubDirectories2016 goes; a folder is given once it
    // has been read and would be kept, which is where it stands in that
    // walk's result.
    for (bool top = true; !current.entries.isEmpty(); top = false) {
        Level next;
        for (qsizetype i = 0; i < current.entries.size(); ++i) {
            const QString& d = current.entries.at(i);
            files.bytes.resize(0);
            files.spans.clear();
            Gathered learnt;
            const Outcome outcome = gather(d, current.parents[size_t(i)], next, ui, steps, paths,
                                           collectFiles ? &files : nullptr, &learnt);
            if (outcome != Outcome::Stays)
                continue;
            // Keep's tests were just made when the folder was read; made again
            // only when the reading stopped before them.
            if (!top && !(learnt.examined ? learnt.kept : keep(d, ui, steps)))
                continue;
            if (folder)
                folder(d, collectFiles && learnt.listedWhole ? &files : nullptr);
        }
        current = std::move(next);
    }
    steps.tell(ui);
}

void AddFoldersAndSubfolders(Ui& ui, MousePointer& pointer, ListView& folders, QWidget* owner) {
    ErrorTrap trap(ui, AddLocation);
    QString lastFolder;
    trap.at(100, [&] { lastFolder = GetOption(QStringLiteral("LastFolderDot"), QString()); });
    QString path;
    trap.at(102, [&] {
        path = BrowseForFolder(ui, owner, QStringLiteral("Please select folder:"), lastFolder);
    });
    if (path.isEmpty())
        return;
    const BusyPointer busy(pointer);
    QStringList walk;
    trap.at(108, [&] { walk.append(path + QLatin1Char('/')); });
    trap.at(110, [&] { GetSubDirectories2016(walk, true, ui); });
    trap.at(112, [&] {
        QStringList items;
        items.reserve(walk.size());
        for (const QString& entry : walk)
            items.append(NormalizeBackslashes(entry));
        folders.model()->append(std::move(items));
    });
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

void UnreadFolders::add(const QString& folder, const QString& reason) {
    if (first_.size() < Shown)
        first_.append(DisplayFileName(folder) + QStringLiteral(": ") + reason);
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
