#pragma once
// One simulated recorder: its registers, its clock and its live values.
// Time is passed in by the caller (milliseconds since the simulation
// started), so a run is repeatable and tests never wait.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>

// Modbus exception codes the recorder answers with.
namespace mbex {
constexpr quint8 IllegalFunction = 1;
constexpr quint8 IllegalAddress = 2;
constexpr quint8 IllegalValue = 3;
constexpr quint8 DeviceFailure = 4;
}


class RecorderModel {
public:
    static constexpr int kFirmware = 0x0203;
    static constexpr quint32 kSdcTotal = 7741440; // KB of an 8 GB card

    // modelCode 10..19: 6 channels; 20..29: 12 channels.
    explicit RecorderModel(int device = 1, int modelCode = 10,
                           const QDateTime& start = QDateTime(QDate(2026, 12, 4), QTime(10, 0), Qt::UTC));

    int device() const { return m_device; }
    int modelCode() const { return m_model; }
    int channelCount() const { return m_model >= 20 ? 12 : 6; }

    // Moves the clock and the live values to ms after the start. Time never
    // goes backwards: an earlier ms is ignored.
    void advance(qint64 ms);
    qint64 now() const { return m_now; }

    // Register values of first..first+count-1, all inside one block.
    // Returns 0 and fills *out, or a Modbus exception code.
    quint8 read(int first, int count, QList<quint16>* out) const;
    // Writes holding registers inside one block; nothing changes on an
    // exception (returned as its code, 0 for success).
    quint8 write(int first, const QList<quint16>& values);
    // One register (input or holding); 0 outside the map.
    quint16 reg(int number) const;

    QDateTime clock() const;
    void setClock(const QDateTime& t);

    // Forces channel c (1..12) into burn-out.
    void setBurnOut(int channel, bool on);
    // Loads a 3032-byte parameter image (little-endian, six channels).
    bool loadParamImage(const QByteArray& image, QString* error);

    // Channel register offset i (1..93) of channel c, for tests and defaults.
    quint16 channelReg(int c, int i) const { return m_ch[c - 1][i - 1]; }
    float channelFloat(int c, int i) const;
    float pv(int channel) const;

private:
    void setDefaults();
    void setChannelFloat(int c, int i, float v);
    void setChannelU32(int c, int i, quint32 v);
    void setCommonU32(int i, quint32 v);
    void refresh();
    void refreshClockRegisters();
    bool recording() const;

    int m_device;
    int m_model;
    qint64 m_now = 0;
    QDateTime m_clockBase;  // clock reading at m_clockSetAt
    qint64 m_clockSetAt = 0;
    std::array<quint16, 47> m_in{};
    std::array<quint16, 74> m_common{};
    std::array<std::array<quint16, 93>, 12> m_ch{};
    std::array<std::array<bool, 4>, 12> m_alarmOn{};
    std::array<bool, 12> m_burnOut{};
    std::array<float, 12> m_pv{};
};
