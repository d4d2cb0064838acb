#include "link/DeviceList.h"

#include "link/ConfigText.h"
#include "link/DataStore.h"
#include "link/LinkState.h"

#include <QDir>

QString DeviceListPath(const QString& programDir)
{
    return QDir(programDir).filePath(QStringLiteral("CFG/SetEnv.INI"));
}

void LoadDeviceList(const QStringList& lines, LinkState& link, DataStore& store)
{
    store.clearDeviceRows();
    // Reloading replaces the devices: growing the old arrays would leave
    // stale device numbers in front of the new ones.
    link.gMC_No.clear();
    link.gMC_Online.clear();
    link.gMC_Last = -1;
    for (int n = 0; n < lines.size(); ++n) {
        if (lines[n].section(u'\t', 0, 0) != QLatin1String("O"))
            continue;
        link.gMC_No.append(n + 1);
        link.gMC_Online.append(false);
        link.gMC_Last = static_cast<int>(link.gMC_No.size()) - 1;
        store.appendDeviceRow(n + 1);
    }
}

void ReadDeviceList(const QString& programDir, LinkState& link, DataStore& store)
{
    QDir(programDir).mkpath(QStringLiteral("CFG"));
    LoadDeviceList(ReadConfigLines(DeviceListPath(programDir)), link, store);
}

void KeepSelectionValid(LinkState& link)
{
    const int index = link.indexOfDevice(link.gSelMC_No);
    if (index >= 0) {
        link.gSelMC_Index = index;
    } else if (!link.gMC_No.isEmpty()) {
        link.gSelMC_No = link.gMC_No.first();
        link.gSelMC_Index = 0;
    }
}
