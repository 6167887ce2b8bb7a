// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "folders/AddFolder.h"

#include "core/BrowseForFolder.h"
#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/FileSystem.h"
#include "core/FolderEntries.h"
#include "core/ListModel.h"
#include "core/MousePointer.h"
#include "core/Paths.h"
#include "core/ReadAhead.h"
#include "core/Settings.h"
#include "core/Ui.h"

#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace {

const QString AddLocation = QStringLiteral("in Palavine2021/08/31.Form1.PushButton6_Click ");

// A folder's identity on the file system.
struct FolderId {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderId&) const = default;
};

struct FolderIdHash {
    size_t operator()(const FolderId& id) const noexcept {
        return size_t((quint64(id.inode) * 0x9E3779B97F4A7C15ULL) ^ quint64(id.device));
    }
};

using FolderIds = std::unordered_set<FolderId, FolderIdHash>;

FolderId idOf(const struct stat& info) {
    return {info.st_dev, info.st_ino};
}

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

// The real folders one walk has met. Each is entered at most once. A link is
// followed only to a folder outside the trees being walked and not above
// them, and only the first time the walk reaches that folder: a link into the
// trees leads where the walk goes anyway, one to a folder above them is a
// cycle. So a walk ends, whatever links the disk holds.
class WalkMemory {
  public:
    explicit WalkMemory(const QStringList& starts) {
        for (const QString& start : starts) {
            const int fd = OpenPath(EncodeFileName(start), O_PATH | O_DIRECTORY);
            if (fd < 0)
                continue;
            const std::vector<FolderId> ids = foldersAbove(fd);
            ::close(fd);
            for (size_t i = 0; i < ids.size(); ++i)
                (i == 0 ? starts_ : above_).insert(ids[i]);
        }
    }

    // Marks the folder entered; false when it was entered before.
    bool enter(FolderId id) { return entered_.insert(id).second; }

    // Whether the link `name` in the folder open at `folderFd`, leading to the
    // folder `target`, is walked.
    bool follows(int folderFd, const char* name, FolderId target) {
        if (entered_.count(target) || starts_.count(target) || above_.count(target))
            return false;
        return !insideStarts(folderFd, name, target);
    }

  private:
    // Whether a start holds the link's target: one is found going up from it.
    // What is learnt on the way up holds for every folder passed.
    bool insideStarts(int folderFd, const char* name, FolderId target) {
        if (const auto known = placed_.find(target); known != placed_.end())
            return known->second;
        int current = ::openat(folderFd, name, O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (current < 0)
            return true; // it can't be examined: it is not followed
        std::vector<FolderId> passed{target};
        bool inside = false;
        for (int depth = 0; depth < PATH_MAX / 2; ++depth) {
            const int parent = ::openat(current, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
            ::close(current);
            current = parent;
            struct stat info {};
            if (current < 0 || ::fstat(current, &info) != 0 || idOf(info) == passed.back())
                break;
            const FolderId id = idOf(info);
            if (starts_.count(id)) {
                inside = true;
                break;
            }
            if (const auto known = placed_.find(id); known != placed_.end()) {
                inside = known->second;
                break;
            }
            passed.push_back(id);
        }
        if (current >= 0)
            ::close(current);
        for (const FolderId& id : passed)
            placed_[id] = inside;
        return inside;
    }

    FolderIds entered_;
    FolderIds starts_;
    FolderIds above_;
    std::unordered_map<FolderId, bool, FolderIdHash> placed_; // inside a start or not
};

// Permission denied and path not found take a folder out of the walk.
bool takesFolderOut(int errorNumber) {
    return errorNumber == ErrorNumber::PermissionDenied || errorNumber == ErrorNumber::PathNotFound;
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
    if (StatPath(encoded, &self, false) != 0)
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

// The folder an entry names, examined; a failure throws with its reason.
struct stat examineFolder(const QByteArray& encoded) {
    struct stat target {};
    if (StatPath(encoded, &target) != 0)
        throw AppError::fromErrno(errno);
    if (!S_ISDIR(target.st_mode))
        throw AppError::fromErrno(ENOTDIR);
    return target;
}

// How the walk's failing steps are told: gathered for one message at the end
// of the walk, or, when the caller asked for it, to its hook together with the
// folder concerned. Every folder the walk leaves out for a failure is told.
class WalkSteps {
  public:
    explicit WalkSteps(const std::function<void(const QString&, const AppError&)>& failed,
                       UnreadFolders* unread = nullptr)
        : failed_(failed), unread_(unread ? *unread : own_), tells_(!unread) {}

    // Runs a step for the entry: 0 when it went well, else the number of the
    // failure, which has been told.
    template <class Step> int at(const QString& entry, Step&& step) {
        try {
            step();
            return 0;
        } catch (const AppError& e) {
            fail(entry, e);
            return e.number();
        } catch (const std::bad_alloc&) {
            fail(entry, AppError(ErrorNumber::OutOfMemory, QStringLiteral("Out of memory")));
            return ErrorNumber::OutOfMemory;
        } catch (const std::exception& e) {
            fail(entry, AppError(0, QString::fromUtf8(e.what())));
            return -1;
        }
    }

    void fail(const QString& entry, const AppError& e) {
        if (failed_)
            failed_(entry, e);
        else
            unread_.add(NormalizeBackslashes(entry), e.description());
    }

    // The folders that failed, told once (without a hook, unless the caller
    // gathers them).
    void tell(Ui& ui) {
        if (tells_)
            unread_.tell(ui, UnreadFoldersOfWalk);
    }

  private:
    const std::function<void(const QString&, const AppError&)>& failed_;
    UnreadFolders own_;
    UnreadFolders& unread_;
    bool tells_;
};

// Entries past this many let pending events run while a folder is read.
constexpr qsizetype EntriesPerYield = 1024;

void addSubFolders(const FileNameList& folders, const QString& parent, QStringList& next, Ui& ui,
                   WalkSteps& steps);

// Appends parent + name + separator for every acceptable sub-folder, in name
// order, and the names of the regular files to `files` when given (in name
// order once the listing is whole). A link is kept only when the walk follows
// it; a name the walk refuses is told.
void listSubFolders(DIR* dir, const QString& parent, QStringList& next, Ui& ui, WalkMemory& memory,
                    WalkSteps& steps, FileNameList* files) {
    const int fd = ::dirfd(dir);
    FileNameList folders;
    qsizetype count = 0;
    ReadFolderEntries(dir, [&](const FolderEntry& entry) {
        if (++count % EntriesPerYield == 0)
            ui.yield();
        if (entry.kind == EntryKind::File) {
            if (files)
                files->append(entry.name, entry.size);
            return;
        }
        if (entry.kind != EntryKind::Folder)
            return;
        ui.yield();
        if (entry.link && !memory.follows(fd, entry.name, idOf(*entry.target)))
            return;
        folders.append(entry.name, entry.size);
    });
    SortFileNames(folders, ui);
    if (files)
        SortFileNames(*files, ui);
    addSubFolders(folders, parent, next, ui, steps);
}

// The same from a folder a helper has read: the walk's own decisions (which
// links it follows) are made here, in order. The folder is still open (`dir`)
// when links are among its sub-folders.
void listSubFolders(FolderReading& reading, DIR* dir, const QString& parent, QStringList& next,
                    Ui& ui, WalkMemory& memory, WalkSteps& steps, FileNameList* files) {
    const int fd = dir ? ::dirfd(dir) : -1;
    FileNameList folders;
    for (qsizetype i = 0; i < reading.folders.size(); ++i) {
        ui.yield();
        const FolderReading::Link& link = reading.links[size_t(i)];
        // The names stand end to end: a link's is copied to end with a NUL.
        if (link.isLink &&
            !memory.follows(fd, QByteArray(reading.folders.name(i), reading.folders.nameSize(i)),
                            {link.device, link.inode}))
            continue;
        folders.append(reading.folders.name(i), reading.folders.nameSize(i));
    }
    if (files)
        *files = std::move(reading.files);
    addSubFolders(folders, parent, next, ui, steps);
}

// Appends parent + name + separator for each of the folders (in name order)
// that the walk accepts; a name it refuses is told.
void addSubFolders(const FileNameList& folders, const QString& parent, QStringList& next, Ui& ui,
                   WalkSteps& steps) {
    for (qsizetype i = 0; i < folders.size(); ++i) {
        if ((i + 1) % EntriesPerYield == 0)
            ui.yield();
        const QString name = DecodeFileName(folders.name(i), folders.nameSize(i));
        QString entry = parent + name + QLatin1Char('/');
        if (HasBadChars(name)) {
            steps.fail(entry, AppError(ErrorNumber::BadFileName,
                                       QStringLiteral("Name holds a control character")));
            continue;
        }
        next.append(std::move(entry));
    }
}

// Repeated: the folder was entered before in this walk, and is left out.
enum class Outcome { Stays, TakenOut, Repeated };

// What gather learnt of a folder beyond its outcome.
struct Gathered {
    bool listedWhole = false; // the listing ran to its end
    bool examined = false;    // the attributes were read: `kept` holds
    bool kept = false;        // what keep would decide, from the same tests
    bool told = false;        // a failure was told
};

// Reads the sub-folders of one entry into the next level; a starting entry
// that is no folder stays where it is. With `files`, the folder's
// regular files are gathered in the same pass. A folder that helpers read
// ahead is taken from them, when it has not changed since.
Outcome gather(const QString& d, bool start, QStringList& next, Ui& ui, WalkSteps& steps,
               WalkMemory& memory, FileNameList* files, Gathered& learnt, ReadAhead& ahead) {
    const QByteArray encoded = EncodeFileName(d);
    struct stat target {};
    int failure = steps.at(d, [&] { target = examineFolder(encoded); });
    learnt.told = failure != 0;
    if (failure != 0) // gone, or no longer reachable, since it was found
        return start ? Outcome::Stays : Outcome::TakenOut;
    std::unique_ptr<FolderReading> reading = ahead.take(encoded, target, [&] { ui.yield(); });
    const ReadAhead::ReadHere timing(ahead, !reading);
    DIR* dir = reading ? reading->dir.release() : nullptr;
    failure = steps.at(d, [&] {
        if (reading)
            return;
        dir = OpenFolder(encoded).release();
        if (!dir)
            throw AppError::fromErrno(errno);
    });
    const DirectoryStream folder(dir);
    learnt.told = failure != 0;
    if (!dir && !reading)
        return takesFolderOut(failure) ? Outcome::TakenOut : Outcome::Stays;
    ui.yield();

    // The folder actually opened, not what the path names by now.
    struct stat opened {};
    if (reading)
        opened = reading->opened;
    else if (::fstat(::dirfd(dir), &opened) != 0)
        opened = target;
    if (!memory.enter(idOf(opened)) && !start)
        return Outcome::Repeated;

    bool skip = false;
    failure = steps.at(d, [&] {
        skip = !IsRootFolder(d) && IsSkippedByAttributes(attributesOf(d, encoded, target));
        learnt.examined = true;
        learnt.kept = !skip;
    });
    learnt.told = failure != 0;
    if (takesFolderOut(failure))
        return Outcome::TakenOut;
    if (skip)
        return Outcome::Stays;

    // A failure part-way ends this folder's listing; what was found stays.
    failure = steps.at(d, [&] {
        if (reading)
            listSubFolders(*reading, dir, d, next, ui, memory, steps, files);
        else
            listSubFolders(dir, d, next, ui, memory, steps, files);
    });
    learnt.listedWhole = failure == 0;
    learnt.told = failure != 0;
    return takesFolderOut(failure) ? Outcome::TakenOut : Outcome::Stays;
}

// Whether a folder found below is kept in the result.
bool keep(const QString& e, Ui& ui, WalkSteps& steps) {
    const QByteArray encoded = EncodeFileName(e);
    struct stat target {};
    if (steps.at(e, [&] { target = examineFolder(encoded); }) != 0)
        return false;
    ui.yield();
    bool kept = true;
    const int failure = steps.at(e, [&] {
        kept = IsRootFolder(e) || !IsSkippedByAttributes(attributesOf(e, encoded, target));
    });
    return kept && !takesFolderOut(failure);
}

} // namespace

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
    if (StatPath(encoded, &target) != 0) {
        // A dangling link still has attributes of its own.
        struct stat self {};
        if (StatPath(encoded, &self, false) != 0)
            throw AppError::fromErrno(errno);
        target = self;
        target.st_mode = (self.st_mode & ~S_IFMT) | S_IFREG;
    }
    return attributesOf(path, encoded, target);
}

void GetSubDirectories2016(QStringList& dirs, bool recurse, Ui& ui, UnreadFolders* unread) {
    const std::function<void(const QString&, const AppError&)> toldAtTheEnd;
    WalkSteps steps(toldAtTheEnd, unread);
    WalkMemory memory(dirs);
    ReadAhead ahead(ReadAhead::Content::Folders);
    if (recurse) {
        for (const QString& d : std::as_const(dirs))
            ahead.add(EncodeFileName(d));
    }
    // levels[k] holds the folders k + 1 levels below the entries of dirs. A
    // deque keeps each level in place while the next one grows.
    std::deque<QStringList> levels;
    for (size_t k = 0;; ++k) {
        QStringList& current = k == 0 ? dirs : levels[k - 1];
        QStringList next;
        for (qsizetype i = 0; i < current.size();) {
            const QString d = current.at(i);
            Gathered learnt;
            const qsizetype known = next.size();
            const Outcome outcome =
                gather(d, k == 0, next, ui, steps, memory, nullptr, learnt, ahead);
            for (qsizetype n = known; recurse && n < next.size(); ++n)
                ahead.add(EncodeFileName(next.at(n)));
            if (outcome == Outcome::Repeated) {
                current.removeAt(i);
                continue;
            }
            if (outcome == Outcome::TakenOut) {
                // The first equal entry goes; it is this one or one before it,
                // so the next entry to read now stands at i.
                const qsizetype at = current.indexOf(d);
                if (at >= 0) {
                    current.removeAt(at);
                    continue;
                }
            }
            ++i;
        }
        if (next.isEmpty())
            break;
        levels.push_back(std::move(next));
        if (!recurse)
            break;
    }
    for (const QStringList& level : levels) {
        for (const QString& e : level) {
            if (keep(e, ui, steps))
                dirs.append(e);
        }
    }
    steps.tell(ui);
}

void FolderWalk::run(const QStringList& start, Ui& ui) {
    WalkSteps steps(failed);
    WalkMemory memory(start);
    FileNameList files;
    const FileNameList none;
    ReadAhead ahead(collectFiles ? ReadAhead::Content::FoldersAndFiles
                                 : ReadAhead::Content::Folders);
    for (const QString& d : start)
        ahead.add(EncodeFileName(d));
    QStringList current = start;
    // Level by level as GetSubDirectories2016 goes; a folder is given once it
    // has been read and would be kept, which is where it stands in that
    // walk's result.
    for (bool top = true; !current.isEmpty(); top = false) {
        QStringList next;
        for (const QString& d : std::as_const(current)) {
            files.bytes.resize(0);
            files.spans.clear();
            Gathered learnt;
            const qsizetype known = next.size();
            const Outcome outcome = gather(d, top, next, ui, steps, memory,
                                           collectFiles ? &files : nullptr, learnt, ahead);
            for (qsizetype n = known; n < next.size(); ++n)
                ahead.add(EncodeFileName(next.at(n)));
            if (outcome != Outcome::Stays)
                continue;
            // Keep's tests were just made when the folder was read; made again
            // only when the reading stopped before them.
            if (!top && !(learnt.examined ? learnt.kept : keep(d, ui, steps)))
                continue;
            if (!folder)
                continue;
            // A folder whose reading failed has been told: its files are not
            // read again.
            if (collectFiles && (learnt.listedWhole || learnt.told))
                folder(d, learnt.listedWhole ? &files : &none);
            else
                folder(d, nullptr);
        }
        current = std::move(next);
    }
    steps.tell(ui);
}

namespace {
// Appends each folder with every folder below it, in the order given; the
// folders not read are gathered in `unread`.
void addFolderTrees(Ui& ui, ErrorTrap& trap, ListModel& folders, const QStringList& paths,
                    UnreadFolders& unread) {
    for (const QString& path : paths) {
        QStringList walk;
        trap.at(108, [&] { walk.append(path + QLatin1Char('/')); });
        trap.at(110, [&] { GetSubDirectories2016(walk, true, ui, &unread); });
        trap.at(112, [&] {
            QStringList items;
            items.reserve(walk.size());
            for (const QString& entry : walk)
                items.append(NormalizeBackslashes(entry));
            folders.append(std::move(items));
        });
    }
}
} // namespace

void AddFoldersAndSubfolders(Ui& ui, MousePointer& pointer, ListModel& folders, QWidget* owner) {
    ErrorTrap trap(ui, AddLocation);
    QString lastFolder;
    trap.at(100, [&] { lastFolder = GetOption(Option::LastFolder); });
    QString path;
    trap.at(102, [&] {
        path = BrowseForFolder(ui, owner, QStringLiteral("Please select folder:"), lastFolder);
    });
    if (path.isEmpty())
        return;
    const BusyPointer busy(pointer);
    UnreadFolders unread;
    addFolderTrees(ui, trap, folders, {path}, unread);
    // What was left out, once the rest is in the list.
    unread.tell(ui, UnreadFoldersOfWalk);
}

void AddFolderTrees(Ui& ui, MousePointer& pointer, ListModel& folders, const QStringList& paths) {
    ErrorTrap trap(ui, AddLocation);
    const BusyPointer busy(pointer);
    UnreadFolders unread;
    addFolderTrees(ui, trap, folders, paths, unread);
    unread.tell(ui, UnreadFoldersOfWalk);
}
