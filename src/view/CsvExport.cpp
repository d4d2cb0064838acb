#include "view/CsvExport.h"

#include "core/SafeFiles.h"

#include <QDir>
#include <QSaveFile>
#include <charconv>
#include <cmath>

namespace {

QByteArray field(const QString& text, QChar separator)
{
    if (!text.contains(separator) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text.toUtf8();
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return '"' + quoted.toUtf8() + '"';
}

// A value's field: a number, quoted only when its decimal point is the separator.
void appendValue(QByteArray& text, float v, const ChannelLook& look, char point, char sep)
{
    if (!std::isfinite(v))
        return;
    const qsizetype start = text.size();
    if (look.decimals < 0) {
        char buf[32]; // the shortest form of a float takes at most 15
        text.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr - buf); // as ValueText, without a QString
    } else {
        text += ValueText(v, look, QLatin1Char('.')).toLatin1();
    }
    const qsizetype dot = text.indexOf('.', start);
    if (dot < 0)
        return;
    text[dot] = point;
    if (point == sep) {
        text.insert(start, '"');
        text += '"';
    }
}

} // namespace

bool WriteCsv(QIODevice& out, const Timeline& tl, qsizetype from, qsizetype to, const ChannelLooks& looks,
              const CsvOptions& options, QString* error, const std::function<bool(int)>& progress)
{
    auto flush = [&](QByteArray& bytes) {
        if (out.write(bytes) == bytes.size()) {
            bytes.clear();
            return true;
        }
        if (error)
            *error = out.errorString();
        return false;
    };
    tl.guardShrunkFiles();
    from = qBound<qsizetype>(0, from, tl.size());
    to = qBound(from, to, tl.size());
    const QChar sep = options.separator;
    const char sepChar = char(sep.toLatin1());
    QByteArray text = "\xEF\xBB\xBF" + field(QStringLiteral("Time"), sep);
    for (int k = 0; k < tl.channels; ++k) {
        const ChannelLook& look = looks[k];
        text += sepChar + field(look.unit.isEmpty() ? look.name : QStringLiteral("%1 [%2]").arg(look.name, look.unit), sep);
    }
    for (const char* name : {"DI", "RELAY", "ALARM(1-4)", "ALARM(5-8)", "ALARM(9-12)", "BO"})
        text += sepChar + QByteArray(name);
    text += "\r\n";
    for (qsizetype i = from; i < to; ++i) {
        text += StampText(tl.stampAt(i));
        for (int k = 0; k < tl.channels; ++k) {
            text += sepChar;
            appendValue(text, tl.value(k, i), looks[k], char(options.decimalPoint.toLatin1()), sepChar);
        }
        const RecordStatus s = tl.statusAt(i);
        const quint32 bo = s.bo[0] | quint32(s.bo[1]) << 8 | quint32(s.bo[2]) << 16;
        for (quint32 word : {quint32(s.di), quint32(s.relay), quint32(s.alarm[0]), quint32(s.alarm[1]),
                             quint32(s.alarm[2]), bo}) {
            text += sepChar;
            char buf[12];
            text.append(buf, std::to_chars(buf, buf + sizeof buf, word).ptr - buf);
        }
        text += "\r\n";
        if (text.size() > (1 << 20) && !flush(text))
            return false;
        if ((i - from) % 65536 == 0 && progress && !progress(int(100.0 * double(i - from) / double(to - from)))) {
            if (error)
                error->clear();
            return false;
        }
    }
    return flush(text);
}

bool SaveCsv(const QString& path, const Timeline& tl, qsizetype from, qsizetype to, const ChannelLooks& looks,
             const CsvOptions& options, QString* error, const std::function<bool(int)>& progress)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), f.errorString());
        return false;
    }
    if (!WriteCsv(f, tl, from, to, looks, options, error, progress))
        return false;
    if (!CommitSafely(f)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), f.errorString());
        return false;
    }
    return true;
}
