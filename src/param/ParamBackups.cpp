#include "param/ParamBackups.h"

#include "link/LinkState.h"
#include "param/ParamImage.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

ParamBackups::ParamBackups(const QString& programDir, const LinkState& link)
    : m_programDir(programDir)
    , m_link(link)
{
}

QString ParamBackups::folder() const
{
    return QDir(m_programDir).filePath(QStringLiteral("Backup"));
}

QString ParamBackups::FileName(int device, const QString& description, const QDateTime& at)
{
    // Letters and digits of the description, the rest one dash: safe on every file system.
    QString safe = description;
    safe.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
    safe = safe.left(40);
    while (safe.startsWith(u'-'))
        safe.remove(0, 1);
    while (safe.endsWith(u'-'))
        safe.chop(1);
    return QStringLiteral("%1_%2%3.CFG")
        .arg(device, 2, 10, QLatin1Char('0'))
        .arg(safe.isEmpty() ? QString() : safe + u'_')
        .arg(at.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QStringList ParamBackups::of(int device) const
{
    // The time at the end of the name sorts them; the description may have changed.
    const QString prefix = QStringLiteral("%1_").arg(device, 2, 10, QLatin1Char('0'));
    const QFileInfoList files = QDir(folder()).entryInfoList({prefix + QStringLiteral("*.CFG")}, QDir::Files);
    QList<std::pair<QString, QString>> byTime;
    for (const QFileInfo& f : files)
        byTime.append({f.completeBaseName().right(15), f.absoluteFilePath()});
    std::sort(byTime.begin(), byTime.end(), [](const auto& a, const auto& b) { return a > b; });
    QStringList out;
    for (const auto& [time, path] : byTime)
        out << path;
    return out;
}

bool ParamBackups::keep(int device, const RegisterSet& set, QString* why)
{
    if (!QDir().mkpath(folder())) {
        if (why)
            *why = QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(folder()));
        return false;
    }
    ParamImage image;
    image.setFromRegisters(set);
    const QString description = m_link.gMC_Desc.value(m_link.indexOfDevice(device));
    QDateTime at = now();
    QString path = QDir(folder()).filePath(FileName(device, description, at));
    // Two downloads within a second keep both.
    while (QFileInfo::exists(path)) {
        at = at.addSecs(1);
        path = QDir(folder()).filePath(FileName(device, description, at));
    }
    QString error;
    if (!WriteImageFile(path, image, &error)) {
        if (why)
            *why = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), error);
        return false;
    }
    m_last = path;
    const QStringList all = of(device);
    for (int i = kKeep; i < all.size(); ++i)
        QFile::remove(all[i]);
    return true;
}
