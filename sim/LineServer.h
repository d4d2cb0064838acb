#pragma once
// The slave side of one serial line: any number of simulated recorders
// behind one byte stream. Bytes go in with feed(); complete requests come
// out as answers with the time they take on the wire. The server never
// waits: the caller decides when an answer is put on the line.
#include "sim/RecorderModel.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <map>
#include <memory>
#include <random>

// Faults injected into answers. Rates are probabilities per answer.
struct FaultConfig {
    bool silent = false;       // never answers
    double crcRate = 0;        // answer with a wrong CRC
    double dropRate = 0;       // answer not sent
    double delayRate = 0;      // answer sent after the master's time-out
    double noiseRate = 0;      // random bytes before the answer
    double truncateRate = 0;   // answer cut short
    double wrongIdRate = 0;    // answer carries another device number
    double exceptionRate = 0;  // exception answer (device failure)
    int refuseRegister = 0;    // a write that covers this register is refused (illegal data value)
};

enum class Fault { Silent, Crc, Drop, Delay, Noise, Truncate, WrongId, Exception };
const char* FaultName(Fault f);

struct FaultCounts {
    int requests = 0;  // complete requests to a served device
    int answers = 0;   // answers put out (faulty ones included)
    int silent = 0, crc = 0, dropped = 0, delayed = 0, noise = 0, truncated = 0, wrongId = 0, exception = 0;
    int total() const { return silent + crc + dropped + delayed + noise + truncated + wrongId + exception; }
    void add(Fault f);
};

// Wire timing of one character format.
struct WireFormat {
    int baud = 9600;        // 0: answers leave at once
    int bitsPerByte = 10;   // 10 for 8N1, 11 for 8E1 and 8N2
    int turnaroundMs = 5;
};
// Microseconds from the end of the request until the answer has left: both
// frames on the wire plus the turnaround.
qint64 AnswerDelayUs(const WireFormat& w, int requestBytes, int answerBytes);

struct Answer {
    int device = 0;        // the device that answered
    QByteArray request;    // the request it answers
    QByteArray bytes;      // what goes on the line
    qint64 delayUs = 0;    // after the end of the request
    bool late = false;     // held back past the master's time-out
};

// The answer of a recorder to one complete request with good CRC; empty
// for broadcasts. Function 16 needs the byte-count field equal to N.
QByteArray ServeRequest(RecorderModel& model, const QByteArray& request);
QByteArray ExceptionAnswer(int device, int function, quint8 code);

class LineServer {
public:
    static constexpr int kMaxBuffer = 512;
    static constexpr qint64 kLateUs = 1'200'000; // past the 1000 ms time-out

    explicit LineServer(quint64 seed = 1);

    RecorderModel& addDevice(int device, int modelCode = 10);
    RecorderModel* device(int n);
    QList<int> devices() const;

    void setWireFormat(const WireFormat& w) { m_wire = w; }
    const WireFormat& wireFormat() const { return m_wire; }
    void setSeed(quint64 seed) { m_rng.seed(seed); }
    // Faults for every device without its own configuration.
    void setFaults(const FaultConfig& f) { m_faults = f; }
    void setFaults(int device, const FaultConfig& f) { m_deviceFaults[device] = f; }
    const FaultConfig& faultsOf(int device) const;

    struct Result {
        QList<QByteArray> requests; // every complete request seen, any device
        QList<Answer> answers;
    };
    // Takes bytes from the line at time nowMs (since the start).
    Result feed(const QByteArray& bytes, qint64 nowMs);
    // A silence on the line: a partial request is dropped.
    void lineIdle() { m_buffer.clear(); }
    qsizetype buffered() const { return m_buffer.size(); }

    const FaultCounts& counts() const { return m_counts; }
    FaultCounts counts(int device) const;

    // Told of every fault injected (for a status line per fault).
    std::function<void(int device, Fault fault)> onFault;
    // Replaces an answer just before it goes on the line (an empty result
    // sends none): for answers no fault makes, such as a write answer to a
    // read or bytes behind a good frame.
    std::function<QByteArray(const QByteArray& request, const QByteArray& answer)> rewriteAnswer;

private:
    // Length of a complete frame with good CRC at the buffer head; 0 when
    // the head could still become one, -1 when it never will.
    qsizetype frameAt(qsizetype at) const;
    void answer(const QByteArray& request, qint64 nowMs, Result& out);
    bool roll(double rate);
    void count(int device, Fault f);

    std::map<int, std::unique_ptr<RecorderModel>> m_devices;
    QByteArray m_buffer;
    WireFormat m_wire;
    FaultConfig m_faults;
    std::map<int, FaultConfig> m_deviceFaults;
    FaultCounts m_counts;
    std::map<int, FaultCounts> m_deviceCounts;
    std::mt19937_64 m_rng;
};
