#include "app/FileNames.h"

#include "app/Directory.h"

#include <QStringList>

#include <cstring>

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool isEscape(char16_t c) {
    return c >= 0xDC80 && c <= 0xDCFF;
}

bool isSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Length of a valid UTF-8 sequence starting at p (at most end), or 0 if invalid.
int validSequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char c = p[0];
    int length;
    char32_t minimum;
    char32_t code;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2, minimum = 0x80, code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3, minimum = 0x800, code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4, minimum = 0x10000, code = c & 0x07;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString DecodeFileName(const char* bytes, qsizetype size) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    const auto* end = p + size;
    // Fast path: plain ASCII, the usual case.
    const auto* q = p;
    while (q < end && *q < 0x80)
        ++q;
    if (q == end)
        return QString::fromLatin1(bytes, size);

    QString out;
    out.reserve(size);
    out.append(QLatin1StringView(bytes, q - p));
    p = q;
    while (p < end) {
        const int length = validSequenceLength(p, end);
        if (length == 0) {
            out.append(QChar(char16_t(EscapeBase + *p)));
            ++p;
        } else if (length == 1) {
            out.append(QLatin1Char(char(*p)));
            ++p;
        } else {
            out.append(QString::fromUtf8(reinterpret_cast<const char*>(p), length));
            p += length;
        }
    }
    return out;
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
            DirectoryStream dir(::opendir(EncodeFileName(folder).constData()));
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
