#pragma once
// Where each value of a recorder lives: register numbers, their types, and
// the cells of the data store that receive them.
#include <QString>
#include <QStringList>

namespace regmap {

// Live values: input registers 30001..30047.
constexpr int kInputFirst = 30001;
constexpr int kInputCount = 47;
// Common parameters: holding registers 40001..40074.
constexpr int kCommonFirst = 40001;
constexpr int kCommonCount = 74;
// Channel c (1..12): holding registers B+1..B+93 with B = 40000 + 100c.
constexpr int kChannelRegs = 93;
constexpr int kMaxChannels = 12;
// Channels of a recorder by its model code: 10..19 six, 20..29 twelve; 0 for any other code.
constexpr int ChannelsOfModel(int code) { return code >= 10 && code <= 29 ? (code / 10) * 6 : 0; }
constexpr int ChannelBase(int c) { return 40000 + 100 * c; }

// The recorder's own addresses and line settings (both interfaces): a
// download keeps the recorder's unless told to send the set's.
constexpr int kLineSettingsFirst = 40031;
constexpr int kLineSettingsLast = 40044;

constexpr int kCommonRows = 68;
constexpr int kChannelRows = 61;

enum class RegType { None, U16, U32, Float };

// Type of input register 30000 + k (k = 1..47); second halves are None.
RegType InputType(int k);

// Columns of the live-value table sprdMon.
namespace mon {
constexpr int Comm = 1, Model = 2, FwVer = 3, SysDateTime = 4, RecordStatus = 5,
              Bo712 = 6, Bo16 = 7, Alarm912 = 8, Alarm58 = 9, Alarm14 = 10,
              SdDiStatus = 11, RelayStatus = 12, Pv01 = 13, PvRjc = 25,
              SdcTotal = 26, SdcUsed = 27, IntMemUsed = 28;
constexpr int kColumns = 28;
}
QStringList MonHeaders();

// Common keys by row 1..68 (row headers of sprdP_Common).
QStringList CommonKeys();
// Row of sprdP_Common that register offset i (1..74) lands in; 0 for the
// second register of a 32-bit pair.
int CommonRowOfOffset(int i);
// True for offsets holding the first register of a 32-bit pair (DInn_RYT).
bool CommonOffsetIsU32(int i);

// Channel keys by row 1..61 (row headers of sprdP_CH).
QStringList ChannelKeys();

// What one register offset (1..93) of a channel block holds.
struct ChannelField {
    enum Kind { None, Name, UnitName, U16, Float, U32 } kind = None;
    int row = 0;
};
ChannelField ChannelFieldOfOffset(int i);

// Row numbers of the channel keys used outside the decoder.
namespace ch {
constexpr int Name = 1, UnitName = 2, DispOnOff = 3, RangeCode = 4, ScaleOnOff = 5, FpLocate = 6,
              UnitMode = 7, ReadMode = 8, ReadTime = 9, Color = 10, MathOnOff = 11, MathFType = 12,
              MathACh = 13, MathBSelect = 14, MathBCh = 15, MathBConst = 16, UserRangeMax = 17,
              UserRangeMin = 18, ScaleRangeMax = 19, ScaleRangeMin = 20, DispRangeMax = 21,
              DispRangeMin = 22, OffsetError = 23, HighpointError = 24, LowpointError = 25;
// Alarm a (1..4), field k (0 SV, 1 HYS, 2 RATE, 3 TYPE, 4 CCH, 5 TUNIT, 6 RCD, 7 RYO, 8 RYT).
constexpr int Alarm(int a, int k) { return 26 + 9 * (a - 1) + k; }
}

} // namespace regmap
