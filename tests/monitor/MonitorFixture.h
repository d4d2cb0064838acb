#pragma once
// A store with one device row, filled as the tests need; the monitors read it.
#include "link/DataStore.h"
#include "link/LinkState.h"
#include "link/RegisterMap.h"
#include "monitor/MonitorState.h"

#include <QString>
#include <gtest/gtest.h>

struct MonitorFixture : ::testing::Test {
    DataStore store;
    LinkState link;
    MonitorState state;

    MonitorFixture()
    {
        link.gMC_No = {1};
        link.gMC_Online = {true};
        link.gMC_Last = 0;
        link.gSelMC_Index = 0;
        link.gSelMC_No = 1;
        link.gMC_Desc = {"Boiler house"};
        store.appendDeviceRow(1);
        for (int c = 1; c <= 6; ++c)
            setChannel(c, 1, -200.0, 1370.0, c - 1);
    }
    void mon(int col, const QString& text) { store.sprdMon.setText(col, 1, text); }
    void pv(int ch1, const QString& text) { mon(regmap::mon::Pv01 + ch1 - 1, text); }
    void param(int ch1, int key, const QString& text) { store.sprdP_CH.setText(ch1, key, text); }
    void setChannel(int ch1, int fp, double min, double max, int colour, int unitMode = 3)
    {
        using namespace regmap::ch;
        param(ch1, FpLocate, QString::number(fp));
        param(ch1, DispRangeMin, QString::number(min));
        param(ch1, DispRangeMax, QString::number(max));
        param(ch1, Color, QString::number(colour));
        param(ch1, UnitMode, QString::number(unitMode));
    }
};
