#include "link/LinkState.h"

#include <cmath>

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

int PortSettings::bitsPerChar() const
{
    bool ok = false;
    const int data = gCommDataBits.trimmed().toInt(&ok);
    const int stop = gCommStopBits.trimmed().toInt();
    const QString parity = gCommParity.trimmed().toUpper();
    if (!ok || data < 5 || data > 8 || stop < 1 || stop > 2 || (parity != "N" && parity != "E" && parity != "O"))
        return 0;
    return 1 + data + (parity == "N" ? 0 : 1) + stop;
}

qint64 PortSettings::charsUs(double chars) const
{
    const int baud = gCommBaud.trimmed().toInt();
    if (baud <= 0 || bitsPerChar() == 0)
        return 0;
    return static_cast<qint64>(std::ceil(chars * bitsPerChar() * 1e6 / baud - 1e-6));
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
