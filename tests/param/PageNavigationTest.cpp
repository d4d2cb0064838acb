#include "param/PageNavigation.h"

#include <gtest/gtest.h>

TEST(PageNavigation, EveryCellOpensItsPageAndTab)
{
    using P = ParamPage;
    struct Case { ParamGrid grid; int col, row; PageTarget want; };
    const ParamGrid C = ParamGrid::Common, H = ParamGrid::Channel;
    const Case cases[] = {
        {C, 2, 5, {}},                   {C, 3, 0, {}},                   {C, 3, 1, {P::Main}},
        {C, 3, 2, {P::Display}},         {C, 3, 9, {P::Display}},         {C, 3, 10, {P::System, 0}},
        {C, 3, 15, {P::System, 1}},      {C, 3, 16, {P::System, 5}},      {C, 3, 18, {P::System, 2}},
        {C, 3, 31, {P::System, 3}},      {C, 3, 44, {P::System, 4}},      {C, 3, 45, {P::AlarmDi}},
        {C, 3, 68, {P::AlarmDi, 5}},     {C, 3, 69, {}},                  {H, 2, 0, {}},
        {H, 14, 0, {P::Channel, 0, 12}}, {H, 5, 3, {P::Main, 0, 3}},      {H, 4, 10, {P::System, 1, 2}},
        {H, 3, 26, {P::AlarmDi, 0, 1}},  {H, 8, 61, {P::AlarmDi, 3, 6}},  {H, 3, 7, {P::Channel, 0, 1}},
        {H, 3, 20, {P::Channel, 1, 1}},  {H, 3, 8, {P::Channel, 2, 1}},   {H, 3, 16, {P::Channel, 3, 1}},
        {H, 3, 21, {P::Channel, 4, 1}},  {H, 3, 62, {}},
    };
    for (const Case& k : cases) {
        const PageTarget got = PageForCell(k.grid, k.col, k.row);
        EXPECT_EQ(got, k.want) << (k.grid == C ? "sprdP" : "sprdP_CH") << " col " << k.col << " row " << k.row
                               << ": page " << int(got.page) << " tab " << got.tab;
    }
}
