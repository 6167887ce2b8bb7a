// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "listing/CreateList.h"

#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/FileSystem.h"
#include "core/FolderEntries.h"
#include "core/ListModel.h"
#include "core/Paths.h"
#include "core/ReadAhead.h"
#include "core/RunningFlag.h"
#include "core/Ui.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool matchesEveryName(const QString& pattern) {
    return pattern == QLatin1String("*") || pattern == QLatin1String("*.*");
}

// Reads the regular files of a folder (its path in file-system bytes, ending in a
// separator). A folder that does not exist gives no names; one that can't be
// read throws, and then no names are kept.
FileNameList readFileNames(const QByteArray& folder, const QString& pattern, Ui* ui) {
    FileNameList names;
    const DirectoryStream dir = OpenFolder(folder);
    if (!dir) {
        if (errno == ENOENT || errno == ENOTDIR)
            return names;
        throw AppError::fromErrno(errno);
    }
    const bool everyName = matchesEveryName(pattern);
    const QByteArray wildcard = everyName ? QByteArray() : EncodeFileName(pattern);
    names.spans.reserve(100);
    qsizetype count = 0;
    ReadFolderEntries(dir.get(), [&](const FolderEntry& entry) {
        // A huge folder lets pending events run while it is read.
        if (ui && ++count % 1024 == 0)
            ui->yield();
        if (entry.kind != EntryKind::File ||
            (!everyName && ::fnmatch(wildcard.constData(), entry.name, 0) != 0))
            return;
        names.append(entry.name, entry.size);
    });
    if (ui)
        SortFileNames(names, *ui);
    else
        SortFileNames(names);
    return names;
}

QByteArray folderWithSeparator(const QString& folder) {
    QByteArray bytes = EncodeFileName(folder);
    if (!bytes.endsWith('/'))
        bytes.append('/');
    return bytes;
}

bool isAscii(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

char16_t asciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

QStringView extensionOf(QStringView path) {
    if (path.isEmpty())
        return path;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot >= 1 ? path.mid(dot + 1) : path;
}

QString fullPath(const QString& prefix, const char* name, qsizetype size) {
    QString path;
    SetFilePath(path, prefix, name, size);
    return path;
}

} // namespace

void ExtensionFilter::update(const QString& filter) {
    if (filter == raw_ && !first_)
        return;
    first_ = false;
    raw_ = filter;
    all_ = filter == AllFilesFilter;
    lowered_ = filter.toLower();
    loweredAscii_ = isAscii(lowered_);
}

bool ExtensionFilter::keeps(QStringView path) const {
    if (all_)
        return true;
    const QStringView ext = extensionOf(path);
    if (isAscii(ext)) {
        // Lowering an ASCII text keeps it ASCII and of the same length.
        if (!loweredAscii_ || ext.size() != lowered_.size())
            return false;
        const char16_t* a = ext.utf16();
        const auto* b = reinterpret_cast<const char16_t*>(lowered_.constData());
        for (qsizetype i = 0; i < ext.size(); ++i) {
            if (asciiLower(a[i]) != b[i])
                return false;
        }
        return true;
    }
    return ext.toString().toLower() == lowered_;
}

QString FolderEntryPrefix(const QString& entry) {
    return WithoutTrailingSeparator(ResolveParentParts(entry)) + Separator();
}

FileNameList ReadFolderFiles(const QString& folderWithSeparator, Ui* ui, ReadAhead* ahead) {
    const QByteArray folder = EncodeFileName(folderWithSeparator);
    struct stat now {};
    if (ahead && StatPath(folder, &now) == 0) {
        if (const std::unique_ptr<FolderReading> reading = ahead->take(folder, now, [&] {
                if (ui)
                    ui->yield();
            }))
            return std::move(reading->files);
        const ReadAhead::ReadHere timing(*ahead, true);
        return readFileNames(folder, AllFilesFilter, ui);
    }
    return readFileNames(folder, AllFilesFilter, ui);
}

void SetFilePath(QString& path, const QString& prefix, const char* name, qsizetype size) {
    path.resize(0);
    if (IsAsciiBytes(name, size)) {
        path.reserve(prefix.size() + size);
        path.append(prefix);
        path.append(QLatin1StringView(name, size));
    } else {
        const QString decoded = DecodeFileName(name, size);
        path.reserve(prefix.size() + decoded.size());
        path.append(prefix);
        path.append(decoded);
    }
}

QString GetFileExtension(const QString& path) {
    return extensionOf(path).toString();
}

bool IsExistingFile(const QString& path) {
    if (path.isEmpty())
        return false;
    struct stat info {};
    return StatPath(EncodeFileName(path), &info) == 0 && S_ISREG(info.st_mode);
}

QStringList GetFilesInFolder(const QString& folder, const QString& pattern) {
    const FileNameList names = readFileNames(folderWithSeparator(folder), pattern, nullptr);
    QStringList result;
    result.reserve(names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        result.append(DecodeFileName(names.name(i), names.nameSize(i)));
    return result;
}

void CreateFileList(Ui& ui, ListModel& folders, ListModel& results,
                    const std::function<QString()>& readFilter, bool& creatingList) {
    if (creatingList)
        return;
    const RunningFlag running(creatingList);

    ErrorTrap trap(ui, CreateListLocation);
    bool empty = false;
    trap.at(100, [&] { empty = folders.Count() == 0; });
    if (empty) {
        trap.at(102, [&] { ui.message(QStringLiteral("No folders added.")); });
        return;
    }

    // The folder texts are taken now: a folder entry removed or moved by another
    // command while this run yields is neither a failure nor skipped.
    std::optional<ListPass> entries;
    trap.at(104, [&] { entries.emplace(folders); });
    if (!entries)
        return;

    ExtensionFilter filter;
    UnreadFolders unread;
    // Helpers read the folders that come next; each is taken here in turn.
    ReadAhead ahead(ReadAhead::Content::Files);
    qsizetype queued = 0;
    ahead.more = [&](QByteArray& folder) {
        if (queued >= entries->size())
            return false;
        folder = EncodeFileName(FolderEntryPrefix(entries->at(queued++)));
        return true;
    };
    for (qsizetype e = 0; e < entries->size(); ++e) {
        ui.yield();
        const QString entry = entries->at(e);
        if (!NamesAFolder(entry))
            continue;
        QString prefix;
        FileNameList names;
        bool read = false;
        trap.at(106, [&] {
            prefix = FolderEntryPrefix(entry);
            try {
                names = ReadFolderFiles(prefix, &ui, &ahead);
                read = true;
            } catch (const AppError& e) {
                unread.add(entry, e.description());
            }
        });
        if (!read)
            continue;
        trap.at(108, [&] {
            for (qsizetype i = 0; i < names.size(); ++i) {
                ui.yield();
                const char* name = names.name(i);
                if (!IsListedFileName(name))
                    continue;
                const QString path = fullPath(prefix, name, names.nameSize(i));
                filter.update(readFilter());
                if (filter.keeps(path))
                    results.Add(path);
            }
        });
    }
    trap.at(110,
            [&] { unread.tell(ui, QStringLiteral("Their files are not in the list of files.")); });
}

void ShowFilterHelp(Ui& ui) {
    ErrorTrap trap(ui, FilterHelpLocation);
    trap.at(100, [&] {
        const QStringList lines{QStringLiteral("Only get files with the specified file extension."),
                                QString(),
                                QStringLiteral("* for all files"),
                                QStringLiteral("txt for all txt files"),
                                QStringLiteral("htm for all htm files"),
                                QStringLiteral("etc.")};
        ui.message(lines.join(QLatin1Char('\r')));
    });
}
