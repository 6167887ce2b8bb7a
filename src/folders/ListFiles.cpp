#include "folders/ListFiles.h"

#include "app/ErrorReport.h"
#include "app/FileNames.h"
#include "app/Helpers.h"
#include "app/ListView.h"
#include "app/MousePointer.h"
#include "app/Ui.h"

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
        : fd_(::open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
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
    ~InputFile() { ::close(fd_); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool isRegular() const {
        struct stat info {};
        return ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
    }
    // Up to size bytes at the current position (at offset when given); 0 at the end.
    qsizetype read(char* buffer, qsizetype size, off_t offset = -1) {
        for (;;) {
            const ssize_t n = offset < 0 ? ::read(fd_, buffer, size_t(size))
                                         : ::pread(fd_, buffer, size_t(size), offset);
            if (n >= 0)
                return qsizetype(n);
            if (errno != EINTR)
                throw AppError::fromErrno(errno);
        }
    }

  private:
    int fd_;
};

bool startsWithByteOrderMark(const char* p, qsizetype n) {
    return n >= 3 && uchar(p[0]) == 0xEF && uchar(p[1]) == 0xBB && uchar(p[2]) == 0xBF;
}

// Bytes at the end of a block that begin a sequence the next block completes.
qsizetype incompleteTail(const char* p, qsizetype n) {
    for (qsizetype back = 1; back <= 3 && back <= n; ++back) {
        const uchar c = uchar(p[n - back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: look further back
        const qsizetype length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

// Whether the file from offset on is valid UTF-8. Read with pread, so the
// reading position stays where it is.
bool restIsValidUtf8(InputFile& file, off_t offset) {
    const std::unique_ptr<char[]> buffer(new char[size_t(BlockSize + 4)]);
    qsizetype carried = 0;
    for (;;) {
        const qsizetype n = file.read(buffer.get() + carried, BlockSize, offset);
        if (n == 0)
            return carried == 0;
        offset += n;
        const qsizetype size = carried + n;
        const qsizetype tail = incompleteTail(buffer.get(), size);
        if (!QByteArrayView(buffer.get(), size - tail).isValidUtf8())
            return false;
        std::memmove(buffer.get(), buffer.get() + size - tail, size_t(tail));
        carried = tail;
    }
}

bool isAscii(const char* p, qsizetype n) {
    quint64 bits = 0;
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 word;
        std::memcpy(&word, p + i, 8);
        bits |= word;
    }
    for (; i < n; ++i)
        bits |= uchar(p[i]);
    return (bits & 0x8080808080808080ULL) == 0;
}

// How the file's text is decoded. Until a byte beyond ASCII turns up, all
// decodings agree; then the rest of the file decides between UTF-8 and
// Latin-1. A file that can't be read twice (a pipe) is decided line by line.
enum class Decoding { Ascii, Utf8, Latin1, EachLine };

QString decode(const char* p, qsizetype n, Decoding decoding) {
    if (decoding == Decoding::Latin1 || isAscii(p, n))
        return QString::fromLatin1(p, n);
    if (decoding == Decoding::Utf8 || QByteArrayView(p, n).isValidUtf8())
        return QString::fromUtf8(p, n);
    return QString::fromLatin1(p, n);
}

// Splits the file into lines and gives each to `line`.
void readLines(InputFile& file, Ui& ui, const std::function<void(QString&&)>& line) {
    const std::unique_ptr<char[]> buffer(new char[size_t(BlockSize)]);
    const bool rereadable = file.isRegular();
    Decoding decoding = Decoding::Ascii;
    QByteArray pending;   // the start of a line that goes on in the next block
    off_t lineStart = 0;  // where the current line starts in the file
    off_t blockStart = 0; // where the block starts in the file
    bool afterCr = false; // the previous block ended in CR: a LF next belongs to it

    auto add = [&](const char* p, qsizetype n) {
        if (decoding == Decoding::Ascii && !isAscii(p, n)) {
            decoding = !rereadable                        ? Decoding::EachLine
                       : restIsValidUtf8(file, lineStart) ? Decoding::Utf8
                                                          : Decoding::Latin1;
        }
        ui.yield();
        line(decode(p, n, decoding));
    };

    for (;;) {
        const qsizetype n = file.read(buffer.get(), BlockSize);
        if (n == 0)
            break;
        const char* const begin = buffer.get();
        qsizetype i = 0;
        if (blockStart == 0 && startsWithByteOrderMark(begin, n))
            i = 3, lineStart = 3;
        if (afterCr && i < n && begin[i] == '\n')
            ++i, ++lineStart;
        afterCr = false;
        // The next LF and CR at or after i (n: none in this block).
        qsizetype nextLf = -1, nextCr = -1;
        auto nextOf = [&](char c, qsizetype& cached) {
            if (cached < i) {
                const void* at = std::memchr(begin + i, c, size_t(n - i));
                cached = at ? static_cast<const char*>(at) - begin : n;
            }
            return cached;
        };
        while (i < n) {
            const qsizetype e = std::min(nextOf('\n', nextLf), nextOf('\r', nextCr));
            if (e == n) {
                pending.append(begin + i, n - i);
                break;
            }
            if (pending.isEmpty()) {
                add(begin + i, e - i);
            } else {
                pending.append(begin + i, e - i);
                add(pending.constData(), pending.size());
                pending.clear();
            }
            i = e + 1;
            if (begin[e] == '\r') {
                if (i < n && begin[i] == '\n')
                    ++i;
                else if (i == n)
                    afterCr = true;
            }
            lineStart = blockStart + i;
        }
        blockStart += n;
        // A line that runs on for many blocks still lets the window breathe.
        if (lineStart < blockStart - n)
            ui.yield();
    }
    if (!pending.isEmpty())
        add(pending.constData(), pending.size());
}

// The variable's value when set, else the fallback.
QString environmentFolder(const char* name, const QString& fallback) {
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? fallback : DecodeFileName(value);
}

} // namespace

void FileToListbox(Ui& ui, ListView& list, const QString& path) {
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
    trap.at(104, [&] { readLines(*file, ui, [&](QString&& text) { list.Add(text); }); });
}

void ReadListFileLines(Ui& ui, const QString& path, const std::function<void(QString&&)>& line) {
    InputFile file(path);
    readLines(file, ui, line);
}

void LoadFoldersFromTextFiles(Ui& ui, MousePointer& pointer, ListView& folders, QWidget* owner) {
    ErrorTrap trap(ui, LoadLocation);
    QStringList files;
    trap.at(100, [&] {
        files = ui.chooseFiles(
            owner, QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"),
            {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")});
    });
    if (files.isEmpty())
        return;
    const BusyPointer busy(pointer);
    for (const QString& file : files)
        trap.at(110, [&] { FileToListbox(ui, folders, file); });
}

void LoadSampleData(Ui& ui, ListView& folders) {
    ErrorTrap trap(ui, SampleLocation);
    trap.at(100, [&] {
        QString temporary = QDir::tempPath();
        if (temporary.size() > 1)
            temporary = WithoutTrailingSeparator(temporary);
        folders.Add(environmentFolder("TEMP", temporary));
    });
    trap.at(102,
            [&] { folders.Add(environmentFolder("ProgramFiles", QStringLiteral("/usr/bin"))); });
}
