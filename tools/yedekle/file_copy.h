#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace kalvora::backup {

// Backups hold the whole book: what they write only their owner reads.
inline constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
inline constexpr QFile::Permissions ownerOnlyFolder = ownerOnly | QFile::ExeOwner;

// Creates an empty file only its owner reads; false when it exists or cannot be made.
bool createOwnerOnly(const QString& path);
bool syncFile(QFile& f);
// A rename is only durable once the folder holding it is synced.
void syncFolder(const QString& path);
void syncPath(const QString& path);
QByteArray fileHash(const QString& path);
// Copies byte for byte into a new file, synced; returns the SHA-256 of what was copied.
QByteArray copyFile(const QString& from, const QString& to);
void writeFileSynced(const QString& path, const QByteArray& content);

} // namespace kalvora::backup
