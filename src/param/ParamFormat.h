#pragma once
// Where each key of the editor's tables lives in the parameter image and how
// its cell text is encoded there.
#include <QList>
#include <QString>
#include <optional>

class ParamImage;

enum class ParamEnc {
    OnOff,        // "ON" 1 / "OFF" 0
    DisplayMode,  // "H.TREND" 1, "V.TREND" 3, "TEXT-VIEW" 5, "BAR GRAPH" 6, "HISTORY-VIEW" 17
    TwoText,      // text0 0 / text1 1
    Protocol,     // always 0, shown as "Modbus RTU"
    Baud,         // "9600" .. "57600" = 0..3
    Parity,       // "NONE" 0, "ODD" 1, "EVEN" 2
    RecordAction, // "STOP" 0, "START" 1, "BYPASS" 127
    TimeUnit,     // "HOUR" 0, "MIN." 1, "SEC." 2
    ReadMethod,   // "DIRECT" 0, "MAX" 1, "MIN" 2, "AVG" 3
    DiLevel,      // "HIGH" 1, "LOW" 0, or a number
    Number,       // 16-bit integer
    Number32,     // 32-bit integer
    Real,         // single precision
    Chars,        // characters in two-byte width
    Colour,       // colour number "0".."11" as RGB565
};

struct ParamField {
    int row = 0;     // row of sprdP (common) or sprdP_CH (channel)
    int offset = 0;  // from the image start (common) or the channel block start
    ParamEnc enc = ParamEnc::Number;
    int width = 0;   // characters of a Chars field
    const char* text0 = nullptr; // texts of a TwoText field
    const char* text1 = nullptr;

    int size() const;
};

// Common and digital-input keys, in the order they are visited.
const QList<ParamField>& CommonFields();
// Keys of one channel block, in the order they are visited.
const QList<ParamField>& ChannelFields();
// The field of a row; null when the row has none in the image.
const ParamField* CommonFieldOfRow(int row);
const ParamField* ChannelFieldOfRow(int row);

// Cell text of a field at base + field.offset; empty when the cell keeps its text.
std::optional<QString> DecodeField(const ParamField& f, const ParamImage& image, int base);
// Stores the value of a cell text; false (field unchanged) for a text the
// encoding does not list or a number the field cannot hold.
bool EncodeField(const ParamField& f, const QString& text, ParamImage& image, int base);

// Channel colours: number 0..11 <-> RGB565 value <-> screen colour.
