// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "core/Settings.h"

#include "core/AppInfo.h"
#include "core/AtomicFile.h"
#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/FileSystem.h"
#include "core/SafeFiles.h"

#include <QDir>
#include <QHash>
#include <QStandardPaths>

#include <cerrno>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::function<void(const QString&)> g_failureHandler;
bool g_failureTold = false;
// The texts of this run's saves that failed, by section and key in lower case:
// the window promises that such a change lasts until it closes.
QHash<QString, QString> g_unsaved;

// No store the program writes comes near this size: a larger file is not one.
constexpr qsizetype MostStoreBytes = qsizetype(1) << 20;

QString unsavedKey(const QString& section, const QString& key) {
    return section.toLower() + QLatin1Char('/') + key.toLower();
}

// One store per application: the file's section names the section.
QString storePath(const QString& application) {
    const QByteArray overridden = qgetenv("PALAVINE_SETTINGS");
    if (!overridden.isEmpty())
        return DecodeFileName(overridden);
    // Where Qt places it, the bytes of the variables kept.
    QString base;
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    const QByteArray home = qgetenv("HOME");
    if (!config.isEmpty())
        base = DecodeFileName(config);
    else if (!home.isEmpty())
        base = QDir::cleanPath(DecodeFileName(home)) + QStringLiteral("/.config");
    else
        base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QLatin1Char('/') + application + QLatin1Char('/') + application +
           QStringLiteral(".conf");
}

// The INI file as lines: "[Section]" headers and "key=value" pairs, written in
// the form Qt's settings use (keys with %XX escapes, values quoted when they
// need it), every other line kept as it was. The file is read anew for every
// call, so nothing cached can overwrite what another save wrote.
struct IniLine {
    QByteArray raw;  // the line as in the file (rewritten when the value changes)
    QString section; // the section it stands in
    QString key;     // decoded key; empty for headers and other lines
    QString value;   // decoded value
};

QString decodeKey(const QByteArray& raw) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(raw.trimmed()));
}

QByteArray encodeKey(const QString& key) {
    QByteArray out;
    for (const char c : key.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            u == '_' || u == '-' || u == '.' || u >= 0x80)
            out.append(c);
        else
            out.append(QByteArray("%") +
                       QByteArray::number(u, 16).toUpper().rightJustified(2, '0'));
    }
    return out;
}

QString decodeValue(const QByteArray& raw) {
    const QByteArray text = raw.trimmed();
    QByteArray out;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == '\\' && i + 1 < text.size()) {
            const char e = text[++i];
            switch (e) {
            case 'n':
                out.append('\n');
                break;
            case 'r':
                out.append('\r');
                break;
            case 't':
                out.append('\t');
                break;
            case '0':
                out.append('\0');
                break;
            default:
                out.append(e);
                break;
            }
        } else {
            out.append(c);
        }
    }
    // Texts that are names (folders) keep their bytes.
    QString value = DecodeFileName(out);
    if (value.startsWith(QStringLiteral("@@")))
        value.remove(0, 1);
    return value;
}

QByteArray encodeValue(const QString& value) {
    QByteArray text = EncodeFileName(value);
    if (text.startsWith('@'))
        text.prepend('@');
    QByteArray out = "\"";
    for (const char c : text) {
        switch (c) {
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        case '\0':
            out.append("\\0");
            break;
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        default:
            out.append(c);
            break;
        }
    }
    out.append('"');
    return out;
}

enum class ReadResult { Ok, Missing, Failed };

// The store's file as it was read.
struct Store {
    QList<IniLine> lines;
    bool byteOrderMark = false; // the file starts with one: it is kept
};

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString tooLarge(const QString& shown) {
    return QStringLiteral("%1 is larger than a settings file can be (%2 bytes).")
        .arg(shown)
        .arg(MostStoreBytes);
}

// Reads the store. Anything but a regular file (a pipe, a device) is not a
// store, unless `streams` allows a pipe given for one command; neither is a
// file larger than any store could be.
ReadResult readStore(const QString& path, Store& store, QString& reason, bool streams = false) {
    const QString shown = DisplayFileName(path);
    // Not waiting for a writer, should it be a named pipe.
    const int fd = ::open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return ReadResult::Missing;
        if (errno == EISDIR) {
            reason = QStringLiteral("%1 is a folder, not a settings file.").arg(shown);
            return ReadResult::Failed;
        }
        reason = QStringLiteral("%1 could not be read: %2").arg(shown, systemReason(errno));
        return ReadResult::Failed;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        reason = QStringLiteral("%1 is a folder, not a settings file.").arg(shown);
        return ReadResult::Failed;
    }
    const bool stream = streams && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
    if (!S_ISREG(info.st_mode) && !stream) {
        ::close(fd);
        reason =
            QStringLiteral("%1 is %2, not a settings file.").arg(shown, KindOfFile(info.st_mode));
        return ReadResult::Failed;
    }
    if (S_ISREG(info.st_mode) && info.st_size > MostStoreBytes) {
        ::close(fd);
        reason = tooLarge(shown);
        return ReadResult::Failed;
    }
    if (stream)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QByteArray content;
    char buffer[1 << 14];
    for (;;) {
        if (content.size() > MostStoreBytes) {
            ::close(fd);
            reason = tooLarge(shown);
            return ReadResult::Failed;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            reason = QStringLiteral("%1 could not be read: %2").arg(shown, systemReason(errno));
            ::close(fd);
            return ReadResult::Failed;
        }
        if (n == 0)
            break;
        content.append(buffer, qsizetype(n));
    }
    ::close(fd);
    // A UTF-8 byte-order mark is no part of the first line, as for Qt's reader.
    if (content.startsWith("\xEF\xBB\xBF")) {
        store.byteOrderMark = true;
        content.remove(0, 3);
    }
    QString section;
    for (QByteArray raw : content.split('\n')) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        IniLine line{raw, section, {}, {}};
        const QByteArray trimmed = raw.trimmed();
        if (trimmed.startsWith('[') && trimmed.endsWith(']')) {
            section = decodeKey(trimmed.mid(1, trimmed.size() - 2));
            line.section = section;
        } else if (const qsizetype eq = raw.indexOf('=');
                   eq > 0 && !trimmed.startsWith(';') && !trimmed.startsWith('#')) {
            line.key = decodeKey(raw.left(eq));
            line.value = decodeValue(raw.mid(eq + 1));
        }
        store.lines.append(line);
    }
    // A final line end leaves one empty line behind; it is written again anyway.
    QList<IniLine>& lines = store.lines;
    if (!lines.isEmpty() && lines.last().raw.isEmpty() && lines.last().key.isEmpty())
        lines.removeLast();
    return ReadResult::Ok;
}

// Creates the folder and the folders above it that are missing.
void makeFolders(const QByteArray& folder) {
    for (qsizetype slash = folder.indexOf('/', 1); slash != -1;
         slash = folder.indexOf('/', slash + 1))
        ::mkdir(folder.left(slash).constData(), 0777);
    ::mkdir(folder.constData(), 0777);
}

// Written whole, as every file the program replaces (AtomicFile): the store
// is never half written, a store that is a link is written where the link
// leads, and an existing store keeps its permissions. The caller holds the
// folder's lock.
bool writeStore(const QString& path, const QByteArray& target, const Store& store,
                QString& reason) {
    const QString shown = DisplayFileName(path);
    struct stat existing {};
    if (StatPath(target, &existing, false) == 0 && !S_ISREG(existing.st_mode)) {
        reason = QStringLiteral("%1 is %2, not a settings file.")
                     .arg(shown, KindOfFile(existing.st_mode));
        return false;
    }
    QByteArray content = store.byteOrderMark ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (const IniLine& line : store.lines)
        content += line.raw + '\n';
    try {
        AtomicFile file(DecodeFileName(target), true);
        file.write(content);
        file.commit();
    } catch (const AppError& e) {
        reason = QStringLiteral("%1 could not be written: %2").arg(shown, e.systemReason());
        return false;
    }
    return true;
}

void tellFailure(const QString& reason) {
    if (g_failureTold)
        return;
    g_failureTold = true;
    if (g_failureHandler)
        g_failureHandler(reason);
}

// The file a save writes: the store, or the file a link there leads to, as
// the system would follow it for this user. Gives 0 or the errno value.
int storeTarget(const QString& path, QByteArray& target) {
    return FollowLinksForWriting(EncodeFileName(path), target);
}

} // namespace

QString SettingsFilePath() {
    return storePath(AppInfo::SettingsApplication);
}

std::optional<QString> FindSetting(const QString& application, const QString& section,
                                   const QString& key) {
    Store store;
    QString reason;
    if (readStore(storePath(application), store, reason) != ReadResult::Ok)
        return std::nullopt;
    for (const IniLine& line : std::as_const(store.lines)) {
        if (!line.key.isEmpty() && line.section.compare(section, Qt::CaseInsensitive) == 0 &&
            line.key.compare(key, Qt::CaseInsensitive) == 0)
            return line.value;
    }
    return std::nullopt;
}

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue) {
    return FindSetting(application, section, key).value_or(defaultValue);
}

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   qint64 defaultValue) {
    return GetSetting(application, section, key, QString::number(defaultValue));
}

namespace {

bool saveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& text) {
    const QString path = storePath(application);
    Store store;
    QList<IniLine>& lines = store.lines;
    QString reason;
    QByteArray target;
    if (const int error = storeTarget(path, target)) {
        tellFailure(QStringLiteral("%1 could not be written: %2")
                        .arg(DisplayFileName(path), systemReason(error)));
        return false;
    }
    const qsizetype slash = target.lastIndexOf('/');
    if (slash > 0)
        makeFolders(target.left(slash));
    // Another process saving at the same time waits for this save, and then
    // reads what it wrote.
    const FolderLock lock(FolderOfPath(target));
    // A store that exists but can't be read is never overwritten: that would
    // lose every other key.
    if (readStore(path, store, reason) == ReadResult::Failed) {
        tellFailure(reason);
        return false;
    }
    const QByteArray newLine = encodeKey(key) + '=' + encodeValue(text);
    qsizetype sectionEnd = -1;
    bool written = false;
    for (qsizetype i = 0; i < lines.size();) {
        IniLine& line = lines[i];
        const bool inSection = line.section.compare(section, Qt::CaseInsensitive) == 0;
        if (inSection)
            sectionEnd = i + 1;
        if (inSection && !line.key.isEmpty() && line.key.compare(key, Qt::CaseInsensitive) == 0) {
            if (written) {
                lines.removeAt(i);
                continue;
            }
            line = IniLine{newLine, line.section, key, text};
            written = true;
        }
        ++i;
    }
    if (!written) {
        if (sectionEnd < 0) {
            if (!lines.isEmpty() && !lines.last().raw.trimmed().isEmpty())
                lines.append(IniLine{QByteArray(), QString(), {}, {}});
            lines.append(IniLine{'[' + encodeKey(section) + ']', section, {}, {}});
            sectionEnd = lines.size();
        }
        // After the section's last key, before any blank lines that end it.
        while (sectionEnd > 0 && lines[sectionEnd - 1].raw.trimmed().isEmpty() &&
               lines[sectionEnd - 1].key.isEmpty())
            --sectionEnd;
        lines.insert(sectionEnd, IniLine{newLine, section, key, text});
    }
    if (!writeStore(path, target, store, reason)) {
        tellFailure(reason);
        return false;
    }
    return true;
}

} // namespace

bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& text) {
    const bool saved = saveSetting(application, section, key, text);
    if (saved)
        g_unsaved.remove(unsavedKey(section, key));
    else
        g_unsaved.insert(unsavedKey(section, key), text);
    return saved;
}

std::optional<QString> StoredOptions::find(const QString& key) const {
    for (const auto& [name, value] : values) {
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

std::optional<StoredOptions> ReadStoredOptions(const QString& file, bool streams, QString* reason) {
    Store store;
    QString why;
    const ReadResult result =
        readStore(file.isEmpty() ? SettingsFilePath() : file, store, why, streams);
    if (result == ReadResult::Failed && reason)
        *reason = why;
    if (result != ReadResult::Ok)
        return result == ReadResult::Missing ? std::optional<StoredOptions>(StoredOptions{})
                                             : std::nullopt;
    StoredOptions options;
    for (const IniLine& line : std::as_const(store.lines)) {
        if (!line.key.isEmpty() &&
            line.section.compare(AppInfo::SettingsSection, Qt::CaseInsensitive) == 0)
            options.values.append({line.key, line.value});
    }
    return options;
}

QString GetChosenOption(const QString& key, const QString& defaultValue) {
    const auto unsaved = g_unsaved.constFind(unsavedKey(AppInfo::SettingsSection, key));
    if (unsaved != g_unsaved.constEnd())
        return *unsaved;
    return GetOption(key, defaultValue);
}

void SetSettingsFailureHandler(std::function<void(const QString&)> handler) {
    g_failureHandler = std::move(handler);
}

void ResetSettingsFailureNotice() {
    g_failureTold = false;
    g_unsaved.clear();
}

qint32 ToWholeNumber(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw AppError::typeMismatch();
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        throw AppError::overflow();
    return qint32(rounded);
}

bool ToFlag(const QString& text) {
    return text == QLatin1String("True");
}

QString FromFlag(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString GetOption(const QString& key, const QString& defaultValue) {
    return GetSetting(AppInfo::SettingsApplication, AppInfo::SettingsSection, key, defaultValue);
}

QString GetOption(const QString& key, qint64 defaultValue) {
    return GetSetting(AppInfo::SettingsApplication, AppInfo::SettingsSection, key, defaultValue);
}

bool SaveOption(const QString& key, const QString& text) {
    return SaveSetting(AppInfo::SettingsApplication, AppInfo::SettingsSection, key, text);
}
