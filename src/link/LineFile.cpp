#include "link/LineFile.h"

#include "core/ConfigText.h"

#include <QDir>
#include <algorithm>

namespace {
QString keyOf(const QString& line)
{
    return line.contains(u'=') ? line.section(u'=', 0, 0).trimmed() : QString();
}
}

QString LineFile::path(const QString& programDir)
{
    return QDir(programDir).filePath(QStringLiteral("CFG/Line.INI"));
}

LineFile LineFile::read(const QString& programDir, QString* note)
{
    const ConfigLimits limits{1000, {1024}};
    const ConfigLines r = ReadConfigFile(path(programDir), limits);
    if (note)
        *note = r.note(QStringLiteral("Line.INI"), limits);
    LineFile f;
    f.lines = r.lines;
    return f;
}

bool LineFile::write(const QString& programDir, QString* error) const
{
    return WriteConfigLines(path(programDir), lines, error);
}

QString LineFile::value(const QString& key) const
{
    for (const QString& line : lines)
        if (keyOf(line).compare(key, Qt::CaseInsensitive) == 0)
            return line.section(u'=', 1).trimmed();
    return {};
}

void LineFile::setValue(const QString& key, const QString& value)
{
    const QString line = key + u'=' + value;
    const auto at = std::find_if(lines.begin(), lines.end(),
                                 [&](const QString& l) { return keyOf(l).compare(key, Qt::CaseInsensitive) == 0; });
    if (at == lines.end())
        lines << line;
    else
        *at = line;
}

int LineFile::gapMs() const
{
    bool ok = false;
    const int ms = value(QStringLiteral("gap_ms")).toInt(&ok);
    return ok && ms >= 0 && ms <= kMaxGapMs ? ms : kDefaultGapMs;
}

namespace {
const char* const kRs485Names[] = {"none", "rts", "kernel"};
}

Rs485Mode LineFile::rs485() const
{
    const QString v = value(QStringLiteral("rs485"));
    for (int i = 0; i < 3; ++i)
        if (v.compare(QLatin1String(kRs485Names[i]), Qt::CaseInsensitive) == 0)
            return static_cast<Rs485Mode>(i);
    return Rs485Mode::None;
}

void LineFile::setRs485(Rs485Mode mode)
{
    setValue(QStringLiteral("rs485"), QLatin1String(kRs485Names[static_cast<int>(mode)]));
}
