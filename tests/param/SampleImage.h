#pragma once
#include "core/ChannelColours.h"
#include "param/ParamFormat.h"
#include "param/ParamImage.h"

#include <QRandomGenerator>

// A listed value for every field, random bytes everywhere else.
inline ParamImage FullImage(int channels, quint32 seed)
{
    QRandomGenerator rnd(seed);
    ParamImage img;
    img.setChannelCount(channels);
    QByteArray b = img.bytes();
    for (char& c : b)
        c = static_cast<char>(rnd.bounded(256));
    img.setBytes(b);
    auto set = [&](const ParamField& f, int base) {
        const int at = base + f.offset;
        const int pick = rnd.bounded(1000);
        switch (f.enc) {
        case ParamEnc::OnOff:
        case ParamEnc::TwoText: img.setI16(at, pick % 2); break;
        case ParamEnc::DisplayMode: img.setI16(at, QList<int>{1, 3, 5, 6, 17}[pick % 5]); break;
        case ParamEnc::Protocol: img.setI16(at, 0); break;
        case ParamEnc::Baud:
        case ParamEnc::ReadMethod: img.setI16(at, pick % 4); break;
        case ParamEnc::Parity:
        case ParamEnc::TimeUnit: img.setI16(at, pick % 3); break;
        case ParamEnc::RecordAction: img.setI16(at, QList<int>{0, 1, 127}[pick % 3]); break;
        case ParamEnc::DiLevel:
        case ParamEnc::Number: img.setI16(at, static_cast<qint16>(pick - 500)); break;
        case ParamEnc::Number32: img.setI32(at, static_cast<qint32>(rnd.generate())); break;
        case ParamEnc::Real: img.setF32(at, static_cast<float>(pick - 500) / 8.0f); break;
        case ParamEnc::Chars: {
            QString s;
            for (int k = 0; k < f.width; ++k)
                s += QChar(0x20 + rnd.bounded(0xFF - 0x20));
            img.setChars(at, f.width, s);
            break;
        }
        case ParamEnc::Colour: img.setI16(at, static_cast<qint16>(*colours::Rgb565(pick % 12))); break;
        }
    };
    for (const ParamField& f : CommonFields())
        set(f, 0);
    for (int c = 0; c < channels; ++c)
        for (const ParamField& f : ChannelFields())
            set(f, ParamImage::ChannelOffset(c));
    return img;
}
