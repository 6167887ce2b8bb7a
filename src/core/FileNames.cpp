// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "core/FileNames.h"

#include "core/Directory.h"
#include "core/FileSystem.h"

#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool isEscape(char16_t c) {
    return c >= 0xDC80 && c <= 0xDCFF;
}

bool isSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Length of a valid UTF-8 sequence starting at p (at most end), or 0 if
// invalid; the code point it stands for in *code.
int validSequence(const unsigned char* p, const unsigned char* end, char32_t* code) {
    const unsigned char c = p[0];
    int length;
    char32_t minimum;
    char32_t value;
    if (c < 0x80) {
        *code = c;
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2, minimum = 0x80, value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3, minimum = 0x800, value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4, minimum = 0x10000, value = c & 0x07;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

} // namespace

bool IsAsciiBytes(const char* bytes, qsizetype size) {
    quint64 bits = 0;
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, bytes + i, 8);
        bits |= word;
    }
    for (; i < size; ++i)
        bits |= static_cast<unsigned char>(bytes[i]);
    return (bits & 0x8080808080808080ULL) == 0;
}

// Every code point is decoded as it stands, U+FEFF and the noncharacters too:
// a general UTF-8 decoder would take a leading U+FEFF for a byte-order mark.
QString DecodeFileName(const char* bytes, qsizetype size) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    const auto* end = p + size;
    // Fast path: plain ASCII, the usual case.
    const auto* q = p;
    while (q < end && *q < 0x80)
        ++q;
    if (q == end)
        return QString::fromLatin1(bytes, size);

    // Each byte gives at most one UTF-16 unit (a four-byte sequence two).
    QString out(size, Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
    char16_t* o = begin;
    for (const auto* a = p; a < q; ++a)
        *o++ = *a;
    p = q;
    while (p < end) {
        char32_t code = 0;
        const int length = validSequence(p, end, &code);
        if (length == 0) {
            *o++ = char16_t(EscapeBase + *p);
            ++p;
            continue;
        }
        if (code < 0x10000) {
            *o++ = char16_t(code);
        } else {
            *o++ = QChar::highSurrogate(code);
            *o++ = QChar::lowSurrogate(code);
        }
        p += length;
    }
    out.truncate(o - begin);
    return out;
}

namespace {

unsigned char asciiFolded(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

int sign(qsizetype value) {
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

int compareBytes(QByteArrayView a, QByteArrayView b) {
    const int common = std::memcmp(a.data(), b.data(), size_t(std::min(a.size(), b.size())));
    return common != 0 ? sign(common) : sign(a.size() - b.size());
}

// The folded comparison of the bytes themselves, as long as it is the same as
// that of the decoded names: up to the first difference, when both bytes there
// are ASCII (identical bytes before it decode alike), or to the end of an ASCII
// name. Nothing when the decoded names must decide.
std::optional<int> compareFoldedBytes(QByteArrayView a, QByteArrayView b) {
    const auto* x = reinterpret_cast<const unsigned char*>(a.data());
    const auto* y = reinterpret_cast<const unsigned char*>(b.data());
    const qsizetype n = std::min(a.size(), b.size());
    bool beyondAscii = false;
    for (qsizetype i = 0; i < n; ++i) {
        if (x[i] == y[i]) {
            beyondAscii |= x[i] >= 0x80;
            continue;
        }
        if ((x[i] | y[i]) >= 0x80)
            return std::nullopt;
        const unsigned char fx = asciiFolded(x[i]), fy = asciiFolded(y[i]);
        if (fx != fy)
            return fx < fy ? -1 : 1;
    }
    if (beyondAscii)
        return std::nullopt;
    return sign(a.size() - b.size());
}

int withTieBroken(int folded, QByteArrayView a, QByteArrayView b) {
    return folded != 0 ? folded : compareBytes(a, b);
}

} // namespace

int CompareFileNames(QByteArrayView a, QByteArrayView b) {
    if (const std::optional<int> folded = compareFoldedBytes(a, b))
        return withTieBroken(*folded, a, b);
    const QString x = DecodeFileName(a.data(), a.size());
    const QString y = DecodeFileName(b.data(), b.size());
    return withTieBroken(sign(QString::compare(x, y, Qt::CaseInsensitive)), a, b);
}

int CompareFileNames(QByteArrayView a, const QString& aDecoded, QByteArrayView b,
                     const QString& bDecoded) {
    if (const std::optional<int> folded = compareFoldedBytes(a, b))
        return withTieBroken(*folded, a, b);
    return withTieBroken(sign(QString::compare(aDecoded, bDecoded, Qt::CaseInsensitive)), a, b);
}

bool HasEscapedBytes(const QString& name) {
    const char16_t* s = reinterpret_cast<const char16_t*>(name.constData());
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (!isSurrogate(s[i]))
            continue;
        if (QChar::isHighSurrogate(s[i]) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            ++i;
            continue;
        }
        if (isEscape(s[i]))
            return true;
    }
    return false;
}

QByteArray EncodeFileName(const QString& name) {
    if (!HasEscapedBytes(name))
        return name.toUtf8();
    QByteArray out;
    out.reserve(name.size() * 3);
    const char16_t* s = reinterpret_cast<const char16_t*>(name.constData());
    const qsizetype n = name.size();
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const bool paired =
            QChar::isHighSurrogate(s[i]) && i + 1 < n && QChar::isLowSurrogate(s[i + 1]);
        if (paired) {
            ++i;
            continue;
        }
        if (isEscape(s[i])) {
            out.append(QStringView(s + runStart, i - runStart).toUtf8());
            out.append(char(s[i] - EscapeBase));
            runStart = i + 1;
        }
    }
    out.append(QStringView(s + runStart, n - runStart).toUtf8());
    return out;
}

QString DisplayFileName(const QString& name) {
    if (!HasEscapedBytes(name))
        return name;
    QString shown = name;
    char16_t* s = reinterpret_cast<char16_t*>(shown.data());
    const qsizetype n = shown.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (QChar::isHighSurrogate(s[i]) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            ++i;
            continue;
        }
        if (isEscape(s[i]))
            s[i] = 0xFFFD;
    }
    return shown;
}

QString RecoverFileName(const QString& path) {
    if (!path.contains(QChar(0xFFFD)))
        return path;
    const QStringList parts = path.split(QLatin1Char('/'));
    QString recovered = parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        QString part = parts[i];
        if (part.contains(QChar(0xFFFD))) {
            const QString folder = recovered.isEmpty() ? QStringLiteral("/") : recovered;
            const int fd = OpenPath(EncodeFileName(folder), O_RDONLY | O_DIRECTORY);
            DirectoryStream dir(fd >= 0 ? ::fdopendir(fd) : nullptr);
            if (fd >= 0 && !dir)
                ::close(fd);
            QString match;
            int matches = 0;
            while (dir) {
                const dirent* entry = ::readdir(dir.get());
                if (!entry)
                    break;
                const QString name =
                    DecodeFileName(entry->d_name, qsizetype(std::strlen(entry->d_name)));
                if (DisplayFileName(name) == part) {
                    match = name;
                    ++matches;
                }
            }
            if (matches == 1)
                part = match;
        }
        recovered += QLatin1Char('/') + part;
    }
    return recovered;
}

QString CurrentFolder() {
    QByteArray buffer(4096, Qt::Uninitialized);
    while (!::getcwd(buffer.data(), size_t(buffer.size()))) {
        if (errno != ERANGE)
            return QStringLiteral(".");
        buffer.resize(buffer.size() * 2);
    }
    return DecodeFileName(buffer.constData(), qsizetype(std::strlen(buffer.constData())));
}
