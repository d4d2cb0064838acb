#pragma once
// Modbus RTU frames of the recorders and the byte conversions around them.
// Frames are big-endian on the wire; the conversions below copy values in
// the little-endian memory order (byte 0 least significant).
#include <QByteArray>
#include <QString>

namespace modbus {
constexpr quint8 kReadHolding = 3;
constexpr quint8 kWriteMultiple = 16;
constexpr int kWriteAnswerLength = 8;
}

// CRC-16/MODBUS over n bytes.
quint16 Crc16(const char* data, qsizetype n);
// Stores the CRC of bytes 0..size-3 into the last two bytes (low byte first).
void AppendCrc(QByteArray& frame);
// True when the last two bytes hold the CRC of the bytes before them.
bool CheckCrc(const QByteArray& frame);

// Read request (function 3): the address field carries the register number
// itself (30001 -> 0x75 0x31).
QByteArray BuildReadRequest(quint8 device, quint16 firstRegister, quint16 count);
// Write request (function 16) of data.size()/2 registers. The byte-count field
// carries the register count N, not 2N, as the recorders expect.
QByteArray BuildWriteRequest(quint8 device, quint16 firstRegister, const QByteArray& data);
// Length of the answer to a read of count registers.
constexpr int ReadAnswerLength(int count) { return 5 + 2 * count; }

// Little-endian conversions.
QByteArray SingleToBytes(float value);
float BytesToSingle(const QByteArray& bytes);
QByteArray LongToBytes(qint32 value);
qint32 BytesToLong(const QByteArray& bytes);
QByteArray IntegerToBytes(qint16 value);
qint16 BytesToInteger(const QByteArray& bytes);

// Upper-case hex text, with a "0" in front when its length is odd.
QString HexByte(int value);

// Big-endian field access inside frames.
quint16 GetU16BE(const QByteArray& frame, qsizetype at);
quint32 GetU32BE(const QByteArray& frame, qsizetype at);
float GetF32BE(const QByteArray& frame, qsizetype at);
void AppendU16BE(QByteArray& out, quint16 v);
void AppendU32BE(QByteArray& out, quint32 v);
void AppendF32BE(QByteArray& out, float v);
