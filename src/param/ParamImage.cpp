#include "param/ParamImage.h"

#include "core/ChannelColours.h"
#include "core/SafeFiles.h"
#include "link/Framing.h"
#include "link/RegisterMap.h"
#include "param/ParamFormat.h"

#include <QFile>
#include <QSaveFile>
#include <cstring>

ParamImage::ParamImage()
    : m_bytes(kSize6, '\0')
{
}

bool ParamImage::setBytes(const QByteArray& bytes)
{
    if (bytes.size() != kSize6 && bytes.size() != kSize12)
        return false;
    m_bytes = bytes;
    return true;
}

void ParamImage::setChannelCount(int channels)
{
    const int size = SizeFor(channels);
    if (size > m_bytes.size())
        m_bytes.append(QByteArray(size - m_bytes.size(), '\0'));
    else
        m_bytes.truncate(size);
}

qint16 ParamImage::i16(int offset) const
{
    return fits(offset, 2) ? BytesToInteger(m_bytes.mid(offset, 2)) : 0;
}

qint32 ParamImage::i32(int offset) const
{
    return fits(offset, 4) ? BytesToLong(m_bytes.mid(offset, 4)) : 0;
}

float ParamImage::f32(int offset) const
{
    return fits(offset, 4) ? BytesToSingle(m_bytes.mid(offset, 4)) : 0.0f;
}

void ParamImage::setI16(int offset, qint16 v)
{
    if (fits(offset, 2))
        m_bytes.replace(offset, 2, IntegerToBytes(v));
}

void ParamImage::setI32(int offset, qint32 v)
{
    if (fits(offset, 4))
        m_bytes.replace(offset, 4, LongToBytes(v));
}

void ParamImage::setF32(int offset, float v)
{
    if (fits(offset, 4))
        m_bytes.replace(offset, 4, SingleToBytes(v));
}

QString ParamImage::chars(int offset, int width) const
{
    QString s;
    for (int k = 0; k < width; ++k)
        s += QChar(fits(offset + 2 * k, 2) ? static_cast<uchar>(m_bytes[offset + 2 * k]) : 0);
    return s;
}

void ParamImage::setChars(int offset, int width, const QString& text)
{
    if (!fits(offset, 2 * width))
        return;
    for (int k = 0; k < width; ++k) {
        // Characters outside Latin-1 have no single-byte code: "?".
        const char16_t u = k < text.size() ? text[k].unicode() : 0;
        m_bytes[offset + 2 * k] = static_cast<char>(u > 0xFF ? '?' : u);
        m_bytes[offset + 2 * k + 1] = '\0';
    }
}

namespace {
// Calls f(offset, where, field) for each register offset of a channel block
// that starts a field of the image.
template <typename F> void forEachChannelField(F f)
{
    for (int i = 1; i <= regmap::kChannelRegs; ++i) {
        const regmap::ChannelField where = regmap::ChannelFieldOfOffset(i);
        if (const ParamField* field = ChannelFieldOfRow(where.row); where.kind != regmap::ChannelField::None && field)
            f(i, where, field);
    }
}
}

// The 93 registers of channel c (1-based), two bytes each, high byte first.
QByteArray ParamImage::channelRegisters(int c) const
{
    QByteArray out(2 * regmap::kChannelRegs, '\0');
    if (c < 1 || c > channelCount())
        return out;
    const int base = ChannelOffset(c - 1);
    forEachChannelField([&](int i, const regmap::ChannelField& where, const ParamField* f) {
        QByteArray v;
        switch (where.kind) {
        case regmap::ChannelField::Name:
        case regmap::ChannelField::UnitName:
            for (int k = 0; k < f->width; ++k)
                v += m_bytes[base + f->offset + 2 * k];
            break;
        case regmap::ChannelField::U16: AppendU16BE(v, static_cast<quint16>(i16(base + f->offset))); break;
        case regmap::ChannelField::Float: AppendF32BE(v, f32(base + f->offset)); break;
        case regmap::ChannelField::U32: AppendU32BE(v, static_cast<quint32>(i32(base + f->offset))); break;
        case regmap::ChannelField::None: break;
        }
        out.replace(2 * (i - 1), v.size(), v);
    });
    return out;
}

// The 74 common registers from 40001; rows without a field in the image send 0.
QByteArray ParamImage::commonRegisters() const
{
    QByteArray out(2 * regmap::kCommonCount, '\0');
    for (int i = 1; i <= regmap::kCommonCount; ++i) {
        const ParamField* f = CommonFieldOfRow(regmap::CommonRowOfOffset(i));
        if (!f)
            continue;
        QByteArray v;
        if (regmap::CommonOffsetIsU32(i))
            AppendU32BE(v, static_cast<quint32>(i32(f->offset)));
        else
            AppendU16BE(v, static_cast<quint16>(i16(f->offset)));
        out.replace(2 * (i - 1), v.size(), v);
    }
    return out;
}

void ParamImage::setFromRegisters(const ParamSource& registers)
{
    setChannelCount(registers.channelCount());
    const QByteArray common = registers.commonData(regmap::kCommonFirst, regmap::kCommonCount);
    const auto reg = [](const QByteArray& data, int i) { return 2 * i <= data.size() ? GetU16BE(data, 2 * (i - 1)) : 0; };
    for (int i = 1; i <= regmap::kCommonCount; ++i) {
        const ParamField* f = CommonFieldOfRow(regmap::CommonRowOfOffset(i));
        if (!f)
            continue;
        if (regmap::CommonOffsetIsU32(i))
            setI32(f->offset, static_cast<qint32>(quint32(reg(common, i)) << 16 | reg(common, i + 1)));
        else
            setI16(f->offset, static_cast<qint16>(reg(common, i)));
    }
    for (int c = 1; c <= channelCount(); ++c) {
        const QByteArray data = registers.channelData(c, 1, regmap::kChannelRegs);
        const int base = ChannelOffset(c - 1);
        forEachChannelField([&](int i, const regmap::ChannelField& where, const ParamField* f) {
            const quint32 pair = quint32(reg(data, i)) << 16 | reg(data, i + 1);
            switch (where.kind) {
            case regmap::ChannelField::Name:
            case regmap::ChannelField::UnitName:
                // Two characters a register, one a slot of the file.
                for (int k = 0; k < f->width && 2 * (i - 1) + k < data.size(); ++k) {
                    m_bytes[base + f->offset + 2 * k] = data[2 * (i - 1) + k];
                    m_bytes[base + f->offset + 2 * k + 1] = '\0';
                }
                break;
            case regmap::ChannelField::U16: {
                quint16 v = reg(data, i);
                if (where.row == regmap::ch::Color)
                    v = colours::Rgb565(v).value_or(v);
                setI16(base + f->offset, static_cast<qint16>(v));
                break;
            }
            case regmap::ChannelField::Float: {
                float v = 0;
                std::memcpy(&v, &pair, 4);
                setF32(base + f->offset, v);
                break;
            }
            case regmap::ChannelField::U32: setI32(base + f->offset, static_cast<qint32>(pair)); break;
            case regmap::ChannelField::None: break;
            }
        });
    }
}

QByteArray ParamImage::channelData(int c, int firstOffset, int count) const
{
    if (c < 1 || c > channelCount() || firstOffset < 1 || count < 0 || firstOffset + count - 1 > regmap::kChannelRegs)
        return {};
    return channelRegisters(c).mid(2 * (firstOffset - 1), 2 * count);
}

QByteArray ParamImage::commonData(int firstRegister, int count) const
{
    const int first = firstRegister - regmap::kCommonFirst + 1;
    if (first < 1 || count < 0 || first + count - 1 > regmap::kCommonCount)
        return {};
    return commonRegisters().mid(2 * (first - 1), 2 * count);
}

bool ReadImageFile(const QString& path, ParamImage& image, QString* error)
{
    QFile file;
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    QString why;
    if (!OpenRegularFile(file, path, &why))
        return fail(why);
    const qint64 size = file.size();
    if (size != ParamImage::kSize6 && size != ParamImage::kSize12)
        return fail(QStringLiteral("The file holds %1 bytes; a parameter file holds %2 or %3 bytes.")
                        .arg(size)
                        .arg(ParamImage::kSize6)
                        .arg(ParamImage::kSize12));
    const QByteArray bytes = file.read(size);
    if (bytes.size() != size)
        return fail(file.errorString());
    image.setBytes(bytes);
    return true;
}

bool WriteImageFile(const QString& path, const ParamImage& image, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(image.bytes()) != image.bytes().size() || !CommitSafely(file)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
