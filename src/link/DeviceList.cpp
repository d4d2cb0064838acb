#include "link/DeviceList.h"

#include "core/ConfigText.h"
#include "link/DataStore.h"
#include "link/LinkState.h"

#include <QDir>

QString DeviceListPath(const QString& programDir)
{
    return QDir(programDir).filePath(QStringLiteral("CFG/SetEnv.INI"));
}

int LoadDeviceList(const QStringList& lines, LinkState& link, DataStore& store)
{
    store.clearDeviceRows();
    // Reloading replaces the devices: growing the old arrays would leave
    // stale device numbers in front of the new ones.
    link.gMC_No.clear();
    link.gMC_Online.clear();
    link.gMC_Desc.clear();
    link.gMC_Last = -1;
    int ignored = 0;
    for (int n = 0; n < lines.size(); ++n) {
        if (lines[n].section(u'\t', 0, 0) != QLatin1String("O"))
            continue;
        // Past 99 a number is no address the list can give (and past 247 none at all).
        if (n + 1 > kMaxDeviceNumber) {
            ++ignored;
            continue;
        }
        link.gMC_No.append(n + 1);
        link.gMC_Online.append(false);
        link.gMC_Desc.append(lines[n].section(u'\t', 1, 1));
        link.gMC_Last = static_cast<int>(link.gMC_No.size()) - 1;
        store.appendDeviceRow(n + 1, link.gMC_Desc.last());
    }
    return ignored;
}

QString DeviceListLimitNote(int ignored)
{
    return QStringLiteral("SetEnv.INI: %1 device(s) after line %2 ignored; device numbers are 1 to %2")
        .arg(ignored)
        .arg(kMaxDeviceNumber);
}

QStringList ReadDeviceListLines(const QString& programDir, QString* note)
{
    QDir(programDir).mkpath(QStringLiteral("CFG"));
    // "O", a TAB and the description.
    const ConfigLimits limits{1000, {2 + kMaxDescription}};
    const ConfigLines read = ReadConfigFile(DeviceListPath(programDir), limits);
    if (note)
        *note = read.note(QStringLiteral("SetEnv.INI"), limits);
    return read.lines;
}
