#include "view/CsvExport.h"

#include "core/SafeFiles.h"

#include <QDir>
#include <QSaveFile>

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

} // namespace

bool WriteCsv(QIODevice& out, const Timeline& tl, qsizetype from, qsizetype to, const ChannelLooks& looks,
              const CsvOptions& options, QString* error)
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
        for (int k = 0; k < tl.channels; ++k)
            text += sepChar + field(ValueText(tl.value(k, i), looks[k], options.decimalPoint), sep);
        const RecordStatus s = tl.statusAt(i);
        const quint32 bo = s.bo[0] | quint32(s.bo[1]) << 8 | quint32(s.bo[2]) << 16;
        for (quint32 word : {quint32(s.di), quint32(s.relay), quint32(s.alarm[0]), quint32(s.alarm[1]),
                             quint32(s.alarm[2]), bo})
            text += sepChar + QByteArray::number(word);
        text += "\r\n";
        if (text.size() > (1 << 20) && !flush(text))
            return false;
    }
    return flush(text);
}

bool SaveCsv(const QString& path, const Timeline& tl, qsizetype from, qsizetype to, const ChannelLooks& looks,
             const CsvOptions& options, QString* error)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), f.errorString());
        return false;
    }
    if (!WriteCsv(f, tl, from, to, looks, options, error))
        return false;
    if (!CommitSafely(f)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), f.errorString());
        return false;
    }
    return true;
}
