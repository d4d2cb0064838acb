#pragma once
// Line-oriented configuration files beside the program.
#include <QString>
#include <QStringList>

// Lines of a text file, accepting CR LF, LF or CR endings; a missing or
// unreadable file gives no lines. UTF-8 when valid, else Latin-1.
QStringList ReadConfigLines(const QString& path);

// Replaces the file with the lines, each ended by CR LF. The file is replaced
// atomically, so a crash or a full disk leaves the previous file intact.
// Creates missing folders. On failure returns false and says why in *error.
bool WriteConfigLines(const QString& path, const QStringList& lines, QString* error = nullptr);

// What a window says when a configuration file cannot be written: the file,
// why, and the way out (a program folder that can be written).
QString CannotSaveText(const QString& path, const QString& why);
