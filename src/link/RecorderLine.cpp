#include "link/RecorderLine.h"

#include "link/RegisterMap.h"
#include "link/RegisterSet.h"

#include <QStringList>

namespace {

// Interface i (0 RS232, 1 RS485): register k (0 address .. 6 response time).
int reg(const RegisterSet& set, bool rs485, int k)
{
    return set.reg(regmap::kLineSettingsFirst + (rs485 ? 7 : 0) + k);
}

RecorderLine read(const RegisterSet& set, bool rs485, const PortSettings& base)
{
    static const char* kBauds[] = {"9600", "19200", "38400", "57600"};
    static const char* kParities[] = {"N", "O", "E"};
    RecorderLine l;
    l.rs485 = rs485;
    l.address = reg(set, rs485, 0);
    l.settings = base;
    const int baud = reg(set, rs485, 2), parity = reg(set, rs485, 3), data = reg(set, rs485, 4), stop = reg(set, rs485, 5);
    l.known = baud >= 0 && baud <= 3 && parity >= 0 && parity <= 2 && (data == 7 || data == 8) && (stop == 1 || stop == 2);
    if (l.known) {
        l.settings.gCommBaud = QString::fromLatin1(kBauds[baud]);
        l.settings.gCommParity = QString::fromLatin1(kParities[parity]);
        l.settings.gCommDataBits = QString::number(data);
        l.settings.gCommStopBits = QString::number(stop);
    }
    return l;
}

bool sameSpeed(const PortSettings& a, const PortSettings& b)
{
    return a.settingsText() == b.settingsText();
}

} // namespace

RecorderLine LineOf(const RegisterSet& set, int device, const PortSettings& line)
{
    RecorderLine candidates[2] = {read(set, true, line), read(set, false, line)};
    for (const RecorderLine& c : candidates)
        if (c.known && c.address == device && sameSpeed(c.settings, line))
            return c;
    for (const RecorderLine& c : candidates)
        if (c.known && c.address == device)
            return c;
    return {};
}

RecorderLine LineAfter(const RecorderLine& before, const RegisterSet& after)
{
    if (!before.known)
        return {};
    return read(after, before.rs485, before.settings);
}

QString LineText(const RecorderLine& l)
{
    return QStringLiteral("address %1, %2 (%3)")
        .arg(l.address)
        .arg(l.settings.settingsText(), l.rs485 ? QStringLiteral("RS422/485") : QStringLiteral("RS232"));
}
