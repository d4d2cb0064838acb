#include "link/RegisterSet.h"

#include "link/Framing.h"
#include "link/RegisterMap.h"

RegisterSet::RegisterSet() : m_regs(regmap::kCommonCount, 0) {}

bool RegisterSet::take(const ParamSource& source, int channels)
{
    *this = RegisterSet();
    const int n = qBound(0, qMin(channels, source.channelCount()), regmap::kMaxChannels);
    const QByteArray common = source.commonData(regmap::kCommonFirst, regmap::kCommonCount);
    if (common.size() != 2 * regmap::kCommonCount)
        return false;
    RegisterSet s;
    s.setChannelCount(n);
    for (int i = 0; i < regmap::kCommonCount; ++i)
        s.m_regs[i] = GetU16BE(common, 2 * i);
    for (int c = 1; c <= n; ++c) {
        const QByteArray data = source.channelData(c, 1, regmap::kChannelRegs);
        if (data.size() != 2 * regmap::kChannelRegs)
            return false;
        for (int i = 1; i <= regmap::kChannelRegs; ++i)
            s.setReg(regmap::ChannelBase(c) + i, GetU16BE(data, 2 * (i - 1)));
    }
    *this = std::move(s);
    return true;
}

void RegisterSet::setChannelCount(int channels)
{
    m_channels = qBound(0, channels, regmap::kMaxChannels);
    m_regs.resize(regmap::kCommonCount + m_channels * regmap::kChannelRegs);
}

int RegisterSet::index(int number) const
{
    if (number >= regmap::kCommonFirst && number < regmap::kCommonFirst + regmap::kCommonCount)
        return number - regmap::kCommonFirst;
    const int c = (number - 40000) / 100;
    const int i = number - regmap::ChannelBase(c);
    if (c < 1 || c > m_channels || i < 1 || i > regmap::kChannelRegs)
        return -1;
    return regmap::kCommonCount + (c - 1) * regmap::kChannelRegs + (i - 1);
}

quint16 RegisterSet::reg(int number) const
{
    const int i = index(number);
    return i < 0 ? 0 : m_regs[i];
}

void RegisterSet::setReg(int number, quint16 value)
{
    if (const int i = index(number); i >= 0)
        m_regs[i] = value;
}

void RegisterSet::takeAnswer(int first, int count, const QByteArray& frame)
{
    for (int k = 0; k < count && 3 + 2 * k + 1 < frame.size(); ++k)
        setReg(first + k, GetU16BE(frame, 3 + 2 * k));
}

void RegisterSet::copyRange(const RegisterSet& from, int first, int last)
{
    for (int r = first; r <= last; ++r)
        setReg(r, from.reg(r));
}

QByteArray RegisterSet::channelData(int c, int firstOffset, int count) const
{
    if (c < 1 || c > m_channels || firstOffset < 1 || count < 0 || firstOffset + count - 1 > regmap::kChannelRegs)
        return {};
    QByteArray out;
    for (int i = firstOffset; i < firstOffset + count; ++i)
        AppendU16BE(out, reg(regmap::ChannelBase(c) + i));
    return out;
}

QByteArray RegisterSet::commonData(int firstRegister, int count) const
{
    if (firstRegister < regmap::kCommonFirst || count < 0 || firstRegister + count > regmap::kCommonFirst + regmap::kCommonCount)
        return {};
    QByteArray out;
    for (int r = firstRegister; r < firstRegister + count; ++r)
        AppendU16BE(out, reg(r));
    return out;
}
