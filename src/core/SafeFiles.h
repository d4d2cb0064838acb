#pragma once
// Files that survive a power cut, and files that cannot hang a reader.
#include <QFile>
#include <QString>
#include <QStringList>

class QSaveFile;

// QSaveFile::commit (the new contents synced, then renamed over the file),
// then the folder synced so that the rename itself survives a power cut.
bool CommitSafely(QSaveFile& file);

// fdatasync of a file, opened for reading: appended records reach the disk.
bool SyncFile(const QString& path, QString* why = nullptr);
// fsync of a folder: files created or renamed in it stay after a power cut.
bool SyncFolder(const QString& folder, QString* why = nullptr);

// Opens path for reading only when it is a regular file: a FIFO would block
// the open itself, a device would never end. *why says what it is otherwise.
bool OpenRegularFile(QFile& file, const QString& path, QString* why = nullptr);

// QSaveFile writes NAME.XXXXXX (six letters) next to NAME and renames it over
// NAME; a crash in between leaves it. Removes those of the files in `names`
// (exact names or wildcard patterns) from folder; returns the ones removed.
// Suffixes that read as a word (backup, BACKUP, Before) are someone's copy and stay.
QStringList RemoveLeftSaves(const QString& folder, const QStringList& names);
