// vq800-vqd: shows what a data file holds, or exports it as CSV.
#include "link/RegisterMap.h"
#include "logging/DataFile.h"
#include "Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

QString timeText(const DataRecord& r)
{
    const QDateTime t = r.time();
    return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                            : QStringLiteral("invalid 0x%1").arg(r.stamp, 8, 16, QLatin1Char('0'));
}

QString number(float v)
{
    return QString::number(static_cast<double>(v), 'g', 7);
}

// The burn-out bytes 52..54 as one number, byte 52 lowest.
quint32 boBits(const DataRecord& r)
{
    return r.bo[0] | (quint32(r.bo[1]) << 8) | (quint32(r.bo[2]) << 16);
}

void print(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
}

// Records come a block at a time, so that a file of any size prints at once
// in little memory.
constexpr int kBlock = 4096;

template <typename Each> void forEachRecord(DataFileReader& file, Each each)
{
    for (qint64 at = 0; at < file.recordCount(); at += kBlock)
        for (const DataRecord& r : file.read(at, kBlock))
            each(r);
}

// Channels a file's recorder has; all of them where its model is unknown.
int channelsOf(int modelCode)
{
    const int n = regmap::ChannelsOfModel(modelCode);
    return n > 0 ? n : vqd::kChannels;
}

void printSummary(const QString& path, DataFileReader& file)
{
    const int n = regmap::ChannelsOfModel(file.modelCode());
    print(QStringLiteral("File:       %1").arg(QFileInfo(path).fileName()));
    print(QStringLiteral("Model code: %1 (%2)")
              .arg(file.modelCode())
              .arg(n > 0 ? QStringLiteral("%1 channels").arg(n) : QStringLiteral("unknown model")));
    print(QStringLiteral("Records:    %1").arg(file.recordCount()));
    if (file.recordCount() > 0) {
        print(QStringLiteral("First:      %1").arg(timeText(file.read(0, 1).value(0))));
        print(QStringLiteral("Last:       %1").arg(timeText(file.read(file.recordCount() - 1, 1).value(0))));
    }
    if (file.trailingBytes())
        print(QStringLiteral("Warning:    %1 bytes after the last whole record are not shown").arg(file.trailingBytes()));
    print(QString());

    QString head = QStringLiteral("%1").arg(QStringLiteral("Local time"), -19);
    for (int k = 1; k <= n; ++k)
        head += QStringLiteral(" %1").arg(QStringLiteral("PV%1").arg(k, 2, 10, QLatin1Char('0')), 11);
    head += QStringLiteral("  BO       DI   ALM1-4  RELAY  ALM9-12 ALM5-8");
    print(head);
    forEachRecord(file, [n](const DataRecord& r) {
        QString line = QStringLiteral("%1").arg(timeText(r), -19);
        for (int k = 0; k < n; ++k)
            line += QStringLiteral(" %1").arg(number(r.pv[k]), 11);
        line += QStringLiteral("  %1 %2 %3 %4 %5 %6")
                    .arg(QStringLiteral("%1").arg(boBits(r), 6, 16, QLatin1Char('0')).toUpper(), -8)
                    .arg(r.sdDi, 3)
                    .arg(r.alarm14, 7)
                    .arg(r.relay, 6)
                    .arg(r.alarm912, 8)
                    .arg(r.alarm58, 6);
        print(line);
    });
}

void printCsvHead(int channels)
{
    QString head = QStringLiteral("Time");
    for (int k = 1; k <= channels; ++k)
        head += QStringLiteral(",PV%1").arg(k, 2, 10, QLatin1Char('0'));
    head += QStringLiteral(",BO,SD_DI,ALARM(1-4),RELAY,ALARM(9-12),ALARM(5-8)");
    print(head);
}

// Channels a file's recorder lacks stay empty when files of both kinds are
// written together.
void printCsv(DataFileReader& file, int channels)
{
    const int held = channelsOf(file.modelCode());
    forEachRecord(file, [&](const DataRecord& r) {
        QString line = timeText(r);
        for (int k = 0; k < channels; ++k)
            line += k < held ? u',' + number(r.pv[k]) : QStringLiteral(",");
        line += QStringLiteral(",%1,%2,%3,%4,%5,%6")
                    .arg(boBits(r))
                    .arg(r.sdDi)
                    .arg(r.alarm14)
                    .arg(r.relay)
                    .arg(r.alarm912)
                    .arg(r.alarm58);
        print(line);
    });
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vq800-vqd"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VQ800_VERSION));
    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral("Shows the header and records of a VQ800 data file (*.VQD)."));
    cli.addHelpOption();
    cli.addVersionOption();
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("Write the records as CSV to standard output."));
    cli.addOption(csv);
    cli.addPositionalArgument(QStringLiteral("FILE"),
                              QStringLiteral("The data files to read; with --csv their records follow each other."),
                              QStringLiteral("FILE..."));
    cli.process(app);
    const QStringList paths = cli.positionalArguments();
    if (paths.isEmpty()) {
        std::fputs(qPrintable(cli.helpText()), stderr);
        return 2;
    }
    // A file that cannot be read is reported; the others are still shown.
    // Headers are checked first (the CSV head needs every file's channels);
    // files are opened one at a time, so that any number of them can be named.
    int status = 0;
    const auto open = [&status](const QString& path, DataFileReader& file) {
        QString why;
        if (file.open(path, &why))
            return true;
        std::fprintf(stderr, "vq800-vqd: %s: %s\n", qPrintable(path), qPrintable(why));
        status = 1;
        return false;
    };
    QStringList readable;
    int channels = 0;
    for (const QString& path : paths) {
        DataFileReader file;
        if (open(path, file)) {
            readable << path;
            channels = qMax(channels, channelsOf(file.modelCode()));
        }
    }
    if (cli.isSet(csv) && !readable.isEmpty())
        printCsvHead(channels);
    for (const QString& path : readable) {
        DataFileReader file;
        if (!open(path, file))
            continue;
        if (cli.isSet(csv))
            printCsv(file, channels);
        else
            printSummary(path, file);
    }
    return status;
}
