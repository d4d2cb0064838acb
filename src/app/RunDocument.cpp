#include "app/RunDocument.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

bool RunDocument(const QString& operation, const QString& file, const QString& parameters,
                 const QString& directory, int showCommand)
{
    Q_UNUSED(operation);
    Q_UNUSED(showCommand);
    const bool isWeb = file.startsWith(QLatin1String("http://")) || file.startsWith(QLatin1String("https://"));
    QUrl url = isWeb ? QUrl(file) : QUrl::fromLocalFile(QFileInfo(QDir(directory), file).absoluteFilePath());
    if (!isWeb && QFileInfo(file).suffix().compare(QLatin1String("exe"), Qt::CaseInsensitive) == 0) {
        if (QProcess::startDetached(url.toLocalFile(), QProcess::splitCommand(parameters), directory))
            return true;
    } else if (QDesktopServices::openUrl(url)) {
        return true;
    }
#ifdef Q_OS_WIN
    return QProcess::startDetached(QStringLiteral("RUNDLL32.EXE"),
                                   {QStringLiteral("SHELL32.DLL,OpenAs_RunDLL"), QDir::toNativeSeparators(file)});
#else
    return false;
#endif
}
