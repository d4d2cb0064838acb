#include "param/PageNavigation.h"

#include "param/ParamTables.h"

namespace {

int systemTab(int row)
{
    if (row == 15)
        return 1;
    if (row == 16)
        return 5;
    if (row >= 18 && row <= 30)
        return 2;
    if (row >= 31 && row <= 37)
        return 3;
    if (row >= 38 && row <= 44)
        return 4;
    return 0;
}

int channelTab(int row)
{
    switch (row) {
    case 5: case 6: case 17: case 18: case 19: case 20: return 1;
    case 8: case 9: case 23: case 24: case 25: return 2;
    case 11: case 12: case 13: case 14: case 15: case 16: return 3;
    case 21: case 22: return 4;
    default: return 0; // 1, 2, 4, 7
    }
}

} // namespace

PageTarget PageForCell(ParamGrid grid, int col, int row)
{
    if (col < 3 || row < 0)
        return {};
    if (grid == ParamGrid::Common) {
        if (col != 3 || row < 1)
            return {};
        if (row == 1)
            return {ParamPage::Main};
        if (row <= 9)
            return {ParamPage::Display};
        if (row <= 44)
            return {ParamPage::System, systemTab(row)};
        if (row <= 68)
            return {ParamPage::AlarmDi, (row - 45) / 4};
        return {};
    }
    const int channel = ParamTables::ChannelOfCol(col);
    if (channel > 12)
        return {};
    if (row == 0)
        return {ParamPage::Channel, 0, channel};
    if (row == 3)
        return {ParamPage::Main, 0, channel};
    if (row == 10)
        return {ParamPage::System, 1, channel};
    if (row >= 26 && row <= 61)
        return {ParamPage::AlarmDi, (row - 26) / 9, channel};
    if (row > 61)
        return {};
    return {ParamPage::Channel, channelTab(row), channel};
}
