#pragma once
// Which setting page a click on a cell of the editor's tables opens.
enum class ParamPage { None, Main, Display, System, Channel, AlarmDi };

struct PageTarget {
    ParamPage page = ParamPage::None;
    int tab = 0;     // alarm/DI page: the alarm (0..3) or, from sprdP, the input (0..5)
    int channel = 0; // channel of a sprdP_CH column (1..12), 0 for sprdP
    bool operator==(const PageTarget&) const = default;
};

enum class ParamGrid { Common, Channel };

// col and row as in the table (row 0 = header row, columns 1 and 2 are
// description and key and open nothing).
PageTarget PageForCell(ParamGrid grid, int col, int row);
