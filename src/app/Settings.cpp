#include "app/Settings.h"

#include "app/AppInfo.h"
#include "app/ErrorReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cfenv>
#include <cmath>
#include <limits>

namespace {

std::function<void(const QString&)> g_failureHandler;
bool g_failureTold = false;

// One store per application: the file's section names the section.
QString storePath(const QString& application) {
    const QByteArray overridden = qgetenv("PALAVINE_SETTINGS");
    if (!overridden.isEmpty())
        return QString::fromLocal8Bit(overridden);
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
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
    QString value = QString::fromUtf8(out);
    if (value.startsWith(QStringLiteral("@@")))
        value.remove(0, 1);
    return value;
}

QByteArray encodeValue(const QString& value) {
    QByteArray text = value.toUtf8();
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

ReadResult readStore(const QString& path, QList<IniLine>& lines, QString& reason) {
    QFile file(path);
    if (!file.exists())
        return ReadResult::Missing;
    if (QFileInfo(path).isDir()) {
        reason = QStringLiteral("%1 is a folder, not a settings file.").arg(path);
        return ReadResult::Failed;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        reason = QStringLiteral("%1 could not be read: %2").arg(path, file.errorString());
        return ReadResult::Failed;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        reason = QStringLiteral("%1 could not be read: %2").arg(path, file.errorString());
        return ReadResult::Failed;
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
        lines.append(line);
    }
    // A final line end leaves one empty line behind; it is written again anyway.
    if (!lines.isEmpty() && lines.last().raw.isEmpty() && lines.last().key.isEmpty())
        lines.removeLast();
    return ReadResult::Ok;
}

bool writeStore(const QString& path, const QList<IniLine>& lines, QString& reason) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        reason = QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
        return false;
    }
    QByteArray content;
    for (const IniLine& line : lines)
        content += line.raw + '\n';
    file.write(content);
    if (!file.commit()) {
        reason = QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
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

} // namespace

QString SettingsFilePath() {
    return storePath(AppInfo::SettingsApplication);
}

std::optional<QString> FindSetting(const QString& application, const QString& section,
                                   const QString& key) {
    QList<IniLine> lines;
    QString reason;
    if (readStore(storePath(application), lines, reason) != ReadResult::Ok)
        return std::nullopt;
    for (const IniLine& line : lines) {
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

bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& text) {
    const QString path = storePath(application);
    QList<IniLine> lines;
    QString reason;
    // A store that exists but can't be read is never overwritten: that would
    // lose every other key.
    if (readStore(path, lines, reason) == ReadResult::Failed) {
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
    if (!writeStore(path, lines, reason)) {
        tellFailure(reason);
        return false;
    }
    return true;
}

void SetSettingsFailureHandler(std::function<void(const QString&)> handler) {
    g_failureHandler = std::move(handler);
}

void ResetSettingsFailureNotice() {
    g_failureTold = false;
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
