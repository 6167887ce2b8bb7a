// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The per-user store of remembered options: named text values under an
// application and a section, keys matched without regard to letter case.
// Kept as an INI file (PALAVINE_SETTINGS names another file); every save is
// written through at once, atomically.
#pragma once

#include <QString>
#include <functional>
#include <optional>

// The store's file.
QString SettingsFilePath();

// The stored text, also when it is empty; the default when the key is missing.
QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
QString GetSetting(const QString& application, const QString& section, const QString& key,
                   qint64 defaultValue);
// The stored text, or nothing when the key is missing.
std::optional<QString> FindSetting(const QString& application, const QString& section,
                                   const QString& key);

// Stores the text, replacing the key in every letter case. Returns false when
// the store could not be written; the first such failure of a run is passed to
// the failure handler.
bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& text);

// Called once per run, on the first save that fails, with the reason.
void SetSettingsFailureHandler(std::function<void(const QString& reason)> handler);
// Forgets that a failure was already told (for a new run or a test).
void ResetSettingsFailureNotice();

// The readers' conversions. A whole number rounds halves to even ("10.5" is 10,
// "11.5" is 12); text that is not a number fails with "Type mismatch".
qint32 ToWholeNumber(const QString& text);
// True exactly for "True".
bool ToFlag(const QString& text);
// The form a flag is stored in.
QString FromFlag(bool value);

// The program's own application and section.
QString GetOption(const QString& key, const QString& defaultValue = QString());
QString GetOption(const QString& key, qint64 defaultValue);
bool SaveOption(const QString& key, const QString& text);
