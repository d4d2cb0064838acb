#pragma once
// The data files the logger appends to and the viewer reads: a 512-byte
// header, then 64-byte records in time order. Time stamp, model code and
// measured values are stored high byte first, the status words low byte first.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <array>
#include <functional>

class QFileDevice;
class TextTable;

namespace vqd {
constexpr int kHeaderSize = 512;
constexpr int kRecordSize = 64;
constexpr int kChannels = 12;
inline const char kMagic[] = "VQ800 LOG DATA"; // 14 bytes, no terminator in the file
}

// Time stamp: second in bits 0..5, minute 6..11, hour 12..16, day 17..21,
// month 22..25, year - 2000 in 26..29 with its two high bits in 30..31, so
// years up to 2063 are kept (2000..2015 look exactly as with four bits).
quint32 PackTimeStamp(const QDateTime& t);
QDateTime UnpackTimeStamp(quint32 stamp);

// The date a record belongs to with one file per day: today once the
// day-change time has passed (to the second), else yesterday.
QDate FileDate(const QDateTime& now, int dayChangeHour, int dayChangeMinute);

// folder/stem_NN.VQD, or folder/stem_NN_YYYYMMDD.VQD when fileDate is valid.
QString DataFileName(const QString& folder, const QString& stem, int deviceNumber, const QDate& fileDate = {});

QByteArray BuildHeader(int modelCode);
// A record of the live values in sprdMon row `row`, stamped `now`.
QByteArray BuildRecord(const TextTable& sprdMon, int row, const QDateTime& now);

// Writes bytes to an open file; tests replace it to make writes fail.
using WriteBytes = std::function<qint64(QFileDevice&, const QByteArray&)>;
qint64 WriteAll(QFileDevice& f, const QByteArray& bytes);

// Appends one record for sprdMon row `row` to `path`, creating the file with
// its header when it does not exist. A file shorter than its header (cut by a
// crash while it was being created) gets its header whole again, and *note
// says so. A write that does not complete is taken back (the file keeps its
// previous length; a new file is removed), so a file never holds part of a
// record. False and why in *error on failure.
// *created says whether the file is new.
bool SaveDeviceRecord(const QString& path, const TextTable& sprdMon, int row, const QDateTime& now,
                      QString* error = nullptr, const WriteBytes& write = WriteAll, QString* note = nullptr,
                      bool* created = nullptr);

// The data folder before a save: there, or made again when it vanished, but
// only where its parent is there and is not a mount point without its disk
// (empty, still on the disk above, and named in /etc/fstab or under /mnt,
// /media or /run/media): what is written there would go under the disk.
// *made is true when it was made; false and why otherwise.
bool PrepareDataFolder(const QString& folder, bool* made, QString* why);

// Why files cannot be made in an existing folder (a read-only mount, a
// service's read-only view, no permission); empty when they can. Tried by
// making and removing a file, since permission bits do not tell for root.
QString FolderWriteProblem(const QString& folder);

// A data file read back.
struct DataRecord {
    quint32 stamp = 0;
    std::array<float, vqd::kChannels> pv{};
    std::array<quint8, 3> bo{};   // bytes 52..54: burn-out bits
    quint8 sdDi = 0;              // byte 55
    quint16 alarm14 = 0, relay = 0, alarm912 = 0, alarm58 = 0;
    // Local time of the stamp; invalid for an impossible one. A time zone
    // look-up each: readers of many records convert stamps themselves.
    QDateTime time() const { return UnpackTimeStamp(stamp); }
};
struct DataFileContents {
    int modelCode = 0;
    QList<DataRecord> records;
    int trailingBytes = 0; // bytes after the last whole record
};
// The 64 bytes of a record at `record`.
DataRecord ParseRecord(const char* record);
// A file's model code when `bytes` begin with a data file header; false and
// why in *error when they do not. Records follow from offset kHeaderSize.
bool ParseHeader(const QByteArray& bytes, int& modelCode, QString* error = nullptr);
// A data file read a block of records at a time: however large the file,
// memory stays small and the first records come at once.
class DataFileReader {
public:
    // Opens a regular file and checks its header before anything else is
    // read; false and why in *error when it is not a data file.
    bool open(const QString& path, QString* error = nullptr);
    int modelCode() const { return m_model; }
    qint64 recordCount() const { return m_records; }
    int trailingBytes() const { return m_trailing; }
    // Up to count records from record `first` on; fewer at the end or on a read error.
    QList<DataRecord> read(qint64 first, int count);

private:
    QFile m_file;
    int m_model = 0;
    qint64 m_records = 0;
    int m_trailing = 0;
};

// Reads a whole data file; false and why in *error when it is not one.
bool ReadDataFile(const QString& path, DataFileContents& out, QString* error = nullptr);
bool ParseDataFile(const QByteArray& bytes, DataFileContents& out, QString* error = nullptr);
