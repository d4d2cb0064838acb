#pragma once
// One recorder parameter set as the bytes of a parameter file: 3032 bytes
// for six channels, 4832 for twelve (six more 300-byte channel blocks at the
// end). Fields are little-endian. The image is also what a download sends,
// so it serves the engine as its ParamSource.
#include "link/ParamSource.h"

#include <QByteArray>
#include <QString>

class ParamImage : public ParamSource {
public:
    static constexpr int kSize6 = 3032;
    static constexpr int kSize12 = 4832;
    static constexpr int kFirstChannel = 1232;
    static constexpr int kChannelBlock = 300;

    ParamImage();

    // Offset of channel block c (0-based, 0..11).
    static constexpr int ChannelOffset(int c) { return kFirstChannel + kChannelBlock * c; }
    // Byte size of an image with n channels (6 or 12).
    static constexpr int SizeFor(int channels) { return channels > 6 ? kSize12 : kSize6; }

    const QByteArray& bytes() const { return m_bytes; }
    // Takes a whole image; false (nothing changed) unless it is 3032 or 4832 bytes.
    bool setBytes(const QByteArray& bytes);
    // 6 or 12; growing adds zero channel blocks, shrinking drops channels 7..12.
    void setChannelCount(int channels);

    qint16 i16(int offset) const;
    qint32 i32(int offset) const;
    float f32(int offset) const;
    void setI16(int offset, qint16 v);
    void setI32(int offset, qint32 v);
    void setF32(int offset, float v);
    // n characters in two-byte width: first byte the Latin-1 code, second 0.
    QString chars(int offset, int width) const;
    void setChars(int offset, int width, const QString& text);

    // Takes a set as registers (what a recorder answered): the inverse of the
    // data below; colour numbers become the file's RGB565 values.
    void setFromRegisters(const ParamSource& registers);

    // ParamSource: register data for the wire, big-endian.
    int channelCount() const override { return m_bytes.size() == kSize12 ? 12 : 6; }
    QByteArray channelData(int c, int firstOffset, int count) const override;
    QByteArray commonData(int firstRegister, int count) const override;

private:
    bool fits(int offset, int size) const { return offset >= 0 && offset + size <= m_bytes.size(); }
    QByteArray channelRegisters(int c) const;
    QByteArray commonRegisters() const;

    QByteArray m_bytes;
};

// The file dialogs' filter.
inline constexpr const char* kParamFileFilter = "VQ800 Config Files(*.CFG)|*.CFG";

// Reads a parameter file into image. A file that cannot be read or whose
// length is neither 3032 nor 4832 bytes leaves the image as it was.
bool ReadImageFile(const QString& path, ParamImage& image, QString* error);
// Writes the image atomically: a failed write leaves the old file intact.
bool WriteImageFile(const QString& path, const ParamImage& image, QString* error);
