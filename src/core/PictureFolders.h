#pragma once
// Where the program's pictures and icons are looked up.
#include <QString>
#include <QStringList>

// First to last: the program folder (a copy there takes precedence), the
// executable's folder (a build tree), the installed data folder.
QStringList PictureFolders(const QString& programDir);
