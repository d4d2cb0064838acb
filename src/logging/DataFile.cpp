#include "logging/DataFile.h"

#include "core/ConfigText.h"
#include "core/Numbers.h"
#include "core/SafeFiles.h"
#include "core/TextTable.h"
#include "link/Framing.h"
#include "link/RegisterMap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Integer value of a status cell; unreadable texts count as 0.
qint64 cellInt(const TextTable& t, int col, int row)
{
    return LeadingInt32(t.text(col, row)).value_or(0);
}

// A measured value: the full text when it is a number (exponents included,
// as for very large values), else its leading number.
float cellFloat(const TextTable& t, int col, int row)
{
    const QString text = t.text(col, row).trimmed();
    bool ok = false;
    const float v = text.toFloat(&ok);
    return ok ? v : static_cast<float>(LeadingNumber(text));
}

// The system's own text of a file error; empty when there is none (Qt
// would say "Unknown error").
QString osText(const QFileDevice& f)
{
    return f.error() == QFileDevice::NoError || f.errorString() == QFile().errorString() ? QString()
                                                                                                : f.errorString();
}

void putU16LE(QByteArray& b, int at, qint64 v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

} // namespace

quint32 PackTimeStamp(const QDateTime& t)
{
    const QDate d = t.date();
    const QTime h = t.time();
    const quint32 year = static_cast<quint32>(d.year() - 2000) & 0x3F;
    return static_cast<quint32>(h.second()) | static_cast<quint32>(h.minute()) << 6
        | static_cast<quint32>(h.hour()) << 12 | static_cast<quint32>(d.day()) << 17
        | static_cast<quint32>(d.month()) << 22 | year << 26;
}

QDateTime UnpackTimeStamp(quint32 s)
{
    const QDate d(2000 + static_cast<int>((s >> 26) & 0x3F), (s >> 22) & 0xF, (s >> 17) & 0x1F);
    const QTime h((s >> 12) & 0x1F, (s >> 6) & 0x3F, s & 0x3F);
    // An impossible field (minute 63, month 0, 30 February) makes no time at
    // all: QDateTime would take an invalid time as midnight.
    if (!d.isValid() || !h.isValid())
        return {};
    return QDateTime(d, h);
}

QDate FileDate(const QDateTime& now, int hour, int minute)
{
    const QTime t = now.time();
    const QTime whole(t.hour(), t.minute(), t.second());
    return whole > QTime(hour, minute, 0) ? now.date() : now.date().addDays(-1);
}

QString DataFileName(const QString& folder, const QString& stem, int deviceNumber, const QDate& fileDate)
{
    QString name = QStringLiteral("%1_%2").arg(stem).arg(deviceNumber, 2, 10, QLatin1Char('0'));
    if (fileDate.isValid())
        name += u'_' + fileDate.toString(QStringLiteral("yyyyMMdd"));
    return QDir(folder).filePath(name + QStringLiteral(".VQD"));
}

QByteArray BuildHeader(int modelCode)
{
    QByteArray h(vqd::kHeaderSize, '\0');
    h.replace(0, 14, QByteArray(vqd::kMagic, 14));
    h[16] = static_cast<char>((modelCode >> 8) & 0xFF);
    h[17] = static_cast<char>(modelCode & 0xFF);
    for (int i = 0; i < vqd::kChannels; ++i)
        h[58 + 40 * i] = 2;
    return h;
}

QByteArray BuildRecord(const TextTable& mon, int row, const QDateTime& now)
{
    namespace m = regmap::mon;
    QByteArray r;
    r.reserve(vqd::kRecordSize);
    AppendU32BE(r, PackTimeStamp(now));
    for (int k = 0; k < vqd::kChannels; ++k)
        AppendF32BE(r, cellFloat(mon, m::Pv01 + k, row));
    r.resize(vqd::kRecordSize, '\0');
    // Bytes of one width: values too wide keep their low 8 bits.
    const qint64 bo712 = cellInt(mon, m::Bo712, row);
    const qint64 bo16 = cellInt(mon, m::Bo16, row);
    r[52] = static_cast<char>(bo712 & 0xFF);
    r[53] = static_cast<char>(((bo712 >> 8) + 4 * (bo16 & 3)) & 0xFF);
    r[54] = static_cast<char>((bo16 >> 2) & 0xFF);
    r[55] = static_cast<char>(cellInt(mon, m::SdDiStatus, row) & 0xFFF & 0xFF);
    putU16LE(r, 56, cellInt(mon, m::Alarm14, row));
    putU16LE(r, 58, cellInt(mon, m::RelayStatus, row));
    putU16LE(r, 60, cellInt(mon, m::Alarm912, row));
    putU16LE(r, 62, cellInt(mon, m::Alarm58, row));
    return r;
}

qint64 WriteAll(QFileDevice& f, const QByteArray& bytes)
{
    return f.write(bytes);
}

bool SaveDeviceRecord(const QString& path, const TextTable& mon, int row, const QDateTime& now, QString* error,
                      const WriteBytes& write, QString* note, bool* created)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    QFile f(path);
    const bool existed = f.exists();
    if (created)
        *created = !existed;
    if (!f.open(existed ? QIODevice::ReadWrite : QIODevice::WriteOnly))
        return fail(osText(f).isEmpty() ? QStringLiteral("it cannot be opened") : osText(f));
    const qint64 length = f.size();
    // A file cut inside its header is no data file yet: it is written anew.
    const bool fresh = !existed || length < vqd::kHeaderSize;
    QByteArray bytes;
    if (fresh)
        bytes = BuildHeader(static_cast<int>(cellInt(mon, regmap::mon::Model, row)));
    bytes += BuildRecord(mon, row, now);
    // A record torn by a crash or power loss would shift every later record
    // off the 64-byte grid: the new record takes its place instead.
    qint64 at = fresh ? 0 : length;
    if (!fresh && length > vqd::kHeaderSize)
        at -= (length - vqd::kHeaderSize) % vqd::kRecordSize;
    if (!f.seek(at))
        return fail(osText(f).isEmpty() ? QStringLiteral("it cannot be positioned") : osText(f));
    const qint64 written = write(f, bytes);
    if (written == bytes.size() && f.flush()) {
        f.close();
        if (f.error() == QFileDevice::NoError) {
            if (existed && fresh && note)
                *note = QStringLiteral("%1 was %2 bytes, shorter than its header; repaired")
                            .arg(QDir::toNativeSeparators(path))
                            .arg(length);
            return true;
        }
    }
    QString os = osText(f);
    f.close();
    if (os.isEmpty())
        os = osText(f);
    // Part of the record reached the file, or the write said it was short: the
    // usual causes are a full disk or the file size limit.
    const qint64 reached = QFileInfo(path).size() - at;
    QString why = os;
    if ((reached > 0 && reached < bytes.size()) || (written >= 0 && written < bytes.size()))
        why = QStringLiteral("the disk is full or the file size limit was reached")
            + (os.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(os));
    else if (why.isEmpty())
        why = QStringLiteral("the record was not written whole");
    // Take the partial write back, so later records stay on their 64-byte grid.
    if (!existed) {
        QFile::remove(path);
    } else if (!QFile::resize(path, length)) {
        why += QStringLiteral("; the file could not be cut back to %1 bytes").arg(length);
    }
    return fail(why);
}

namespace {

// Where a disk is mounted when it is there: a mount point of /etc/fstab, or
// a folder under the places removable disks are mounted.
bool mountPlace(const QString& folder)
{
    for (const char* root : {"/mnt/", "/media/", "/run/media/"})
        if (folder.startsWith(QLatin1String(root)))
            return true;
    for (const QString& line : ReadConfigLines(QStringLiteral("/etc/fstab"))) {
        const QStringList fields = line.simplified().split(u' ');
        if (fields.size() >= 2 && !fields[0].startsWith(u'#')
            && QDir::cleanPath(QString(fields[1]).replace(QLatin1String("\\040"), QLatin1String(" "))) == folder)
            return true;
    }
    return false;
}

} // namespace

bool PrepareDataFolder(const QString& folder, bool* made, QString* why)
{
    *made = false;
    const QFileInfo info(folder);
    if (info.isDir())
        return true;
    const QString name = QDir::toNativeSeparators(info.absoluteFilePath());
    auto fail = [why](const QString& text) {
        *why = text;
        return false;
    };
    if (info.exists())
        return fail(QStringLiteral("the data folder %1 is not a folder").arg(name));
    const QString parent = info.absolutePath();
    const QString parentName = QDir::toNativeSeparators(parent);
    struct stat here {}, above {};
    if (::stat(QFile::encodeName(parent).constData(), &here) != 0 || !S_ISDIR(here.st_mode))
        return fail(QStringLiteral("the data folder %1 is missing, and so is %2").arg(name, parentName));
    // An empty mount point with nothing mounted on it (still on the disk above).
    const QString grand = QFileInfo(parent).absolutePath();
    if (grand != parent && QDir(parent).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
        && ::stat(QFile::encodeName(grand).constData(), &above) == 0 && above.st_dev == here.st_dev
        && mountPlace(parent))
        return fail(QStringLiteral("the data folder %1 is missing and %2 is empty: is its disk mounted?")
                        .arg(name, parentName));
    if (::mkdir(QFile::encodeName(info.absoluteFilePath()).constData(), 0777) != 0 && errno != EEXIST)
        return fail(QStringLiteral("the data folder %1 is missing and cannot be made: %2")
                        .arg(name, QString::fromLocal8Bit(std::strerror(errno))));
    SyncFolder(parent);
    *made = true;
    return true;
}

QString FolderWriteProblem(const QString& folder)
{
    if (!QFileInfo(folder).isDir())
        return QString();
    const QByteArray probe = QFile::encodeName(QDir(folder).filePath(QStringLiteral(".vq800-probe-%1").arg(::getpid())));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST ? QString() : QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    ::unlink(probe.constData());
    return QString();
}

DataRecord ParseRecord(const char* p)
{
    DataRecord r;
    r.stamp = qFromBigEndian<quint32>(p);
    for (int k = 0; k < vqd::kChannels; ++k)
        r.pv[k] = qFromBigEndian<float>(p + 4 + 4 * k);
    for (int i = 0; i < 3; ++i)
        r.bo[i] = static_cast<quint8>(p[52 + i]);
    r.sdDi = static_cast<quint8>(p[55]);
    r.alarm14 = qFromLittleEndian<quint16>(p + 56);
    r.relay = qFromLittleEndian<quint16>(p + 58);
    r.alarm912 = qFromLittleEndian<quint16>(p + 60);
    r.alarm58 = qFromLittleEndian<quint16>(p + 62);
    return r;
}

bool ParseHeader(const QByteArray& bytes, int& modelCode, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (bytes.size() < vqd::kHeaderSize)
        return fail(QStringLiteral("not a data file: %1 bytes, shorter than the %2-byte header")
                        .arg(bytes.size())
                        .arg(vqd::kHeaderSize));
    if (!bytes.startsWith(QByteArray(vqd::kMagic, 14)))
        return fail(QStringLiteral("not a data file: it does not begin with \"%1\"").arg(QLatin1String(vqd::kMagic)));
    modelCode = GetU16BE(bytes, 16);
    return true;
}

bool ParseDataFile(const QByteArray& bytes, DataFileContents& out, QString* error)
{
    int model = 0;
    if (!ParseHeader(bytes, model, error))
        return false;
    out = {};
    out.modelCode = model;
    const qsizetype body = bytes.size() - vqd::kHeaderSize;
    out.trailingBytes = static_cast<int>(body % vqd::kRecordSize);
    out.records.reserve(body / vqd::kRecordSize);
    for (qsizetype at = vqd::kHeaderSize; at + vqd::kRecordSize <= bytes.size(); at += vqd::kRecordSize)
        out.records.append(ParseRecord(bytes.constData() + at));
    return true;
}

bool DataFileReader::open(const QString& path, QString* error)
{
    m_file.close();
    QString why;
    if (!OpenRegularFile(m_file, path, &why)) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    const QByteArray header = m_file.read(vqd::kHeaderSize);
    if (!ParseHeader(header, m_model, error))
        return false;
    const qint64 body = m_file.size() - vqd::kHeaderSize;
    m_records = body / vqd::kRecordSize;
    m_trailing = static_cast<int>(body % vqd::kRecordSize);
    return true;
}

QList<DataRecord> DataFileReader::read(qint64 first, int count)
{
    QList<DataRecord> out;
    const qint64 left = m_records - first;
    count = static_cast<int>(qMax<qint64>(0, qMin<qint64>(qMin(count, 1 << 20), left)));
    if (count == 0 || first < 0 || !m_file.seek(vqd::kHeaderSize + first * vqd::kRecordSize))
        return out;
    const QByteArray bytes = m_file.read(qint64(count) * vqd::kRecordSize);
    out.reserve(bytes.size() / vqd::kRecordSize);
    for (qsizetype at = 0; at + vqd::kRecordSize <= bytes.size(); at += vqd::kRecordSize)
        out.append(ParseRecord(bytes.constData() + at));
    return out;
}

bool ReadDataFile(const QString& path, DataFileContents& out, QString* error)
{
    DataFileReader reader;
    if (!reader.open(path, error))
        return false;
    out = {};
    out.modelCode = reader.modelCode();
    out.trailingBytes = reader.trailingBytes();
    for (qint64 at = 0; at < reader.recordCount(); at += 4096)
        out.records += reader.read(at, 4096);
    return true;
}
