#include "core/PictureFolders.h"

#include "InstallDirs.h"

#include <QCoreApplication>
#include <QDir>

QStringList PictureFolders(const QString& programDir)
{
    const QDir exe(QCoreApplication::applicationDirPath());
    QStringList out;
    for (const QString& dir : {programDir, exe.path(), exe.filePath(QStringLiteral(VQ800_DATA_FROM_BIN))})
        if (!dir.isEmpty() && !out.contains(QDir::cleanPath(dir)))
            out << QDir::cleanPath(dir);
    return out;
}
