#include "param/ParamFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

constexpr auto kFolderKey = "parameterFiles/folder";

// The path with its folder resolved as far as it exists.
QString resolved(const QString& path)
{
    const QFileInfo file(path);
    if (file.exists() && !file.canonicalFilePath().isEmpty())
        return file.canonicalFilePath();
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    return QDir::cleanPath((folder.isEmpty() ? file.absolutePath() : folder) + u'/' + file.fileName());
}

QSettings settings()
{
    return QSettings(QStringLiteral("vq800"), QStringLiteral("vq800"));
}

} // namespace

bool IsProgramConfigFile(const QString& path, const QString& programDir)
{
    if (path.isEmpty() || programDir.isEmpty())
        return false;
    const QString file = resolved(path);
    const QString dir = resolved(programDir);
    return file.compare(dir + QStringLiteral("/Comm.CFG"), Qt::CaseInsensitive) == 0
        || file.startsWith(dir + QStringLiteral("/CFG/"), Qt::CaseInsensitive);
}

QString ParamFolder()
{
    const QString folder = settings().value(QLatin1String(kFolderKey)).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void RememberParamFolder(const QString& filePath)
{
    settings().setValue(QLatin1String(kFolderKey), QFileInfo(filePath).absolutePath());
}
