#include "app/ProgramFolder.h"

#include "InstallDirs.h"

#include <QDir>
#include <QFileInfo>

ProgramFolder ChooseProgramFolder(const QString& dirOption, const QString& exeDir, const QString& userDir)
{
    if (!dirOption.isEmpty())
        return {QDir(dirOption).absolutePath(), QStringLiteral("given by --dir")};
    const QFileInfo exe(exeDir);
    const QString installedBin = QFileInfo(QStringLiteral(VQ800_INSTALL_BINDIR)).canonicalFilePath();
    const bool installed = (!installedBin.isEmpty() && exe.canonicalFilePath() == installedBin)
        || QFileInfo(QDir(exeDir).filePath(QStringLiteral(VQ800_DATA_FROM_BIN))).isDir();
    if (installed || !exe.isWritable())
        return {QDir(userDir).absolutePath(), QStringLiteral("the per-user folder of an installed copy")};
    return {exe.absoluteFilePath(), QStringLiteral("the program's own folder")};
}
