#pragma once
// The parameter editor's working tables without any window: sprdP (common
// keys: 1 description, 2 key, 3 value) and sprdP_CH (1 description, 2 key,
// 3.. channels). The editor shows them; the scripted backup uses them alone.
#include "channel/ChannelRules.h"
#include "core/TextTable.h"

#include <QList>
#include <QSet>

struct DataStore;
class ParamImage;

class ParamTables {
public:
    static constexpr int kCommonRows = 68;
    static constexpr int kChannelRows = 61;
    static constexpr int kValueCol = 3;
    // Column of channel c (1-based) in sprdP_CH, and the channel of a column.
    static constexpr int ChannelCol(int c) { return chanrules::ChannelCol(c); }
    static constexpr int ChannelOfCol(int col) { return chanrules::ChannelOfCol(col); }

    ParamTables();
    ParamTables(const ParamTables&) = delete;
    ParamTables& operator=(const ParamTables&) = delete;

    TextTable sprdP;
    TextTable sprdP_CH;

    // Shows channels 1..n (n = 6 or 12): sprdP_CH gets n + 2 columns.
    void setChannelCount(int n);
    int channelCount() const { return ChannelOfCol(sprdP_CH.colCount()); }

    // Fills the value cells from the data store's parameter tables.
    void RefreshFromStore(const DataStore& store);
    // Channels from..to (1-based) take the recorder's values from the store
    // where it has read them, otherwise those of a new set.
    void FillChannels(const DataStore& store, int from, int to);
    // A new set of the channels shown: the image becomes zeros with colour 0,
    // and every value cell shows the text of what a save writes for it (a
    // display mode without text keeps its cell). Rows the image has no place
    // for are emptied.
    void NewSet(ParamImage& image);
    // Image -> cells and cells -> image, channel by channel as far as both hold.
    void ImageToGrid(const ParamImage& image);
    void GridToImage(ParamImage& image) const;

    // File -> image -> cells; on failure the image and the cells stay as they were.
    bool ReadParamFile(const QString& path, ParamImage& image, QString* error = nullptr);
    // Cells -> image -> file.
    bool WriteParamFile(const QString& path, ParamImage& image, QString* error = nullptr) const;

    // The value cells of both tables, to tell later whether any has changed.
    using Values = QList<QString>;
    Values values() const;
    // The cells count as unchanged while they hold `clean`.
    void setClean(const Values& clean);
    // Where these tables differ from `from` in what a download sends (common
    // rows but the clock and reserved start; channels 1..channels), one line
    // each: "RS232 - BAUDRATE: 9600 -> 19200", "CH.03 NAME: TEMP -> PRESS".
    QStringList differencesFrom(const ParamTables& from, int channels) const;
    // Some common row first..last (1-based) holds another text than in `values`.
    bool commonRowsDiffer(const Values& values, int first, int last) const;
    bool isModified() const { return !m_changed.isEmpty(); }

private:
    void refreshChannel(const DataStore& store, int c);
    void track(int index, const QString& text);

    Values m_clean;
    QSet<int> m_changed; // indexes into Values
};
