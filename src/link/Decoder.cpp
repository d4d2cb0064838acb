#include "link/Decoder.h"

#include "core/Numbers.h"
#include "link/DataStore.h"
#include "link/Framing.h"
#include "link/RegisterMap.h"
#include "link/Requests.h"

namespace {

// Register k (from 1) of an answer starts at byte 3 + 2(k - 1).
constexpr qsizetype at(int k) { return 3 + 2 * (k - 1); }

QString two(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

// Each byte one 8-bit character, zero bytes included.
QString latin1Chars(const QByteArray& frame, qsizetype from, int count)
{
    return QString::fromLatin1(frame.mid(from, count));
}

void decodeLive(DataStore& store, int row, const QByteArray& f)
{
    using namespace regmap;
    TextTable& t = store.sprdMon;
    QString date, time;
    for (int k = 1; k <= kInputCount; ++k) {
        const RegType type = InputType(k);
        if (type == RegType::None)
            continue;
        if (type == RegType::U16) {
            const int v = GetU16BE(f, at(k));
            switch (k) {
            case 1:
                t.setText(mon::Model, row, QString::number(v));
                break;
            case 2:
                t.setText(mon::FwVer, row, QStringLiteral("%1.%2").arg(v >> 8).arg(v & 0xFF));
                break;
            case 3: date = QString::number(v); break;
            case 4:
            case 5: date += u'-' + two(v); break;
            case 6: time = two(v); break;
            case 7: time += u':' + two(v); break;
            case 8:
                time += u':' + two(v);
                t.setText(mon::SysDateTime, row, date + u' ' + time);
                break;
            case 47: t.setText(mon::IntMemUsed, row, QString::number(v)); break;
            default: t.setText(mon::RecordStatus + (k - 9), row, QString::number(v)); break; // 9..16
            }
        } else if (type == RegType::Float) {
            t.setText(mon::Pv01 + (k - 17) / 2, row, FloatText(GetF32BE(f, at(k))));
        } else if (type == RegType::U32) {
            const int col = (k == 43) ? mon::SdcTotal : mon::SdcUsed;
            t.setText(col, row, QString::number(static_cast<qint32>(GetU32BE(f, at(k)))));
        }
    }
}

void decodeCommon(TextTable& common, const QByteArray& f)
{
    using namespace regmap;
    for (int k = 1; k <= kCommonCount; ++k) {
        const int row = CommonRowOfOffset(k);
        if (row == 0)
            continue;
        const QString text = CommonOffsetIsU32(k) ? QString::number(static_cast<qint32>(GetU32BE(f, at(k))))
                                                  : QString::number(GetU16BE(f, at(k)));
        common.setText(1, row, text);
    }
}

void decodeChannel(TextTable& channels, int c, const QByteArray& f)
{
    using namespace regmap;
    for (int i = 1; i <= kChannelRegs; ++i) {
        const ChannelField field = ChannelFieldOfOffset(i);
        QString text;
        switch (field.kind) {
        case ChannelField::None: continue;
        case ChannelField::Name: text = latin1Chars(f, at(i), 10); break;
        case ChannelField::UnitName: text = latin1Chars(f, at(i), 6); break;
        case ChannelField::U16: text = QString::number(GetU16BE(f, at(i))); break;
        case ChannelField::Float: text = FloatText(GetF32BE(f, at(i))); break;
        case ChannelField::U32: text = QString::number(static_cast<qint32>(GetU32BE(f, at(i)))); break;
        }
        channels.setText(c, field.row, text);
    }
}

} // namespace

void DecodeParamAnswer(TextTable& common, TextTable& channels, int requestCode, const QByteArray& frame)
{
    // The receiver enforces the answer length; a short frame decodes nothing.
    auto enough = [&](int regs) { return frame.size() >= ReadAnswerLength(regs); };
    const req::Step step = req::Decode(requestCode);
    if (step.block == req::Block::Common && enough(regmap::kCommonCount))
        decodeCommon(common, frame);
    else if (step.block == req::Block::Channel && enough(regmap::kChannelRegs))
        decodeChannel(channels, step.channel, frame);
}

void DecodeAnswer(DataStore& store, int row, int requestCode, const QByteArray& frame)
{
    store.sprdMon.setText(regmap::mon::Comm, row, QStringLiteral("OK"));
    const req::Step step = req::Decode(requestCode);
    if (step.block == req::Block::Live) {
        if (frame.size() >= ReadAnswerLength(regmap::kInputCount))
            decodeLive(store, row, frame);
        return;
    }
    // Other devices' parameters never go into the selected device's tables.
    if (step.phase != req::Phase::Background)
        DecodeParamAnswer(store.sprdP_Common, store.sprdP_CH, requestCode, frame);
}
