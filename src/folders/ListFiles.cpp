// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "folders/ListFiles.h"

#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/ListModel.h"
#include "core/MousePointer.h"
#include "core/Paths.h"
#include "core/Ui.h"

#include <QByteArrayView>
#include <QDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString ReadLocation = QStringLiteral("in Palavine2021/08/31.Main.FileToListbox ");
const QString LoadLocation = QStringLiteral("in Palavine2021/08/31.Form1.PushButton2_Click ");
const QString SampleLocation = QStringLiteral("in Palavine2021/08/31.Form1.PushButton3_Click ");

constexpr qsizetype BlockSize = qsizetype(1) << 18;

class InputFile {
  public:
    // Opening a pipe must not wait for a writer (with none, it reads as empty),
    // and a device such as /dev/zero would never end: it is refused.
    explicit InputFile(const QString& path)
        : fd_(::open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)),
          owned_(true) {
        if (fd_ < 0)
            throw AppError::fromErrno(errno);
        struct stat info {};
        if (::fstat(fd_, &info) != 0 || S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ||
            S_ISSOCK(info.st_mode)) {
            ::close(fd_);
            throw AppError(ErrorNumber::PathFileAccess, QStringLiteral("Path/File access error"));
        }
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    }
    // A stream opened by someone else (standard input), read as it comes.
    explicit InputFile(int fd) : fd_(fd), owned_(false) {}
    ~InputFile() {
        if (owned_)
            ::close(fd_);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Up to size bytes; 0 at the end.
    qsizetype read(char* buffer, qsizetype size) {
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, size_t(size));
            if (n >= 0)
                return qsizetype(n);
            if (errno != EINTR)
                throw AppError::fromErrno(errno);
        }
    }

  private:
    int fd_;
    bool owned_;
};

bool startsWithByteOrderMark(const char* p, qsizetype n) {
    return n >= 3 && uchar(p[0]) == 0xEF && uchar(p[1]) == 0xBB && uchar(p[2]) == 0xBF;
}

// The path less its "." parts: "./a" and "a/." name the folder "a" names.
// ".." stays: through a link it leads elsewhere than the text suggests.
QString withoutDotParts(const QString& path) {
    if (!path.contains(QLatin1Char('.')))
        return path;
    QStringList parts = path.split(QLatin1Char('/'));
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        if (parts[i] == QLatin1String(".") && parts.size() > 1)
            parts.removeAt(i);
    }
    QString out = parts.join(QLatin1Char('/'));
    return out.isEmpty() ? QStringLiteral("/") : out;
}

// The lines holding a NUL byte: such a line can't name a path.
struct NulLines {
    qint64 count = 0;
    qint64 first = 0;

    void tell(Ui& ui, const QString& source) const {
        if (count == 0)
            return;
        const QString list = DisplayFileName(source);
        const QString text =
            count == 1
                ? QStringLiteral("%1: line %2 holds a NUL byte, so it names no folder; it was "
                                 "left out.")
                      .arg(list)
                      .arg(first)
                : QStringLiteral("%1: %2 lines hold a NUL byte, so they name no folder; they were "
                                 "left out. The first is line %3.")
                      .arg(list)
                      .arg(count)
                      .arg(first);
        ui.message(text, QString(), Ui::Icon::Warning);
    }
};

// Splits the stream into lines (or NUL-separated entries) and gives each to
// `line`: decoded as names are (so valid UTF-8 reads as UTF-8, and any other
// bytes stay those bytes), a relative one taken relative to `base`.
void readLines(InputFile& file, Ui& ui, const QString& base, NulLines& nul,
               const std::function<void(QString&&)>& line,
               ListSeparator separator = ListSeparator::Lines) {
    const bool byNul = separator == ListSeparator::Nul;
    const std::unique_ptr<char[]> buffer(new char[size_t(BlockSize)]);
    const QString prefix = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    QByteArray pending;    // the start of a line that goes on in the next block
    bool atStart = !byNul; // nothing read yet: a byte-order mark may come
    bool afterCr = false;  // the previous block ended in CR: a LF next belongs to it
    bool lineRead = false; // the current line began in an earlier block
    qint64 number = 0;     // of the line being given

    auto add = [&](const char* p, qsizetype n) {
        ++number;
        ui.yield();
        if (std::memchr(p, 0, size_t(n))) {
            if (nul.count++ == 0)
                nul.first = number;
            return;
        }
        QString text = DecodeFileName(p, n);
        if (!text.isEmpty() && !text.startsWith(QLatin1Char('/')))
            text = withoutDotParts(prefix + text);
        line(std::move(text));
    };

    for (;;) {
        qsizetype n = file.read(buffer.get(), BlockSize);
        qsizetype i = 0;
        if (atStart) {
            // A pipe may give the mark in pieces.
            while (n > 0 && n < 3 &&
                   QByteArrayView("\xEF\xBB\xBF").startsWith(QByteArrayView(buffer.get(), n))) {
                const qsizetype more = file.read(buffer.get() + n, BlockSize - n);
                if (more == 0)
                    break;
                n += more;
            }
            atStart = false;
            if (startsWithByteOrderMark(buffer.get(), n))
                i = 3;
        }
        if (n == 0)
            break;
        const char* const begin = buffer.get();
        if (afterCr && i < n && begin[i] == '\n')
            ++i;
        afterCr = false;
        // The next LF and CR at or after i (n: none in this block).
        qsizetype nextLf = -1, nextCr = -1, nextNul = -1;
        auto nextOf = [&](char c, qsizetype& cached) {
            if (cached < i) {
                const void* at = std::memchr(begin + i, c, size_t(n - i));
                cached = at ? static_cast<const char*>(at) - begin : n;
            }
            return cached;
        };
        bool ended = false;
        while (i < n) {
            const qsizetype e = byNul ? nextOf('\0', nextNul)
                                      : std::min(nextOf('\n', nextLf), nextOf('\r', nextCr));
            if (e == n) {
                pending.append(begin + i, n - i);
                break;
            }
            ended = true;
            if (pending.isEmpty()) {
                add(begin + i, e - i);
            } else {
                pending.append(begin + i, e - i);
                add(pending.constData(), pending.size());
                pending.clear();
            }
            i = e + 1;
            if (!byNul && begin[e] == '\r') {
                if (i < n && begin[i] == '\n')
                    ++i;
                else if (i == n)
                    afterCr = true;
            }
        }
        // A line that runs on for many blocks still lets the window breathe.
        if (!ended && lineRead)
            ui.yield();
        lineRead = !pending.isEmpty();
    }
    if (!pending.isEmpty())
        add(pending.constData(), pending.size());
}

// The folder that holds the file, as an absolute path.
QString folderOf(const QString& path) {
    const QString absolute =
        path.startsWith(QLatin1Char('/')) ? path : CurrentFolder() + QLatin1Char('/') + path;
    const qsizetype slash = absolute.lastIndexOf(QLatin1Char('/'));
    return withoutDotParts(slash <= 0 ? QStringLiteral("/") : absolute.left(slash));
}

// The variable's value when set, else the fallback.
QString environmentFolder(const char* name, const QString& fallback) {
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? fallback : DecodeFileName(value);
}

} // namespace

void FileToListbox(Ui& ui, ListModel& list, const QString& path) {
    ErrorTrap trap(ui, ReadLocation);
    bool exists = false;
    trap.at(100, [&] { exists = FileExists(path); });
    if (!exists) {
        ui.message(QStringLiteral("File not found"));
        return;
    }
    // Each step needs the one before it: a failure ends the reading.
    std::unique_ptr<InputFile> file;
    if (!trap.at(102, [&] { file = std::make_unique<InputFile>(path); }))
        return;
    NulLines nul;
    trap.at(104, [&] {
        readLines(*file, ui, folderOf(path), nul, [&](QString&& text) { list.Add(text); });
    });
    nul.tell(ui, path);
}

void ReadListLines(Ui& ui, int fd, const QString& source, const QString& baseFolder,
                   const std::function<void(QString&&)>& line, ListSeparator separator) {
    InputFile file(fd);
    NulLines nul;
    try {
        readLines(file, ui, baseFolder, nul, line, separator);
    } catch (...) {
        nul.tell(ui, source);
        throw;
    }
    nul.tell(ui, source);
}

void ReadListFileLines(Ui& ui, const QString& path, const std::function<void(QString&&)>& line,
                       ListSeparator separator) {
    InputFile file(path);
    NulLines nul;
    try {
        readLines(file, ui, folderOf(path), nul, line, separator);
    } catch (...) {
        nul.tell(ui, path);
        throw;
    }
    nul.tell(ui, path);
}

void LoadFoldersFromTextFiles(Ui& ui, MousePointer& pointer, ListModel& folders, QWidget* owner) {
    ErrorTrap trap(ui, LoadLocation);
    QStringList files;
    trap.at(100, [&] {
        files = ui.chooseFiles(
            owner, QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"),
            {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")});
    });
    if (files.isEmpty())
        return;
    LoadFolderListFiles(ui, pointer, folders, files);
}

void LoadFolderListFiles(Ui& ui, MousePointer& pointer, ListModel& folders,
                         const QStringList& files) {
    ErrorTrap trap(ui, LoadLocation);
    const BusyPointer busy(pointer);
    for (const QString& file : files)
        trap.at(110, [&] { FileToListbox(ui, folders, file); });
}

void LoadSampleData(Ui& ui, ListModel& folders) {
    ErrorTrap trap(ui, SampleLocation);
    trap.at(100, [&] {
        // As QDir::tempPath, the bytes of TMPDIR kept.
        QString temporary = QDir::cleanPath(environmentFolder("TMPDIR", QStringLiteral("/tmp")));
        if (temporary.size() > 1)
            temporary = WithoutTrailingSeparator(temporary);
        folders.Add(environmentFolder("TEMP", temporary));
    });
    trap.at(102,
            [&] { folders.Add(environmentFolder("ProgramFiles", QStringLiteral("/usr/bin"))); });
}
