#include "link/LinkState.h"

int LinkState::firstOnlineIndex() const
{
    for (int i = 0; i <= gMC_Last && i < gMC_Online.size(); ++i)
        if (gMC_Online[i])
            return i;
    return -1;
}

int LinkState::nextOnlineIndex(int index) const
{
    for (int i = index + 1; i <= gMC_Last && i < gMC_Online.size(); ++i)
        if (gMC_Online[i])
            return i;
    return firstOnlineIndex();
}

QString PortSettings::settingsText() const
{
    return QStringList{gCommBaud, gCommParity, gCommDataBits, gCommStopBits}.join(u',');
}

QString LinkState::deviceName(int number) const
{
    const QString desc = gMC_Desc.value(indexOfDevice(number)).trimmed();
    const QString name = QStringLiteral("device %1").arg(number);
    return desc.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, desc);
}

QString LinkState::captionForSelected(const QString& caption) const
{
    return gSelMC_No > 0 ? caption + QStringLiteral(" \u2013 ") + deviceName(gSelMC_No) : caption;
}
