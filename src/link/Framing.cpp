#include "link/Framing.h"

#include <array>
#include <cstring>

namespace {
constexpr std::array<quint16, 256> makeTable()
{
    std::array<quint16, 256> t{};
    for (int i = 0; i < 256; ++i) {
        quint16 crc = static_cast<quint16>(i);
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0xA001) : static_cast<quint16>(crc >> 1);
        t[i] = crc;
    }
    return t;
}
constexpr auto kCrcTable = makeTable();
}

quint16 Crc16(const char* data, qsizetype n)
{
    quint16 crc = 0xFFFF;
    for (qsizetype i = 0; i < n; ++i)
        crc = static_cast<quint16>((crc >> 8) ^ kCrcTable[(crc ^ static_cast<quint8>(data[i])) & 0xFF]);
    return crc;
}

void AppendCrc(QByteArray& frame)
{
    if (frame.size() < 2)
        return;
    const quint16 crc = Crc16(frame.constData(), frame.size() - 2);
    frame[frame.size() - 2] = static_cast<char>(crc & 0xFF);
    frame[frame.size() - 1] = static_cast<char>(crc >> 8);
}

bool CheckCrc(const QByteArray& frame)
{
    if (frame.size() < 3)
        return false;
    const quint16 crc = Crc16(frame.constData(), frame.size() - 2);
    return static_cast<quint8>(frame[frame.size() - 2]) == (crc & 0xFF)
        && static_cast<quint8>(frame[frame.size() - 1]) == (crc >> 8);
}

QByteArray BuildReadRequest(quint8 device, quint16 firstRegister, quint16 count)
{
    QByteArray f;
    f.reserve(8);
    f.append(static_cast<char>(device));
    f.append(static_cast<char>(modbus::kReadHolding));
    AppendU16BE(f, firstRegister);
    AppendU16BE(f, count);
    f.append(2, '\0');
    AppendCrc(f);
    return f;
}

QByteArray BuildWriteRequest(quint8 device, quint16 firstRegister, const QByteArray& data)
{
    const int n = static_cast<int>(data.size() / 2);
    QByteArray f;
    f.reserve(9 + 2 * n);
    f.append(static_cast<char>(device));
    f.append(static_cast<char>(modbus::kWriteMultiple));
    AppendU16BE(f, firstRegister);
    AppendU16BE(f, static_cast<quint16>(n));
    f.append(static_cast<char>(n & 0xFF));
    f.append(data.left(2 * n));
    f.append(2, '\0');
    AppendCrc(f);
    return f;
}

QByteArray SingleToBytes(float value)
{
    QByteArray b(4, '\0');
    quint32 u;
    std::memcpy(&u, &value, 4);
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return b;
}

float BytesToSingle(const QByteArray& bytes)
{
    const quint32 u = static_cast<quint32>(BytesToLong(bytes));
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

QByteArray LongToBytes(qint32 value)
{
    QByteArray b(4, '\0');
    const quint32 u = static_cast<quint32>(value);
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return b;
}

qint32 BytesToLong(const QByteArray& bytes)
{
    quint32 u = 0;
    for (int i = 0; i < 4 && i < bytes.size(); ++i)
        u |= static_cast<quint32>(static_cast<quint8>(bytes[i])) << (8 * i);
    return static_cast<qint32>(u);
}

QByteArray IntegerToBytes(qint16 value)
{
    QByteArray b(2, '\0');
    b[0] = static_cast<char>(value & 0xFF);
    b[1] = static_cast<char>((static_cast<quint16>(value) >> 8) & 0xFF);
    return b;
}

qint16 BytesToInteger(const QByteArray& bytes)
{
    quint16 u = 0;
    for (int i = 0; i < 2 && i < bytes.size(); ++i)
        u |= static_cast<quint16>(static_cast<quint8>(bytes[i]) << (8 * i));
    return static_cast<qint16>(u);
}

QString HexByte(int value)
{
    QString s = QString::number(static_cast<uint>(value), 16).toUpper();
    if (s.size() % 2)
        s.prepend(u'0');
    return s;
}

quint16 GetU16BE(const QByteArray& f, qsizetype at)
{
    if (at < 0 || at + 2 > f.size())
        return 0;
    return static_cast<quint16>((static_cast<quint8>(f[at]) << 8) | static_cast<quint8>(f[at + 1]));
}

quint32 GetU32BE(const QByteArray& f, qsizetype at)
{
    return (static_cast<quint32>(GetU16BE(f, at)) << 16) | GetU16BE(f, at + 2);
}

float GetF32BE(const QByteArray& f, qsizetype at)
{
    const quint32 u = GetU32BE(f, at);
    float v;
    std::memcpy(&v, &u, 4);
    return v;
}

void AppendU16BE(QByteArray& out, quint16 v)
{
    out.append(static_cast<char>(v >> 8));
    out.append(static_cast<char>(v & 0xFF));
}

void AppendU32BE(QByteArray& out, quint32 v)
{
    AppendU16BE(out, static_cast<quint16>(v >> 16));
    AppendU16BE(out, static_cast<quint16>(v & 0xFFFF));
}

void AppendF32BE(QByteArray& out, float v)
{
    quint32 u;
    std::memcpy(&u, &v, 4);
    AppendU32BE(out, u);
}
