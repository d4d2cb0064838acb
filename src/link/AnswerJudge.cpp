#include "link/AnswerJudge.h"

#include "link/Framing.h"

namespace {

bool crcOk(const QByteArray& b, qsizetype at, qsizetype length)
{
    if (length < 4 || at + length > b.size())
        return false;
    const quint16 crc = Crc16(b.constData() + at, length - 2);
    return static_cast<quint8>(b[at + length - 2]) == (crc & 0xFF) && static_cast<quint8>(b[at + length - 1]) == (crc >> 8);
}

quint8 byteAt(const QByteArray& b, qsizetype at)
{
    return static_cast<quint8>(b[at]);
}

// Length a slave's answer at `at` declares by its function (and byte count):
// 0 while too few bytes tell, -1 for a function no answer has.
qsizetype declaredLength(const QByteArray& b, qsizetype at)
{
    const qsizetype have = b.size() - at;
    if (have < 2)
        return 0;
    const quint8 device = byteAt(b, at);
    const quint8 fn = byteAt(b, at + 1);
    if (device < 1 || device > 247)
        return -1;
    if (fn & 0x80)
        return (fn & 0x7F) >= 1 && (fn & 0x7F) <= 24 ? 5 : -1;
    switch (fn) {
    case 1: case 2: case 3: case 4:
        return have < 3 ? 0 : 5 + byteAt(b, at + 2);
    case 5: case 6: case 15: case 16:
        return 8;
    default:
        return -1;
    }
}

// Length of the whole answer asked for (or the refusal) at `at`, 0 when there is none.
qsizetype answerAt(const QByteArray& b, qsizetype at, const Expect& e, bool* refused)
{
    if (b.size() - at < 2 || byteAt(b, at) != e.device)
        return 0;
    const quint8 fn = byteAt(b, at + 1);
    if (fn == (e.function | 0x80)) {
        *refused = true;
        return crcOk(b, at, 5) ? 5 : 0;
    }
    *refused = false;
    if (fn != e.function || !crcOk(b, at, e.length))
        return 0;
    // A read answer carries its byte count, a write answer repeats the request's address and count.
    if (fn == modbus::kReadHolding && byteAt(b, at + 2) != e.length - 5)
        return 0;
    if (fn == modbus::kWriteMultiple && b.mid(at, 6) != e.request.left(6))
        return 0;
    return e.length;
}

// The next offset after `from` where a frame could begin, at most `limit`.
qsizetype nextStart(const QByteArray& b, qsizetype from, qsizetype limit, const Expect& e)
{
    qsizetype k = from;
    while (k < limit && byteAt(b, k) != e.device && declaredLength(b, k) < 0)
        ++k;
    return k;
}

// The head of bytes that do not begin with the answer: another device's
// whole frame (ending within `limit`), or noise up to the next possible start.
Judgement stray(const QByteArray& b, qsizetype limit, const Expect& e)
{
    const qsizetype n = declaredLength(b, 0);
    if (byteAt(b, 0) != e.device && n > 0 && n <= limit && crcOk(b, 0, n))
        return {Judgement::Foreign, n};
    return {Judgement::Noise, qMax<qsizetype>(1, nextStart(b, 1, limit, e))};
}

// No answer anywhere in the bytes: is the head the device's broken answer,
// another device's frame, noise, or not yet known?
Judgement undecided(const QByteArray& b, const Expect& e)
{
    const qsizetype have = b.size();
    const qsizetype n = declaredLength(b, 0);
    if (byteAt(b, 0) == e.device) {
        if (have < 2)
            return {};
        const quint8 fn = byteAt(b, 1);
        if (fn == (e.function | 0x80))
            return have < 5 ? Judgement{} : Judgement{Judgement::Bad, have, Failure::BadCrc};
        if (fn == e.function) {
            // A whole frame of another length (another block's answer) is known at once.
            if (n > 0 && n != e.length && n <= have && crcOk(b, 0, n))
                return {Judgement::Bad, have, Failure::WrongAnswer};
            if (have < qMax<qsizetype>(e.length, n))
                return {};
            return {Judgement::Bad, have, crcOk(b, 0, e.length) ? Failure::WrongAnswer : Failure::BadCrc};
        }
        if (n > 0 && n <= have && crcOk(b, 0, n))
            return {Judgement::Bad, have, Failure::WrongFunction};
        if (n == 0 || (n > 0 && n > have))
            return {};
        return stray(b, have, e); // a noise byte that looks like the address
    }
    if (n == 0 || (n > 0 && n > have))
        return {}; // perhaps another device's frame, still coming
    return stray(b, have, e);
}

} // namespace

QString FailureText(Failure f)
{
    switch (f) {
    case Failure::None: return QStringLiteral("OK");
    case Failure::Timeout: return QStringLiteral("time-out");
    case Failure::BadCrc: return QStringLiteral("CRC error");
    case Failure::WrongFunction: return QStringLiteral("wrong function");
    case Failure::WrongAnswer: return QStringLiteral("not the answer asked for");
    case Failure::Exception: return QStringLiteral("refused");
    case Failure::Noise: return QStringLiteral("noise");
    }
    return {};
}

QString ExceptionMeaning(quint8 code)
{
    switch (code) {
    case 1: return QStringLiteral("illegal function");
    case 2: return QStringLiteral("illegal data address");
    case 3: return QStringLiteral("illegal data value");
    case 4: return QStringLiteral("device failure");
    case 5: return QStringLiteral("acknowledge");
    case 6: return QStringLiteral("device busy");
    case 8: return QStringLiteral("memory parity error");
    default: return QStringLiteral("exception");
    }
}

QString ExceptionText(quint8 code)
{
    return QStringLiteral("%1 (%2)").arg(ExceptionMeaning(code), HexByte(code));
}

Judgement JudgeAnswer(const QByteArray& b, const Expect& e)
{
    if (b.isEmpty())
        return {};
    bool refused = false;
    for (qsizetype at = 0; at + 1 < b.size(); ++at) {
        const qsizetype n = answerAt(b, at, e, &refused);
        if (n == 0)
            continue;
        if (at > 0)
            return stray(b, at, e); // what came before the answer
        if (b.size() > n)
            return {Judgement::Bad, b.size(), Failure::WrongAnswer}; // bytes behind it
        if (refused)
            return {Judgement::Exception, n, Failure::Exception, byteAt(b, 2)};
        return {Judgement::Answer, n};
    }
    return undecided(b, e);
}
