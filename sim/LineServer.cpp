#include "sim/LineServer.h"

#include "link/Framing.h"

const char* FaultName(Fault f)
{
    switch (f) {
    case Fault::Silent: return "silent";
    case Fault::Crc: return "crc";
    case Fault::Drop: return "dropped";
    case Fault::Delay: return "delayed";
    case Fault::Noise: return "noise";
    case Fault::Truncate: return "truncated";
    case Fault::WrongId: return "wrong-id";
    case Fault::Exception: return "exception";
    }
    return "?";
}

void FaultCounts::add(Fault f)
{
    switch (f) {
    case Fault::Silent: ++silent; break;
    case Fault::Crc: ++crc; break;
    case Fault::Drop: ++dropped; break;
    case Fault::Delay: ++delayed; break;
    case Fault::Noise: ++noise; break;
    case Fault::Truncate: ++truncated; break;
    case Fault::WrongId: ++wrongId; break;
    case Fault::Exception: ++exception; break;
    }
}

qint64 AnswerDelayUs(const WireFormat& w, int requestBytes, int answerBytes)
{
    if (w.baud <= 0)
        return 0;
    const qint64 bits = static_cast<qint64>(requestBytes + answerBytes) * w.bitsPerByte;
    return bits * 1'000'000 / w.baud + static_cast<qint64>(w.turnaroundMs) * 1000;
}

QByteArray ExceptionAnswer(int device, int function, quint8 code)
{
    QByteArray a;
    a.append(static_cast<char>(device));
    a.append(static_cast<char>((function | 0x80) & 0xFF));
    a.append(static_cast<char>(code));
    a.append(2, '\0');
    AppendCrc(a);
    return a;
}

QByteArray ServeRequest(RecorderModel& model, const QByteArray& req)
{
    const int device = static_cast<quint8>(req[0]);
    const int fn = static_cast<quint8>(req[1]);
    if (device == 0)
        return {};
    const int first = GetU16BE(req, 2);
    const int count = GetU16BE(req, 4);
    if (fn == modbus::kReadHolding) {
        QList<quint16> values;
        if (const quint8 code = model.read(first, count, &values))
            return ExceptionAnswer(device, fn, code);
        QByteArray a;
        a.append(static_cast<char>(device));
        a.append(static_cast<char>(fn));
        a.append(static_cast<char>(2 * count));
        for (quint16 v : values)
            AppendU16BE(a, v);
        a.append(2, '\0');
        AppendCrc(a);
        return a;
    }
    if (fn == modbus::kWriteMultiple) {
        // The byte-count field carries N; a request carrying 2N is refused.
        if (static_cast<quint8>(req[6]) != count || req.size() != 9 + 2 * count)
            return ExceptionAnswer(device, fn, mbex::IllegalValue);
        QList<quint16> values;
        for (int k = 0; k < count; ++k)
            values.append(GetU16BE(req, 7 + 2 * k));
        if (const quint8 code = model.write(first, values))
            return ExceptionAnswer(device, fn, code);
        QByteArray a = req.left(6);
        a.append(2, '\0');
        AppendCrc(a);
        return a;
    }
    return ExceptionAnswer(device, fn, mbex::IllegalFunction);
}

LineServer::LineServer(quint64 seed) : m_rng(seed) {}

RecorderModel& LineServer::addDevice(int device, int modelCode)
{
    auto& slot = m_devices[device];
    slot = std::make_unique<RecorderModel>(device, modelCode);
    return *slot;
}

RecorderModel* LineServer::device(int n)
{
    const auto it = m_devices.find(n);
    return it == m_devices.end() ? nullptr : it->second.get();
}

QList<int> LineServer::devices() const
{
    QList<int> list;
    for (const auto& [n, model] : m_devices)
        list.append(n);
    return list;
}

const FaultConfig& LineServer::faultsOf(int device) const
{
    const auto it = m_deviceFaults.find(device);
    return it == m_deviceFaults.end() ? m_faults : it->second;
}

FaultCounts LineServer::counts(int device) const
{
    const auto it = m_deviceCounts.find(device);
    return it == m_deviceCounts.end() ? FaultCounts{} : it->second;
}

qsizetype LineServer::frameAt(qsizetype at) const
{
    const qsizetype have = m_buffer.size() - at;
    if (have < 1)
        return 0;
    const int device = static_cast<quint8>(m_buffer[at]);
    if (device < 1 || device > 247)
        return -1;
    if (have < 2)
        return 0;
    const int fn = static_cast<quint8>(m_buffer[at + 1]);
    qsizetype length = 0;
    switch (fn) {
    case 1: case 2: case 3: case 4: case 5: case 6:
        length = 8;
        break;
    case 15: case 16: {
        if (have < 7)
            return 0;
        const int n = GetU16BE(m_buffer, at + 4);
        if (fn == 16 && (n < 1 || n > 123))
            return -1;
        // Function 16 as the program sends it: N registers, 2N data bytes.
        length = fn == 16 ? 9 + 2 * n : 9 + static_cast<quint8>(m_buffer[at + 6]);
        break;
    }
    default:
        return -1;
    }
    if (have < length)
        return 0;
    const quint16 crc = Crc16(m_buffer.constData() + at, length - 2);
    const bool good = static_cast<quint8>(m_buffer[at + length - 2]) == (crc & 0xFF)
        && static_cast<quint8>(m_buffer[at + length - 1]) == (crc >> 8);
    return good ? length : -1;
}

LineServer::Result LineServer::feed(const QByteArray& bytes, qint64 nowMs)
{
    Result out;
    m_buffer.append(bytes);
    for (;;) {
        qsizetype firstPossible = -1;
        bool served = false;
        for (qsizetype k = 0; k < m_buffer.size(); ++k) {
            const qsizetype len = frameAt(k);
            if (len > 0) {
                // Bytes before a good frame are noise or a broken request.
                const QByteArray request = m_buffer.mid(k, len);
                m_buffer.remove(0, k + len);
                answer(request, nowMs, out);
                served = true;
                break;
            }
            if (len == 0 && firstPossible < 0)
                firstPossible = k;
        }
        if (served)
            continue;
        if (firstPossible < 0)
            m_buffer.clear();
        else
            m_buffer.remove(0, firstPossible);
        if (m_buffer.size() > kMaxBuffer)
            m_buffer.remove(0, m_buffer.size() - kMaxBuffer);
        return out;
    }
}

bool LineServer::roll(double rate)
{
    const double x = std::uniform_real_distribution<double>(0.0, 1.0)(m_rng);
    return x < rate;
}

void LineServer::count(int device, Fault f)
{
    m_counts.add(f);
    m_deviceCounts[device].add(f);
    if (onFault)
        onFault(device, f);
}

void LineServer::answer(const QByteArray& request, qint64 nowMs, Result& out)
{
    out.requests.append(request);
    const int device = static_cast<quint8>(request[0]);
    RecorderModel* model = this->device(device);
    if (!model)
        return; // not on this line: a real bus stays silent
    ++m_counts.requests;
    ++m_deviceCounts[device].requests;
    model->advance(nowMs);
    const FaultConfig& f = faultsOf(device);
    if (f.silent) {
        count(device, Fault::Silent);
        return;
    }
    QByteArray a;
    const int first = GetU16BE(request, 2);
    if (static_cast<quint8>(request[1]) == modbus::kWriteMultiple && f.refuseRegister >= first
        && f.refuseRegister < first + GetU16BE(request, 4)) {
        a = ExceptionAnswer(device, modbus::kWriteMultiple, mbex::IllegalValue);
        count(device, Fault::Exception);
    } else {
        a = ServeRequest(*model, request);
    }
    if (a.isEmpty())
        return;

    // Every answer draws the same rolls in the same order, so a seed gives
    // the same faults whatever the rates.
    const bool drop = roll(f.dropRate);
    const bool exception = roll(f.exceptionRate);
    const bool wrongId = roll(f.wrongIdRate);
    const bool crc = roll(f.crcRate);
    const bool truncate = roll(f.truncateRate);
    const bool noise = roll(f.noiseRate);
    const bool delay = roll(f.delayRate);
    const quint64 pick = m_rng();

    if (drop) {
        count(device, Fault::Drop);
        return;
    }
    if (exception) {
        a = ExceptionAnswer(device, static_cast<quint8>(request[1]), mbex::DeviceFailure);
        count(device, Fault::Exception);
    }
    // A late answer with another device's address would be that device's
    // answer to its own request, for any master: never both at once.
    if (wrongId && !delay) {
        a[0] = static_cast<char>(device % 247 + 1);
        AppendCrc(a);
        count(device, Fault::WrongId);
    }
    if (crc) {
        a[a.size() - 1] = static_cast<char>(a[a.size() - 1] ^ 0x5A);
        count(device, Fault::Crc);
    }
    if (truncate) {
        a.truncate(1 + static_cast<qsizetype>(pick % static_cast<quint64>(a.size() - 1)));
        count(device, Fault::Truncate);
    }
    if (noise) {
        QByteArray junk;
        const int n = 1 + static_cast<int>((pick >> 8) % 4);
        for (int i = 0; i < n; ++i)
            junk.append(static_cast<char>((pick >> (16 + 8 * i)) & 0xFF));
        a.prepend(junk);
        count(device, Fault::Noise);
    }
    if (rewriteAnswer) {
        a = rewriteAnswer(request, a);
        if (a.isEmpty())
            return;
    }
    Answer ans;
    ans.device = device;
    ans.request = request;
    ans.bytes = a;
    ans.delayUs = AnswerDelayUs(m_wire, static_cast<int>(request.size()), static_cast<int>(a.size()));
    if (delay) {
        ans.delayUs += kLateUs;
        ans.late = true;
        count(device, Fault::Delay);
    }
    ++m_counts.answers;
    ++m_deviceCounts[device].answers;
    out.answers.append(ans);
}
