// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// File names are bytes. They are decoded as UTF-8; each byte of an invalid
// sequence is kept as a lone surrogate U+DC80 + byte, so every name found can be
// encoded back to the same bytes and opened again.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

QString DecodeFileName(const char* bytes, qsizetype size);
inline QString DecodeFileName(const QByteArray& bytes) {
    return DecodeFileName(bytes.constData(), bytes.size());
}

// The order of names within a folder: as QString::compare with
// Qt::CaseInsensitive orders the decoded names (each UTF-16 unit case-folded),
// ties broken by the raw bytes, so that the order is total and the same on
// every machine. Negative, zero (the same bytes) or positive. ASCII names are
// compared as bytes; only names beyond ASCII are decoded.
int CompareFileNames(QByteArrayView a, QByteArrayView b);
// The same with both names' decoded forms at hand, for sorting many names.
int CompareFileNames(QByteArrayView a, const QString& aDecoded, QByteArrayView b,
                     const QString& bDecoded);
// True when every byte is ASCII (below 0x80): such a name decodes one
// character per byte.
bool IsAsciiBytes(const char* bytes, qsizetype size);

// The bytes the file system holds for a name or path decoded by DecodeFileName.
QByteArray EncodeFileName(const QString& name);

// The name as shown to a person: U+FFFD in place of each kept byte.
QString DisplayFileName(const QString& name);

// True when the name holds kept bytes (lone surrogates).
bool HasEscapedBytes(const QString& name);

// The current folder of the process, decoded as names are; "." when its path
// can't be told (it was removed), which still names it, so that nothing lands
// elsewhere.
QString CurrentFolder();

// A path from a dialog that shows names, not bytes: each part holding U+FFFD
// is matched against the names in its folder, and the one name shown that way
// takes its place. A path with no such part, or none that matches, comes back
// as it is.
QString RecoverFileName(const QString& path);
