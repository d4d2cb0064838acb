#pragma once
// Rules shared by the single-device monitors (trend, bar, text): which device
// is shown, value formats, units, colours, burn-out placeholders and the
// header marks. Each tick reads the store afresh; a step that cannot be
// computed (missing cell, division by zero, overflow) leaves what it would
// have set unchanged.
#include "core/Rgb.h"

#include <QString>
#include <array>
#include <optional>

struct DataStore;
struct LinkState;
struct MonitorState;

namespace rules {

// Channels a monitor can show; a six-channel recorder shows the first six.
constexpr int kMaxChannels = 12;
// Channels of the monitored recorder: 6 or 12.
int ShownChannels(const LinkState& link);
constexpr double kBurnOutValue = -1000.0;

// sprdMon row of the monitored (selected) device; empty when it has no row.
std::optional<int> MonitoredRow(const LinkState& link, const DataStore& store);
// Text of a live-value cell of that row; empty when the row or cell is missing.
std::optional<QString> MonCell(const DataStore& store, std::optional<int> row, int col);
// A live-value cell as a 32-bit integer (status words, counters).
std::optional<qint32> MonInt(const DataStore& store, std::optional<int> row, int col);

// "0", "0.0" .. "0.0000" for FP_LOCATE 0..4; empty for other codes.
std::optional<QString> ChannelFormat(int fpLocate);
int FormatDecimals(const QString& format);
// v rounded half away from zero to the format's decimals; empty when v is not finite.
std::optional<QString> FormatValue(double v, const QString& format);
// Burn-out text for a format; every format has one.
QString BurnOutPlaceholder(const QString& format);

// Unit text for UNIT_MODE; mode 5 takes the channel's own unit name.
QString UnitText(int unitMode, const QString& unitName);
// Channel ch is burnt out when either of its two bits is set: ch 0..5 in
// BO_STATUS(1-6), ch 6..11 (as ch - 6) in BO_STATUS(7-12).
bool InBurnOut(qint32 boWord, int ch);
bool DiOn(qint32 sdDiWord, int k);
// Colour 1 and colour 2 of a DI mark.
std::pair<Rgb, Rgb> DiColours(bool on);
// The other end of a gradient from a channel colour: halfway to white for a
// colour that takes black text, halfway to black for one that takes white, so
// that one ink reads over the whole gradient.
Rgb GradientPartner(Rgb colour);
// Memory mark picture file for SD_DI_STATUS and RECORD_STATUS.
QString MemoryPicture(qint32 sdDiWord, double recordStatus);

struct DateTimeParts {
    std::optional<QString> date;
    std::optional<QString> time;
};
// Splits "YYYY-MM-DD HH:MM:SS" at blanks; a missing part stays empty.
DateTimeParts SplitDateTime(const QString& text);

// Whole percent with at least three digits ("000").
QString PercentText(double wholePercent);
// Used / total x 100 in single precision; empty when total is 0.
std::optional<QString> SdcRatioText(double used, double total);
std::optional<QString> MemRatioText(double used);

// y of value v on a scale of height h (y grows downwards); empty when max = min.
std::optional<double> ScaleY(double v, double max, double min, double h);
// Position bar percent of p within l..h, rounded; empty when h = l or on overflow.
std::optional<int> PositionPercent(double p, double h, double l);

// A picture file from the first of PictureFolders(programDir) that has it; empty when none has.
QString PicturePath(const QString& programDir, const QString& name);

// What a single-device monitor shows for one channel.
struct ChannelDisplay {
    QString unit;
    QString maxText, minText, midText;
    Rgb colour = 0xFFFFFFFF; // white
    QString valueText = QStringLiteral("----.-");
    double value = 0.0; // CurrentValue: the reading, or kBurnOutValue in burn-out
    bool burnOut = false;
    // The scale as shown (the numbers read back from the labels).
    double max() const;
    double min() const;
};

// The header marks of a single-device monitor.
struct HeaderDisplay {
    QString date, time;
    std::optional<bool> alarm;                 // unset until first read
    std::array<std::optional<bool>, 6> di{};   // DI1..DI6
    QString memPicture;                        // "MEM00.ico" .. "MEM02.ico"
    QString memRatio, sdcRatio;
};

// The display of one device: updated each tick from the store, keeping
// what a failing step could not compute.
struct SingleDisplay {
    std::array<ChannelDisplay, kMaxChannels> ch;
    int channels = 6; // of the monitored recorder
    HeaderDisplay header;
    // The device does not answer (NG) or the port is closed ("--"): the
    // values shown are its last ones.
    bool stale = false;

    // Colours, formats, units and scale texts of channels 1..12.
    void readChannelTexts(MonitorState& state, const DataStore& store);
    // Date/time, alarm, DI and memory marks and the two ratios.
    void readHeader(const DataStore& store, std::optional<int> row);
    // Burn-out state and values of channels 1..12.
    void readValues(const MonitorState& state, const DataStore& store, std::optional<int> row);
    // All three, for the device selected now.
    void tick(MonitorState& state, const DataStore& store, const LinkState& link);
};

} // namespace rules
