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

constexpr qsizetype BlockSize = qsizetype(1) << 20;

class InputFile {
  public:
    explicit InputFile(const QString& path)
        : fd_(::open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC)) {
        if (fd_ < 0)
            throw AppError::fromErrno(errno);
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

// Whether the whole file is valid UTF-8 (its byte-order mark aside). Read with
// pread, so the reading position stays at the start.
bool isValidUtf8File(InputFile& file, char* buffer) {
    QByteArray carry;
    off_t offset = 0;
    bool first = true;
    for (;;) {
        const qsizetype n = file.read(buffer + carry.size(), BlockSize, offset);
        if (n == 0)
            return carry.isEmpty();
        offset += n;
        std::memcpy(buffer, carry.constData(), size_t(carry.size()));
        const char* p = buffer;
        qsizetype size = carry.size() + n;
        if (first && startsWithByteOrderMark(p, size))
            p += 3, size -= 3;
        first = false;
        const qsizetype tail = incompleteTail(p, size);
        if (!QByteArrayView(p, size - tail).isValidUtf8())
            return false;
        carry = QByteArray(p + size - tail, tail);
    }
}

enum class Decoding { Utf8, Latin1, EachLine };

QString decode(const char* p, qsizetype n, Decoding decoding) {
    switch (decoding) {
    case Decoding::Utf8:
        return QString::fromUtf8(p, n);
    case Decoding::Latin1:
        return QString::fromLatin1(p, n);
    case Decoding::EachLine:
        break;
    }
    return QByteArrayView(p, n).isValidUtf8() ? QString::fromUtf8(p, n) : QString::fromLatin1(p, n);
}

// Splits the file into lines and appends each to the list.
void readLines(InputFile& file, char* buffer, Decoding decoding, Ui& ui, ListView& list) {
    QByteArray pending;   // the start of a line that goes on in the next block
    bool afterCr = false; // the previous block ended in CR: a LF next belongs to it
    bool first = true;
    auto add = [&](const char* p, qsizetype n) {
        ui.yield();
        list.Add(decode(p, n, decoding));
    };
    for (;;) {
        const qsizetype n = file.read(buffer, BlockSize);
        if (n == 0)
            break;
        const char* p = buffer;
        const char* const end = buffer + n;
        if (first && startsWithByteOrderMark(p, n))
            p += 3;
        first = false;
        if (afterCr && p < end && *p == '\n')
            ++p;
        afterCr = false;
        while (p < end) {
            const char* q = p;
            while (q < end && *q != '\n' && *q != '\r')
                ++q;
            if (q == end) {
                pending.append(p, end - p);
                break;
            }
            if (pending.isEmpty()) {
                add(p, q - p);
            } else {
                pending.append(p, q - p);
                add(pending.constData(), pending.size());
                pending.clear();
            }
            if (*q == '\r') {
                if (q + 1 < end && q[1] == '\n')
                    ++q;
                else if (q + 1 == end)
                    afterCr = true;
            }
            p = q + 1;
        }
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
    // Every step below needs the one before it: a failure ends the reading.
    std::unique_ptr<InputFile> file;
    if (!trap.at(102, [&] { file = std::make_unique<InputFile>(path); }))
        return;
    std::unique_ptr<char[]> buffer;
    Decoding decoding = Decoding::EachLine;
    if (!trap.at(104, [&] {
            buffer.reset(new char[size_t(BlockSize + 4)]);
            if (file->isRegular())
                decoding = isValidUtf8File(*file, buffer.get()) ? Decoding::Utf8 : Decoding::Latin1;
        }))
        return;
    trap.at(106, [&] { readLines(*file, buffer.get(), decoding, ui, list); });
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
