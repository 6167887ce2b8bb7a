// File names are bytes. They are decoded as UTF-8; each byte of an invalid
// sequence is kept as a lone surrogate U+DC80 + byte, so every name found can be
// encoded back to the same bytes and opened again.
#pragma once

#include <QByteArray>
#include <QString>

QString DecodeFileName(const char* bytes, qsizetype size);
inline QString DecodeFileName(const QByteArray& bytes) {
    return DecodeFileName(bytes.constData(), bytes.size());
}

// The bytes the file system holds for a name or path decoded by DecodeFileName.
QByteArray EncodeFileName(const QString& name);

// The name as shown to a person: U+FFFD in place of each kept byte.
QString DisplayFileName(const QString& name);

// True when the name holds kept bytes (lone surrogates).
bool HasEscapedBytes(const QString& name);

// A path from a dialog that shows names, not bytes: each part holding U+FFFD
// is matched against the names in its folder, and the one name shown that way
// takes its place. A path with no such part, or none that matches, comes back
// as it is.
QString RecoverFileName(const QString& path);
