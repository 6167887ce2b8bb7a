#include "app/Settings.h"

#include "app/AppInfo.h"
#include "app/ErrorReport.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
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

// The stored form of a key in this section, matched without regard to case.
QStringList matchingKeys(QSettings& settings, const QString& key) {
    QStringList found;
    for (const QString& candidate : settings.childKeys()) {
        if (candidate.compare(key, Qt::CaseInsensitive) == 0)
            found.append(candidate);
    }
    return found;
}

QString describe(QSettings::Status status, const QString& path) {
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("%1 is a folder, not a settings file.").arg(path);
    if (status == QSettings::FormatError)
        return QStringLiteral("%1 could not be understood.").arg(path);
    return QStringLiteral("%1 could not be written (no permission, or the disk is full).")
        .arg(path);
}

void tellFailure(const QString& reason) {
    if (g_failureTold)
        return;
    g_failureTold = true;
    if (g_failureHandler)
        g_failureHandler(reason);
}

} // namespace

QString SettingsFilePath() { return storePath(AppInfo::SettingsApplication); }

std::optional<QString> FindSetting(const QString& application, const QString& section,
                                   const QString& key) {
    QSettings settings(storePath(application), QSettings::IniFormat);
    settings.beginGroup(section);
    const QStringList keys = matchingKeys(settings, key);
    if (keys.isEmpty())
        return std::nullopt;
    const QVariant value = settings.value(keys.first());
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
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
    QFileInfo info(path);
    if (info.isDir()) {
        tellFailure(describe(QSettings::AccessError, path));
        return false;
    }
    QDir().mkpath(info.absolutePath());
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(section);
    for (const QString& old : matchingKeys(settings, key)) {
        if (old != key)
            settings.remove(old);
    }
    settings.setValue(key, text);
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        tellFailure(describe(settings.status(), path));
        return false;
    }
    return true;
}

void SetSettingsFailureHandler(std::function<void(const QString&)> handler) {
    g_failureHandler = std::move(handler);
}

void ResetSettingsFailureNotice() { g_failureTold = false; }

qint32 ToWholeNumber(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw AppError::typeMismatch();
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        throw AppError::overflow();
    return qint32(rounded);
}

bool ToFlag(const QString& text) { return text == QLatin1String("True"); }

QString FromFlag(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

QString GetOption(const QString& key, const QString& defaultValue) {
    return GetSetting(AppInfo::SettingsApplication, AppInfo::SettingsSection, key, defaultValue);
}

QString GetOption(const QString& key, qint64 defaultValue) {
    return GetSetting(AppInfo::SettingsApplication, AppInfo::SettingsSection, key, defaultValue);
}

bool SaveOption(const QString& key, const QString& text) {
    return SaveSetting(AppInfo::SettingsApplication, AppInfo::SettingsSection, key, text);
}
