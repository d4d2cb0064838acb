#include "sim/RecorderModel.h"

#include "core/ChannelColours.h"

#include "link/RegisterMap.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// Channel register offsets.
namespace off {
constexpr int Name = 1, UnitName = 6, DispOnOff = 9, RangeCode = 10, ScaleOnOff = 11, FpLocate = 12,
              UnitMode = 13, ReadMode = 14, ReadTime = 15, Color = 16, MathOnOff = 17, MathFType = 18,
              MathACh = 19, MathBSelect = 20, MathBCh = 21, MathBConst = 22, UserMax = 24, UserMin = 26,
              ScaleMax = 28, ScaleMin = 30, DispMax = 32, DispMin = 34, OffsetError = 36,
              HighError = 38, LowError = 40;
// Alarm a (0..3): SV, HYS, RATE floats, TYPE..RYO words, RYT 32-bit.
constexpr int AlarmSv(int a) { return 42 + 13 * a; }
constexpr int AlarmHys(int a) { return 44 + 13 * a; }
constexpr int AlarmRate(int a) { return 46 + 13 * a; }
constexpr int AlarmType(int a) { return 48 + 13 * a; }
constexpr int AlarmCch(int a) { return 49 + 13 * a; }
constexpr int AlarmTunit(int a) { return 50 + 13 * a; }
constexpr int AlarmRcd(int a) { return 51 + 13 * a; }
constexpr int AlarmRyo(int a) { return 52 + 13 * a; }
constexpr int AlarmRyt(int a) { return 53 + 13 * a; }
}

// Common register offsets.
namespace cmn {
constexpr int RecordOnOff = 1, ReserveOnOff = 18, ReserveYear = 19, SysYear = 25, SysSecond = 30;
}

// Believable channel set-ups; recorder n starts at preset n-1 so that
// recorders on one line differ.
struct Preset {
    const char* name;
    const char* unitName;
    int rangeCode, unitMode, point;
    float userMin, userMax, dispMin, dispMax;
    int alarm1Type, alarm2Type; // 1 high, 2 low, 0 off
};
constexpr std::array<Preset, 12> kPresets = {{
    {"BOILER", "", 1, 3, 1, -270.0f, 1372.0f, 0.0f, 600.0f, 1, 2},
    {"FURNACE", "", 5, 3, 1, -50.0f, 1768.0f, 0.0f, 1200.0f, 1, 0},
    {"RETURN", "", 14, 3, 1, -200.0f, 850.0f, -50.0f, 150.0f, 1, 2},
    {"SUPPLY", "", 16, 3, 1, -200.0f, 660.0f, 0.0f, 200.0f, 1, 0},
    {"PRESSURE", "bar", 18, 5, 3, -10.0f, 10.0f, 0.0f, 10.0f, 1, 2},
    {"FLOW", "m3/h", 19, 5, 2, -30.0f, 30.0f, 0.0f, 30.0f, 2, 0},
    {"COOLANT", "", 4, 3, 1, -270.0f, 400.0f, -50.0f, 100.0f, 1, 0},
    {"EXHAUST", "", 2, 3, 1, -210.0f, 1200.0f, 0.0f, 800.0f, 1, 0},
    {"AMBIENT", "", 14, 3, 1, -200.0f, 850.0f, -20.0f, 60.0f, 1, 2},
    {"LEVEL", "", 17, 2, 2, -100.0f, 100.0f, 0.0f, 100.0f, 1, 2},
    {"OVEN", "", 8, 3, 1, -270.0f, 1300.0f, 0.0f, 1200.0f, 1, 0},
    {"HUMIDITY", "", 18, 2, 1, -10.0f, 10.0f, 0.0f, 100.0f, 1, 0},
}};

float roundTo(float v, int decimals)
{
    const double f = std::pow(10.0, std::clamp(decimals, 0, 4));
    return static_cast<float>(std::round(v * f) / f);
}

quint16 wordOf(const char* text, int k)
{
    const qsizetype n = static_cast<qsizetype>(std::strlen(text));
    const auto at = [&](qsizetype i) { return i < n ? static_cast<quint8>(text[i]) : quint8(' '); };
    return static_cast<quint16>((at(2 * k) << 8) | at(2 * k + 1));
}

quint32 floatBits(float v)
{
    quint32 u;
    std::memcpy(&u, &v, 4);
    return u;
}

quint16 leU16(const QByteArray& b, int at)
{
    return static_cast<quint16>(static_cast<quint8>(b[at]) | (static_cast<quint8>(b[at + 1]) << 8));
}
quint32 leU32(const QByteArray& b, int at)
{
    return static_cast<quint32>(leU16(b, at)) | (static_cast<quint32>(leU16(b, at + 2)) << 16);
}

} // namespace

RecorderModel::RecorderModel(int device, int modelCode, const QDateTime& start)
    : m_device(device), m_model(modelCode), m_clockBase(start)
{
    setDefaults();
    refresh();
}

void RecorderModel::setDefaults()
{
    // Common settings: recording on, trend screen, Modbus on both ports.
    const std::array<quint16, 16> first = {1, 1, 1, 1, 1, 1, 6, 0, 0, 1, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        m_common[i] = first[i];
    const std::array<quint16, 7> reserve = {0, 2027, 1, 1, 8, 0, 0};
    for (int i = 0; i < 7; ++i)
        m_common[cmn::ReserveOnOff - 1 + i] = reserve[i];
    for (int port = 0; port < 2; ++port) {
        const int b = 31 + 7 * port;
        const std::array<quint16, 7> comm = {static_cast<quint16>(m_device), 0, 0, 0, 8, 1, 0};
        for (int i = 0; i < 7; ++i)
            m_common[b - 1 + i] = comm[i];
    }
    for (int n = 0; n < 6; ++n) {
        const int b = 45 + 5 * n;
        m_common[b - 1] = 1;       // LEVEL high
        m_common[b] = 127;         // RCD bypass
        m_common[b + 1] = 0;       // RYO none
        setCommonU32(b + 3, 0);    // RYT
    }

    for (int c = 1; c <= 12; ++c) {
        const Preset& p = kPresets[(c - 1 + m_device - 1) % 12];
        auto& r = m_ch[c - 1];
        for (int k = 0; k < 5; ++k)
            r[off::Name - 1 + k] = wordOf(p.name, k);
        for (int k = 0; k < 3; ++k)
            r[off::UnitName - 1 + k] = wordOf(p.unitName, k);
        r[off::DispOnOff - 1] = 1;
        r[off::RangeCode - 1] = static_cast<quint16>(p.rangeCode);
        r[off::ScaleOnOff - 1] = p.unitMode == 5 || p.unitMode == 2 ? 1 : 0;
        r[off::FpLocate - 1] = static_cast<quint16>(p.point);
        r[off::UnitMode - 1] = static_cast<quint16>(p.unitMode);
        r[off::ReadMode - 1] = 0;
        r[off::ReadTime - 1] = 1;
        r[off::Color - 1] = static_cast<quint16>((c - 1 + m_device - 1) % 12);
        r[off::MathOnOff - 1] = 0;
        r[off::MathFType - 1] = 1;
        r[off::MathACh - 1] = static_cast<quint16>(c);
        r[off::MathBSelect - 1] = 1;
        r[off::MathBCh - 1] = static_cast<quint16>(c);
        setChannelFloat(c, off::MathBConst, 1.0f);
        setChannelFloat(c, off::UserMax, p.userMax);
        setChannelFloat(c, off::UserMin, p.userMin);
        setChannelFloat(c, off::ScaleMax, p.dispMax);
        setChannelFloat(c, off::ScaleMin, p.dispMin);
        setChannelFloat(c, off::DispMax, p.dispMax);
        setChannelFloat(c, off::DispMin, p.dispMin);
        setChannelFloat(c, off::OffsetError, 0.0f);
        setChannelFloat(c, off::HighError, 0.0f);
        setChannelFloat(c, off::LowError, 0.0f);
        const float span = p.dispMax - p.dispMin;
        for (int a = 0; a < 4; ++a) {
            const int type = a == 0 ? p.alarm1Type : a == 1 ? p.alarm2Type : 0;
            const float sv = type == 2 ? p.dispMin + 0.2f * span : p.dispMin + 0.8f * span;
            setChannelFloat(c, off::AlarmSv(a), type ? roundTo(sv, p.point) : 0.0f);
            setChannelFloat(c, off::AlarmHys(a), type ? roundTo(0.01f * span, p.point) : 0.0f);
            setChannelFloat(c, off::AlarmRate(a), 0.0f);
            r[off::AlarmType(a) - 1] = static_cast<quint16>(type);
            r[off::AlarmCch(a) - 1] = static_cast<quint16>(c);
            r[off::AlarmTunit(a) - 1] = 2;
            r[off::AlarmRcd(a) - 1] = 127;
            // First alarms of channels 1..6 drive relays 1..6.
            r[off::AlarmRyo(a) - 1] = a == 0 && c <= 6 ? static_cast<quint16>(c) : 0;
            setChannelU32(c, off::AlarmRyt(a), a == 0 && c <= 6 ? 5 : 0);
        }
    }
}

void RecorderModel::setChannelFloat(int c, int i, float v)
{
    setChannelU32(c, i, floatBits(v));
}

void RecorderModel::setChannelU32(int c, int i, quint32 v)
{
    m_ch[c - 1][i - 1] = static_cast<quint16>(v >> 16);
    m_ch[c - 1][i] = static_cast<quint16>(v & 0xFFFF);
}

void RecorderModel::setCommonU32(int i, quint32 v)
{
    m_common[i - 1] = static_cast<quint16>(v >> 16);
    m_common[i] = static_cast<quint16>(v & 0xFFFF);
}

float RecorderModel::channelFloat(int c, int i) const
{
    const quint32 u = (static_cast<quint32>(m_ch[c - 1][i - 1]) << 16) | m_ch[c - 1][i];
    float v;
    std::memcpy(&v, &u, 4);
    return v;
}

float RecorderModel::pv(int channel) const
{
    return channel >= 1 && channel <= 12 ? m_pv[channel - 1] : 0.0f;
}

void RecorderModel::advance(qint64 ms)
{
    if (ms > m_now)
        m_now = ms;
    refresh();
}

QDateTime RecorderModel::clock() const
{
    return m_clockBase.addMSecs(m_now - m_clockSetAt);
}

void RecorderModel::setClock(const QDateTime& t)
{
    m_clockBase = t;
    m_clockSetAt = m_now;
    refresh();
}

void RecorderModel::setBurnOut(int channel, bool on)
{
    if (channel >= 1 && channel <= 12)
        m_burnOut[channel - 1] = on;
    refresh();
}

bool RecorderModel::recording() const
{
    if (m_common[cmn::RecordOnOff - 1])
        return true;
    if (!m_common[cmn::ReserveOnOff - 1])
        return false;
    const auto& r = m_common;
    const int y = cmn::ReserveYear - 1;
    const QDateTime start(QDate(r[y], r[y + 1], r[y + 2]), QTime(r[y + 3], r[y + 4], r[y + 5]), Qt::UTC);
    return start.isValid() && clock() >= start;
}

void RecorderModel::refreshClockRegisters()
{
    const QDateTime t = clock();
    const std::array<int, 6> f = {t.date().year(), t.date().month(), t.date().day(),
                                  t.time().hour(), t.time().minute(), t.time().second()};
    for (int i = 0; i < 6; ++i) {
        m_in[2 + i] = static_cast<quint16>(f[i]);
        m_common[cmn::SysYear - 1 + i] = static_cast<quint16>(f[i]);
    }
}

void RecorderModel::refresh()
{
    refreshClockRegisters();
    const double t = m_now / 1000.0;
    constexpr double kTwoPi = 2.0 * std::numbers::pi;

    std::array<quint16, 3> alarmWords{}; // channels 1-4, 5-8, 9-12
    std::array<quint16, 2> boWords{};    // channels 1-6, 7-12
    quint16 relays = 0;
    for (int c = 1; c <= 12; ++c) {
        float v = 0.0f;
        if (c <= channelCount()) {
            const float lo = channelFloat(c, off::DispMin);
            const float hi = channelFloat(c, off::DispMax);
            const double span = double(hi) - lo;
            const double period = 40.0 + 13.0 * c + 5.0 * m_device;
            const double phase = 0.7 * (7 * m_device + 3 * c);
            const double x = kTwoPi * t / period + phase;
            v = static_cast<float>((lo + hi) / 2.0 + span * (0.38 * std::sin(x) + 0.06 * std::sin(3.3 * x + phase)));
            if (m_burnOut[c - 1]) {
                v = hi;
                boWords[(c - 1) / 6] |= static_cast<quint16>(1u << (2 * ((c - 1) % 6)));
            }
            v = roundTo(v, m_ch[c - 1][off::FpLocate - 1]);
            for (int a = 0; a < 4; ++a) {
                const int type = m_ch[c - 1][off::AlarmType(a) - 1];
                const float sv = channelFloat(c, off::AlarmSv(a));
                const float hys = std::fabs(channelFloat(c, off::AlarmHys(a)));
                bool& on = m_alarmOn[c - 1][a];
                if (type == 0)
                    on = false;
                else if (type % 2) // high limit
                    on = on ? v > sv - hys : v > sv;
                else               // low limit
                    on = on ? v < sv + hys : v < sv;
                if (on) {
                    alarmWords[(c - 1) / 4] |= static_cast<quint16>(1u << (4 * ((c - 1) % 4) + a));
                    const int ryo = m_ch[c - 1][off::AlarmRyo(a) - 1];
                    if (ryo >= 1 && ryo <= 6)
                        relays |= static_cast<quint16>(1u << (ryo - 1));
                }
            }
        } else {
            m_alarmOn[c - 1] = {};
        }
        m_pv[c - 1] = v;
        const quint32 bits = floatBits(v);
        m_in[16 + 2 * (c - 1)] = static_cast<quint16>(bits >> 16);
        m_in[17 + 2 * (c - 1)] = static_cast<quint16>(bits & 0xFFFF);
    }

    const long secs = static_cast<long>(m_now / 1000);
    quint16 sdDi = 0x8000; // card present
    for (int k = 0; k < 2; ++k)
        if ((secs / (20 * (k + 1) + m_device)) % 2)
            sdDi |= static_cast<quint16>(1u << k);

    m_in[0] = static_cast<quint16>(m_model);
    m_in[1] = kFirmware;
    m_in[8] = recording() ? 1 : 0;
    m_in[9] = boWords[1];
    m_in[10] = boWords[0];
    m_in[11] = alarmWords[2];
    m_in[12] = alarmWords[1];
    m_in[13] = alarmWords[0];
    m_in[14] = sdDi;
    m_in[15] = relays;
    const quint32 rjc = floatBits(roundTo(static_cast<float>(23.5 + 1.5 * std::sin(kTwoPi * t / 600.0)), 1));
    m_in[40] = static_cast<quint16>(rjc >> 16);
    m_in[41] = static_cast<quint16>(rjc & 0xFFFF);
    const quint32 used = 1200000u + 100000u * static_cast<quint32>(m_device) + static_cast<quint32>(2 * secs);
    m_in[42] = static_cast<quint16>(kSdcTotal >> 16);
    m_in[43] = static_cast<quint16>(kSdcTotal & 0xFFFF);
    m_in[44] = static_cast<quint16>(used >> 16);
    m_in[45] = static_cast<quint16>(used & 0xFFFF);
    m_in[46] = static_cast<quint16>((10 * m_device + secs / 60) % 100);
}

quint16 RecorderModel::reg(int number) const
{
    QList<quint16> v;
    return read(number, 1, &v) == 0 ? v[0] : 0;
}

quint8 RecorderModel::read(int first, int count, QList<quint16>* out) const
{
    if (count < 1 || count > 125)
        return mbex::IllegalValue;
    const int last = first + count - 1;
    const quint16* block = nullptr;
    int base = 0;
    if (first >= regmap::kInputFirst && last < regmap::kInputFirst + regmap::kInputCount) {
        block = m_in.data();
        base = regmap::kInputFirst;
    } else if (first >= regmap::kCommonFirst && last < regmap::kCommonFirst + regmap::kCommonCount) {
        block = m_common.data();
        base = regmap::kCommonFirst;
    } else {
        const int c = (first - 40000) / 100;
        if (c < 1 || c > 12 || first < regmap::ChannelBase(c) + 1 || last > regmap::ChannelBase(c) + regmap::kChannelRegs)
            return mbex::IllegalAddress;
        block = m_ch[c - 1].data();
        base = regmap::ChannelBase(c) + 1;
    }
    out->clear();
    for (int r = first; r <= last; ++r)
        out->append(block[r - base]);
    return 0;
}

quint8 RecorderModel::write(int first, const QList<quint16>& values)
{
    const int count = static_cast<int>(values.size());
    if (count < 1 || count > 123)
        return mbex::IllegalValue;
    const int last = first + count - 1;
    if (first >= regmap::kCommonFirst && last < regmap::kCommonFirst + regmap::kCommonCount) {
        auto next = m_common;
        for (int r = first; r <= last; ++r)
            next[r - regmap::kCommonFirst] = values[r - first];
        // A write touching the system date sets the clock from all six fields.
        const bool clockTouched = first <= 40000 + cmn::SysSecond && last >= 40000 + cmn::SysYear;
        QDateTime t;
        if (clockTouched) {
            const auto f = [&](int i) { return static_cast<int>(next[cmn::SysYear - 1 + i]); };
            const QDate d(f(0), f(1), f(2));
            const QTime tm(f(3), f(4), f(5));
            if (f(0) < 1 || !d.isValid() || !tm.isValid())
                return mbex::IllegalValue;
            t = QDateTime(d, tm, Qt::UTC);
        }
        m_common = next;
        if (clockTouched)
            setClock(t);
        refresh();
        return 0;
    }
    const int c = (first - 40000) / 100;
    if (c < 1 || c > 12 || first < regmap::ChannelBase(c) + 1 || last > regmap::ChannelBase(c) + regmap::kChannelRegs)
        return mbex::IllegalAddress;
    auto next = m_ch[c - 1];
    for (int r = first; r <= last; ++r) {
        const int i = r - regmap::ChannelBase(c);
        quint16 v = values[r - first];
        if (i == off::Color && v > 11) {
            // A download carries the colour as its RGB565 value.
            const auto n = colours::NumberOfRgb565(v);
            if (!n)
                return mbex::IllegalValue;
            v = static_cast<quint16>(*n);
        }
        next[i - 1] = v;
    }
    m_ch[c - 1] = next;
    refresh();
    return 0;
}

bool RecorderModel::loadParamImage(const QByteArray& image, QString* error)
{
    constexpr int kImageSize = 3032;
    if (image.size() != kImageSize) {
        if (error)
            *error = QStringLiteral("a parameter file holds %1 bytes, not %2").arg(kImageSize).arg(image.size());
        return false;
    }
    // Checks every colour before changing anything.
    for (int c = 0; c < 6; ++c) {
        const quint16 color = leU16(image, 1232 + 300 * c + 2);
        if (color > 11 && !colours::NumberOfRgb565(color)) {
            if (error)
                *error = QStringLiteral("channel %1 has an unknown colour %2").arg(c + 1).arg(color, 4, 16, QLatin1Char('0'));
            return false;
        }
    }
    // Common words: file offset -> register offset.
    const std::array<std::pair<int, int>, 35> common = {{
        {788, 1}, {1024, 2}, {1026, 3}, {1028, 4}, {1030, 7}, {1034, 14}, {1036, 5}, {1038, 6},
        {1040, 10}, {1042, 11}, {1044, 12}, {1046, 13}, {1048, 9}, {1050, 8}, {1052, 19}, {1054, 20},
        {1056, 21}, {1058, 22}, {1060, 23}, {1062, 24}, {1064, 18}, {1066, 15}, {1068, 16},
        {1100, 31}, {1102, 32}, {1104, 33}, {1106, 34}, {1108, 35}, {1110, 36}, {1112, 37},
        {1114, 38}, {1116, 39}, {1118, 40}, {1120, 41}, {1122, 42},
    }};
    for (const auto& [at, i] : common)
        m_common[i - 1] = leU16(image, at);
    m_common[43 - 1] = leU16(image, 1124);
    m_common[44 - 1] = leU16(image, 1126);
    for (int n = 0; n < 6; ++n) {
        const int at = 1128 + 12 * n, b = 45 + 5 * n;
        m_common[b - 1] = leU16(image, at);
        m_common[b] = leU16(image, at + 2);
        m_common[b + 1] = leU16(image, at + 6);
        setCommonU32(b + 3, leU32(image, at + 8));
    }
    for (int c = 1; c <= 6; ++c) {
        const int at = 1232 + 300 * (c - 1);
        auto& r = m_ch[c - 1];
        const auto word = [&](int o) { return leU16(image, at + o); };
        r[off::DispOnOff - 1] = word(0);
        const quint16 color = word(2);
        r[off::Color - 1] = static_cast<quint16>(color > 11 ? colours::NumberOfRgb565(color).value_or(0) : color);
        r[off::RangeCode - 1] = word(4);
        r[off::ScaleOnOff - 1] = word(6);
        r[off::UnitMode - 1] = word(8);
        r[off::ReadMode - 1] = word(10);
        r[off::ReadTime - 1] = word(12);
        r[off::FpLocate - 1] = word(14);
        const std::array<int, 10> floats = {off::UserMax, off::UserMin, off::ScaleMax, off::ScaleMin, off::DispMax,
                                            off::DispMin, off::OffsetError, off::HighError, off::LowError,
                                            off::MathBConst};
        for (int k = 0; k < 10; ++k)
            setChannelU32(c, floats[k], leU32(image, at + 16 + 4 * k));
        r[off::MathOnOff - 1] = word(56);
        r[off::MathFType - 1] = word(58);
        r[off::MathACh - 1] = word(60);
        r[off::MathBCh - 1] = word(62);
        r[off::MathBSelect - 1] = word(64);
        for (int a = 0; a < 4; ++a) {
            const int ab = 92 + 28 * a;
            r[off::AlarmType(a) - 1] = word(ab);
            r[off::AlarmCch(a) - 1] = word(ab + 2);
            r[off::AlarmTunit(a) - 1] = word(ab + 4);
            r[off::AlarmRcd(a) - 1] = word(ab + 6);
            r[off::AlarmRyo(a) - 1] = word(ab + 10);
            setChannelU32(c, off::AlarmRyt(a), leU32(image, at + ab + 12));
            setChannelU32(c, off::AlarmSv(a), leU32(image, at + ab + 16));
            setChannelU32(c, off::AlarmHys(a), leU32(image, at + ab + 20));
            setChannelU32(c, off::AlarmRate(a), leU32(image, at + ab + 24));
        }
        // Characters: one per 2-byte slot, code in the first byte.
        const auto chars = [&](int o, int count, int firstReg) {
            for (int k = 0; k < count / 2; ++k) {
                const quint8 hi = static_cast<quint8>(image[at + o + 4 * k]);
                const quint8 lo = static_cast<quint8>(image[at + o + 4 * k + 2]);
                r[firstReg - 1 + k] = static_cast<quint16>((hi << 8) | lo);
            }
        };
        chars(204, 6, off::UnitName);
        chars(216, 10, off::Name);
    }
    refresh();
    return true;
}
