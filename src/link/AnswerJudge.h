#pragma once
// What the bytes received after a request are: the answer asked for, the
// device's refusal, a broken answer, another device's frame, or noise. A pure
// function of the bytes gathered so far, so that the receiver can take the
// answer as soon as it is whole and drop what does not belong to it.
#include <QByteArray>
#include <QString>

// How a transaction failed; None: it was answered.
enum class Failure {
    None,
    Timeout,       // no whole answer within the time-out
    BadCrc,        // the device's answer, with a wrong CRC
    WrongFunction, // a whole frame of the device, of another function
    WrongAnswer,   // a whole frame of the device that is not the answer asked for
                   // (another block, another length, bytes behind it)
    Exception,     // the device refused (function | 0x80 and a code)
    Noise,         // more bytes than any answer, none of them it
};
// "time-out", "CRC error", ...: how the frame log and messages name it.
QString FailureText(Failure f);
// "illegal data value": what an exception code means.
QString ExceptionMeaning(quint8 code);
// "illegal data value (03)": an exception code with its meaning.
QString ExceptionText(quint8 code);

// What a transaction waits for.
struct Expect {
    quint8 device = 0;
    quint8 function = 0;
    int length = 0;     // bytes of the whole answer
    QByteArray request; // the request; a write's answer repeats its first six bytes
};

struct Judgement {
    enum Verdict {
        Wait,      // not decided: more bytes may come
        Answer,    // the answer asked for (length bytes)
        Exception, // the device's refusal (5 bytes); code holds its code
        Bad,       // the device's answer, unusable: the transaction failed (failure)
        Foreign,   // a whole frame of another device: dropped, the wait goes on
        Noise,     // bytes that belong to no frame: dropped, the wait goes on
    };
    Verdict verdict = Wait;
    qsizetype length = 0; // bytes at the head of the buffer this covers
    Failure failure = Failure::None;
    quint8 code = 0;
};

// This many bytes after a request without the answer: the line is flooded.
constexpr qsizetype kFloodBytes = 2048;

// Judges the head of the bytes received since the request. The caller drops
// Foreign and Noise heads and asks again; Answer, Exception and Bad end the
// transaction.
Judgement JudgeAnswer(const QByteArray& received, const Expect& expect);
