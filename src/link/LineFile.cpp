#include "link/LineFile.h"

#include "link/ConfigText.h"

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
