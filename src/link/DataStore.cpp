#include "link/DataStore.h"

#include "link/RegisterMap.h"

namespace {

void layCommon(TextTable& t)
{
    const QStringList common = regmap::CommonKeys();
    for (int r = 1; r <= common.size(); ++r)
        t.setText(0, r, common[r - 1]);
}

void layChannels(TextTable& t)
{
    const QStringList ch = regmap::ChannelKeys();
    for (int r = 1; r <= ch.size(); ++r)
        t.setText(0, r, ch[r - 1]);
    for (int c = 1; c <= regmap::kMaxChannels; ++c)
        t.setText(c, 0, QStringLiteral("CH%1").arg(c, 2, 10, QLatin1Char('0')));
}

void copyBody(TextTable& to, const TextTable& from)
{
    for (int r = 1; r <= to.rowCount(); ++r)
        for (int c = 1; c <= to.colCount(); ++c)
            to.setText(c, r, from.text(c, r));
}

} // namespace

DeviceParams::DeviceParams()
    : common(1, regmap::kCommonRows)
    , channels(regmap::kMaxChannels, regmap::kChannelRows)
{
    layCommon(common);
    layChannels(channels);
}

void DeviceParams::copyTexts(const TextTable& fromCommon, const TextTable& fromChannels)
{
    copyBody(common, fromCommon);
    copyBody(channels, fromChannels);
}

DataStore::DataStore()
    : sprdMon(regmap::mon::kColumns, 0)
    , sprdP_Common(1, regmap::kCommonRows)
    , sprdP_CH(regmap::kMaxChannels, regmap::kChannelRows)
    , sprdStatus(5, 0)
    , sprdCommState(4, 0)
{
    const QStringList mon = regmap::MonHeaders();
    for (int c = 1; c <= mon.size(); ++c)
        sprdMon.setText(c, 0, mon[c - 1]);
    layCommon(sprdP_Common);
    layChannels(sprdP_CH);
    const QStringList st{"Device No", "Online", "SYSDATA", "OPTDATA", "Description"};
    for (int c = 1; c <= st.size(); ++c)
        sprdStatus.setText(c, 0, st[c - 1]);
    const QStringList cs{"OK", "Time Over", "CRC Error", "Refused"};
    for (int c = 1; c <= cs.size(); ++c)
        sprdCommState.setText(c, 0, cs[c - 1]);
}

void DataStore::clearDeviceRows()
{
    sprdStatus.setRowCount(0);
    sprdMon.setRowCount(0);
    sprdCommState.setRowCount(0);
}

void DataStore::appendDeviceRow(int deviceNumber, const QString& description)
{
    const QString no = QString::number(deviceNumber);
    const int row = sprdStatus.appendRow();
    sprdStatus.setText(status::DeviceNo, row, no);
    sprdStatus.setText(status::Description, row, description);
    sprdMon.setText(0, sprdMon.appendRow(), no);
    sprdCommState.setText(0, sprdCommState.appendRow(), no);
}
