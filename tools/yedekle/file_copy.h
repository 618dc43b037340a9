#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace kalvora::backup {

bool syncFile(QFile& f);
// A rename is only durable once the folder holding it is synced.
void syncFolder(const QString& path);
void syncPath(const QString& path);
QByteArray fileHash(const QString& path);
// Copies byte for byte into a new file, synced; returns the SHA-256 of what was copied.
QByteArray copyFile(const QString& from, const QString& to);
void writeFileSynced(const QString& path, const QByteArray& content);

} // namespace kalvora::backup
