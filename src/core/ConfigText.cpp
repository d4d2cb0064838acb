#include "core/ConfigText.h"

#include "core/SafeFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <cstring>

namespace {

// A line's bytes as text: UTF-8 when valid, else Latin-1. A line that was
// cut may end inside a UTF-8 sequence, which is dropped first.
QString decodeLine(QByteArray bytes, bool cut)
{
    if (cut) {
        qsizetype lead = bytes.size() - 1;
        while (lead > 0 && lead > bytes.size() - 4 && (uchar(bytes[lead]) & 0xC0) == 0x80)
            --lead;
        const uchar c = lead >= 0 ? uchar(bytes[lead]) : 0;
        const qsizetype need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (c >= 0xC0 && bytes.size() - lead < need)
            bytes.truncate(lead);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace

ConfigLines ReadConfigFile(const QString& path, const ConfigLimits& limits)
{
    ConfigLines out;
    QFile f;
    QString why;
    if (!OpenRegularFile(f, path, &why)) {
        if (QFileInfo::exists(path))
            out.unreadable = why;
        return out;
    }
    if (limits.maxLines <= 0)
        return out;
    QByteArray line;
    bool over = false;    // the line holds more than its bound
    bool afterCr = false; // an LF right after a CR ends nothing
    bool pending = false; // a line has begun
    auto finish = [&] {
        const int bound = limits.charsOf(static_cast<int>(out.lines.size()));
        QString text = decodeLine(line, over);
        if (over || text.size() > bound) {
            text.truncate(bound);
            if (out.cut++ == 0)
                out.firstCut = static_cast<int>(out.lines.size());
        }
        out.lines << text;
        line.clear();
        over = pending = false;
    };
    char chunk[64 * 1024];
    qint64 n = 0;
    while ((n = f.read(chunk, sizeof chunk)) > 0) {
        const char* p = chunk;
        const char* const end = chunk + n;
        while (p < end) {
            if (afterCr && *p == '\n') {
                afterCr = false;
                ++p;
                continue;
            }
            afterCr = false;
            if (out.lines.size() == limits.maxLines) {
                out.moreLines = true;
                return out;
            }
            // Up to the next line end; bytes past the bound (4 per character at most) are skipped.
            const char* stop = end;
            if (const void* lf = std::memchr(p, '\n', size_t(end - p)))
                stop = static_cast<const char*>(lf);
            if (const void* cr = std::memchr(p, '\r', size_t(stop - p)))
                stop = static_cast<const char*>(cr);
            const qsizetype room = qsizetype(limits.charsOf(static_cast<int>(out.lines.size()))) * 4 - line.size();
            const qsizetype take = qMin<qsizetype>(stop - p, qMax<qsizetype>(room, 0));
            line.append(p, take);
            over = over || take < stop - p;
            pending = true;
            p = stop;
            if (p < end) {
                afterCr = *p == '\r';
                ++p;
                finish();
            }
        }
    }
    // A final line ending does not start another line.
    if (pending)
        finish();
    return out;
}

QString ConfigLines::note(const QString& fileName, const ConfigLimits& limits) const
{
    QStringList parts;
    if (!unreadable.isEmpty())
        parts << QStringLiteral("not read (%1); the defaults are used").arg(unreadable);
    if (cut == 1)
        parts << QStringLiteral("line %1 is too long; only its first %2 characters are used")
                     .arg(firstCut + 1)
                     .arg(limits.charsOf(firstCut));
    else if (cut > 1)
        parts << QStringLiteral("%1 lines are too long, the first is line %2; only their first characters are used")
                     .arg(cut)
                     .arg(firstCut + 1);
    if (moreLines && limits.moreLinesMatter)
        parts << QStringLiteral("lines after line %1 are not read").arg(limits.maxLines);
    return parts.isEmpty() ? QString() : fileName + QStringLiteral(": ") + parts.join(QStringLiteral("; "));
}

QStringList ReadConfigLines(const QString& path)
{
    return ReadConfigFile(path, {}).lines;
}

bool WriteConfigLines(const QString& path, const QStringList& lines, QString* error)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(info.absolutePath()));
        return false;
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    QByteArray out;
    for (const QString& line : lines)
        out += line.toUtf8() + "\r\n";
    if (f.write(out) != out.size() || !CommitSafely(f)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

QString CannotSaveText(const QString& path, const QString& why)
{
    return QStringLiteral("%1 cannot be saved: %2.\nStart vq800 with --dir FOLDER to use a program folder that can "
                          "be written.")
        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), why);
}
