#pragma once
// A recorder's parameter set as its holding registers: the 74 common ones
// from 40001 and the 93 of each channel. What a download sends is taken into
// one when the download is confirmed (later edits cannot change it), and
// what a recorder held before a download is read into one (its backup).
#include "link/ParamSource.h"

#include <QByteArray>
#include <QList>

class RegisterSet : public ParamSource {
public:
    RegisterSet();
    // Takes a copy of what `source` holds now, channels 1..channels (at most
    // its own); false (the set left empty) when it cannot give a block whole.
    bool take(const ParamSource& source, int channels);

    int channelCount() const override { return m_channels; }
    QByteArray channelData(int c, int firstOffset, int count) const override;
    QByteArray commonData(int firstRegister, int count) const override;

    // A holding register of the set (40001..40074, or B+1..B+93 of a channel it holds); 0 elsewhere.
    quint16 reg(int number) const;
    void setReg(int number, quint16 value);
    // Takes the registers of a read answer (function 3) of `count` registers from `first`.
    void takeAnswer(int first, int count, const QByteArray& frame);
    void setChannelCount(int channels);
    // Registers first..last of `from` replace this set's.
    void copyRange(const RegisterSet& from, int first, int last);

private:
    int index(int number) const; // -1 outside the set

    int m_channels = 0;
    QList<quint16> m_regs; // 74 common, then 93 per channel
};
