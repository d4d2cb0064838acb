#pragma once
// Where a parameter download takes its register data from (the parameter
// image). Data are register values, two bytes each, high byte first.
#include <QByteArray>

class ParamSource {
public:
    virtual ~ParamSource() = default;
    // Channels the source holds (6 or 12).
    virtual int channelCount() const = 0;
    // Registers B+first .. B+first+count-1 of channel c (1-based), B = 40000 + 100c.
    virtual QByteArray channelData(int c, int firstOffset, int count) const = 0;
    // Holding registers firstRegister .. firstRegister+count-1 of the common block.
    virtual QByteArray commonData(int firstRegister, int count) const = 0;
};
