// What the receiver makes of the bytes after a request: the answer, wherever
// noise or another device's frame put it, and every way it can be broken.
#include "link/AnswerJudge.h"
#include "link/Framing.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

QByteArray framed(const char* hex)
{
    QByteArray f = QByteArray::fromHex(hex) + QByteArray(2, '\0');
    AppendCrc(f);
    return f;
}

// Judges `bytes` again and again as the receiver does, dropping noise and
// foreign frames; returns the verdicts in order, as "Noise 1, Answer 9".
QString judgeAll(QByteArray bytes, const Expect& e)
{
    const char* names[] = {"Wait", "Answer", "Exception", "Bad", "Foreign", "Noise"};
    QStringList out;
    while (!bytes.isEmpty()) {
        const Judgement j = JudgeAnswer(bytes, e);
        QString v = QStringLiteral("%1 %2").arg(QLatin1String(names[j.verdict])).arg(j.length);
        if (j.verdict == Judgement::Bad)
            v += QStringLiteral(" (%1)").arg(FailureText(j.failure));
        if (j.verdict == Judgement::Exception)
            v += QStringLiteral(" (%1)").arg(ExceptionText(j.code));
        out << v;
        if (j.verdict != Judgement::Noise && j.verdict != Judgement::Foreign)
            break;
        bytes.remove(0, j.length);
    }
    return out.join(QStringLiteral(", "));
}

} // namespace

TEST(AnswerJudge, FindsTheAnswerThroughNoiseAndNamesEveryBrokenOne)
{
    const QByteArray read = BuildReadRequest(5, 30001, 2);
    const Expect r{5, 3, 9, read};
    const QByteArray answer = framed("050304000A0102");
    QByteArray badCrc = answer;
    badCrc[8] = char(badCrc[8] ^ 1);
    const QByteArray write = BuildWriteRequest(5, 40101, QByteArray(18, 'A'));
    const Expect w{5, 16, 8, write};
    const QByteArray echo = framed("05109CA50009");

    struct Case { const char* what; QByteArray bytes; Expect expect; const char* verdicts; };
    const Case cases[] = {
        {"the answer", answer, r, "Answer 9"},
        {"half of it", answer.left(5), r, "Wait 0"},
        {"noise before it", QByteArray::fromHex("FF00") + answer, r, "Noise 2, Answer 9"},
        {"a noise byte that is the address", QByteArray::fromHex("05") + answer, r, "Noise 1, Answer 9"},
        {"another device's frame before it", framed("070304000A0102") + answer, r, "Foreign 9, Answer 9"},
        {"another device's frame alone", framed("070304000A0102"), r, "Foreign 9"},
        {"another device's frame coming", framed("070304000A0102").left(4), r, "Wait 0"},
        {"bad CRC", badCrc, r, "Bad 9 (CRC error)"},
        {"bytes behind it", answer + '\x7E', r, "Bad 10 (not the answer asked for)"},
        {"another block's answer", framed("0503020001"), r, "Bad 7 (not the answer asked for)"},
        {"a write's answer to a read", framed("05107531000A"), r, "Bad 8 (wrong function)"},
        {"refused", framed("058302"), r, "Exception 5 (illegal data address (02))"},
        {"the echo of the write", echo, w, "Answer 8"},
        {"the echo of another write", framed("05109CA60009"), w, "Bad 8 (not the answer asked for)"},
        {"the write refused", framed("059003"), w, "Exception 5 (illegal data value (03))"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(judgeAll(c.bytes, c.expect), QString::fromLatin1(c.verdicts)) << c.what;
}
