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

#include <cerrno>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unordered_set>

namespace {

const QString WalkLocation =
    QStringLiteral("in QuobrelTitle2021/08/31.AddFolder.GetSubDirectories2016 ");
const QString AddLocation = QStringLiteral("in Palavine2021/08/31.Form1.PushButton6_Click ");

// A folder's identity on the file system, to read each folder once per walk.
struct FolderId {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderId&) const = default;
};

struct FolderIdHash {
    size_t operator()(const FolderId& id) const {
        return std::hash<unsigned long long>()((unsigned long long)id.inode * 1000003ULL ^
                                               (unsigned long long)id.device);
    }
};

using ReadFolders = std::unordered_set<FolderId, FolderIdHash>;

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

// How the walk's failing steps are told: through the error report, or, when
// the caller asked for it, to its hook together with the folder concerned.
class WalkSteps {
  public:
    WalkSteps(Ui& ui, const std::function<void(const QString&, const AppError&)>& failed)
        : trap_(ui, WalkLocation), failed_(failed) {}

    template <class Step> bool at(int line, const QString& entry, Step&& step) {
        if (!failed_)
            return trap_.at(line, std::forward<Step>(step));
        try {
            step();
            return true;
        } catch (const AppError& e) {
            failed_(entry, e);
        } catch (const std::bad_alloc&) {
            failed_(entry, AppError(ErrorNumber::OutOfMemory, QStringLiteral("Out of memory")));
        } catch (const std::exception& e) {
            failed_(entry, AppError(0, QString::fromUtf8(e.what())));
        }
        return false;
    }

    // A failure the walk deals with without a word: a folder taken out, a
    // listing cut short.
    void quiet(const QString& entry, const AppError& e) {
        if (failed_)
            failed_(entry, e);
    }

  private:
    ErrorTrap trap_;
    const std::function<void(const QString&, const AppError&)>& failed_;
};

// Appends parent + name + separator for every acceptable sub-folder, and the
// names of the regular files to `files` when given.
void listSubFolders(DIR* dir, const QString& parent, QStringList& level, Ui& ui,
                    FileNameList* files) {
    const int fd = ::dirfd(dir);
    const int maxLength = MaxPathLength();
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0)
                throw AppError::fromErrno(errno);
            return;
        }
        const char* name = entry->d_name;
        const EntryKind kind = KindOfEntry(fd, name, entry->d_type);
        if (kind == EntryKind::File) {
            if (files)
                files->append(name, qsizetype(std::strlen(name)));
            continue;
        }
        if (kind != EntryKind::Folder)
            continue;
        ui.yield();
        const QString n = DecodeFileName(name, qsizetype(std::strlen(name)));
        if (n.size() >= maxLength || HasBadChars(n))
            continue;
        level.append(parent + n + QLatin1Char('/'));
    }
}

enum class Outcome { Stays, TakenOut };

// What gather learnt of a folder beyond its outcome.
struct Gathered {
    bool listedWhole = false; // the listing ran to its end
    bool examined = false;    // the attributes were read: `kept` holds
    bool kept = false;        // what keep would decide, from the same tests
};

// Reads the sub-folders of one entry into the next level. With `files`, the
// folder's regular files are gathered in the same pass.
Outcome gather(const QString& d, QStringList& level, Ui& ui, WalkSteps& steps, ReadFolders& read,
               FileNameList* files = nullptr, Gathered* learnt = nullptr) {
    const QByteArray encoded = EncodeFileName(d);
    struct stat target {};
    if (!examineFolder(encoded, target))
        return Outcome::Stays;
    if (encoded.size() >= MaxPathLength())
        return Outcome::Stays;

    bool takenOut = false;
    DIR* dir = nullptr;
    steps.at(104, d, [&] {
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

    bool skip = false;
    steps.at(106, d, [&] {
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

    // The folder actually opened, not what the path names by now.
    struct stat opened {};
    if (::fstat(::dirfd(dir), &opened) != 0)
        opened = target;
    if (!read.insert({opened.st_dev, opened.st_ino}).second)
        return Outcome::Stays;

    steps.at(108, d, [&] {
        try {
            listSubFolders(dir, d, level, ui, files);
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
    steps.at(112, e, [&] {
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
    switch (listedType) {
    case DT_DIR:
        return isDotOrDotDot(name) ? EntryKind::Other : EntryKind::Folder;
    case DT_REG:
        return EntryKind::File;
    case DT_UNKNOWN:
    case DT_LNK: {
        if (isDotOrDotDot(name))
            return EntryKind::Other;
        struct stat info {};
        if (::fstatat(folderFd, name, &info, 0) != 0)
            return EntryKind::Other;
        return S_ISDIR(info.st_mode)   ? EntryKind::Folder
               : S_ISREG(info.st_mode) ? EntryKind::File
                                       : EntryKind::Other;
    }
    default:
        return EntryKind::Other;
    }
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
    const std::function<void(const QString&, const AppError&)> reportThem;
    WalkSteps steps(ui, reportThem);
    ReadFolders read;
    // levels[k] holds the folders k + 1 levels below the entries of dirs. A
    // deque keeps each level in place while the next one grows.
    std::deque<QStringList> levels;
    for (size_t k = 0;; ++k) {
        QStringList& current = k == 0 ? dirs : levels[k - 1];
        QStringList next;
        for (qsizetype i = 0; i < current.size();) {
            const QString d = current.at(i);
            if (gather(d, next, ui, steps, read) == Outcome::TakenOut) {
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
}

void FolderWalk::run(const QStringList& start, Ui& ui) {
    WalkSteps steps(ui, failed);
    ReadFolders read;
    FileNameList files;
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
            if (gather(d, next, ui, steps, read, collectFiles ? &files : nullptr, &learnt) ==
                Outcome::TakenOut)
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
