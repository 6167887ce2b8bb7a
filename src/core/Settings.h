// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The per-user store of remembered options: named text values under an
// application and a section, keys matched without regard to letter case.
// Kept as an INI file (PALAVINE_SETTINGS names another file, for tests and
// portable use); every save is
// written through at once, atomically, with the store locked from reading to
// writing, so that saves of two processes never undo each other.
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <utility>

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

// The program's options as the store holds them at one moment, for a command
// that takes several of them together (a store given as a pipe can be read
// only once).
struct StoredOptions {
    QList<std::pair<QString, QString>> values; // key, text; in the store's order
    // The first text of the key in any letter case.
    std::optional<QString> find(const QString& key) const;
};
// Reads the program's store once (`file`, or the store's usual file when
// empty): empty when there is none; nothing, with the reason, when it can't
// be read. With `streams`, a store that is a pipe (a command's
// --settings <(...)) is read as well; otherwise only a regular file is a store.
std::optional<StoredOptions> ReadStoredOptions(const QString& file, bool streams,
                                               QString* reason = nullptr);

// The option as chosen in this run: the text of this run's last save of it
// that failed (the window promises such a change lasts until it closes), else
// the stored text.
QString GetChosenOption(const QString& key, const QString& defaultValue);

// Called once per run, on the first save that fails, with the reason.
void SetSettingsFailureHandler(std::function<void(const QString& reason)> handler);
// Forgets that a failure was already told, and the texts of failed saves (for
// a new run or a test).
void ResetSettingsFailureNotice();

// The readers' conversions. A whole number rounds halves to even ("10.5" is 10,
// "11.5" is 12); text that is not a number fails with "Type mismatch".
qint32 ToWholeNumber(const QString& text);
// True exactly for "True".
bool ToFlag(const QString& text);
// The form a flag is stored in.
QString FromFlag(bool value);

// Every option the program stores, by its key, with the value the window
// starts with when the store has none. The two font effects are read under
// one spelling of their key and written under another; keys match without
// regard to letter case, so both name the same option.
namespace Option {
inline const QString Filter = QStringLiteral("Text1");             // the extension filter
inline const QString OutputFolder = QStringLiteral("Text2");       // where the page goes
inline const QString OpenAfterSaving = QStringLiteral("Check1");   // 1 or 0
inline const QString LastFolder = QStringLiteral("LastFolderDot"); // the picker's start
inline const QString FontName = QStringLiteral("FontName");
inline const QString FontBold = QStringLiteral("FontBold");
inline const QString FontItalic = QStringLiteral("FontItalic");
inline const QString FontSize = QStringLiteral("FontSize");
inline const QString FontStrikeRead = QStringLiteral("FontStrikeThru");
inline const QString FontStrikeWritten = QStringLiteral("FontStrikethru");
inline const QString FontUnderlineRead = QStringLiteral("FontUnderLine");
inline const QString FontUnderlineWritten = QStringLiteral("FontUnderline");
inline const QString TextColour = QStringLiteral("Font Color");
inline const QString BackgroundColour = QStringLiteral("Background Color");

inline const QString DefaultFilter = QStringLiteral("*");
constexpr qint64 DefaultOpenAfterSaving = 1;
inline const QString DefaultFontName = QStringLiteral("Arial");
inline const QString DefaultFontBold = QStringLiteral("True");
constexpr qint32 DefaultFontSize = 36;
constexpr qint32 DefaultTextColour = 16711680;       // blue
constexpr qint32 DefaultBackgroundColour = 16777215; // white
} // namespace Option

// The program's own application and section.
QString GetOption(const QString& key, const QString& defaultValue = QString());
QString GetOption(const QString& key, qint64 defaultValue);
bool SaveOption(const QString& key, const QString& text);
