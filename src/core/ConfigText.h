#pragma once
// Line-oriented configuration files beside the program.
#include <QList>
#include <QString>
#include <QStringList>

// How much of a configuration file is read: at most maxLines lines, line i
// at most maxChars[i] characters (the last bound holds for every later
// line). Longer lines are cut; the rest of the file is not read at all.
struct ConfigLimits {
    int maxLines = 10'000;
    QList<int> maxChars = {4096};
    bool moreLinesMatter = true; // lines past maxLines are worth a note

    int charsOf(int line) const { return maxChars.value(line, maxChars.last()); }
};

struct ConfigLines {
    QStringList lines;
    int cut = 0;              // lines cut to their bound
    int firstCut = -1;        // index of the first of them
    bool moreLines = false;   // lines past maxLines were left unread
    QString unreadable;       // why a file that is there was not read

    // One message naming the file when something was cut or left unread; empty otherwise.
    QString note(const QString& fileName, const ConfigLimits& limits) const;
};

// Reads a text file line by line with bounds, accepting CR LF, LF or CR
// endings; a missing or unreadable file gives no lines, and so does one that
// is not a regular file (a FIFO would block, a device never end). Each line is UTF-8
// when valid, else Latin-1. However large the file, memory stays within the bounds.
ConfigLines ReadConfigFile(const QString& path, const ConfigLimits& limits);
// The same with the default bounds.
QStringList ReadConfigLines(const QString& path);

// Replaces the file with the lines, each ended by CR LF. The file is replaced
// atomically, so a crash or a full disk leaves the previous file intact.
// Creates missing folders. On failure returns false and says why in *error.
bool WriteConfigLines(const QString& path, const QStringList& lines, QString* error = nullptr);

// What a window says when a configuration file cannot be written: the file,
// why, and the way out (a program folder that can be written).
QString CannotSaveText(const QString& path, const QString& why);
