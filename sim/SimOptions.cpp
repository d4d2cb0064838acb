#include "sim/SimOptions.h"

#include <functional>

QList<int> ParseDeviceList(const QString& text)
{
    QList<int> out;
    const QStringList parts = text.split(u',', Qt::KeepEmptyParts);
    for (const QString& part : parts) {
        const QStringList ends = part.trimmed().split(u'-');
        bool ok1 = false, ok2 = false;
        const int from = ends.value(0).toInt(&ok1);
        const int to = ends.size() == 2 ? ends[1].toInt(&ok2) : from;
        if (!ok1 || (ends.size() == 2 && !ok2) || ends.size() > 2 || from < 1 || to > 247 || to < from)
            return {};
        for (int n = from; n <= to; ++n)
            if (!out.contains(n))
                out.append(n);
    }
    return out;
}

QString SimUsage()
{
    return QStringLiteral(
        "Usage: vq800-sim [options]\n"
        "Simulated VQ800 recorders on a pseudo-terminal. Prints the line's path.\n"
        "  --devices LIST        device numbers served, e.g. 1,3,5-8 (default 1-3)\n"
        "  --model CODE | N=CODE model code for all or one device (10: 6 ch, 20: 12 ch)\n"
        "  --baud N              line rate: answers only while the line is set to it, with\n                        its wire time (default 9600; 0 = at once, at any speed)\n"
        "  --format 8N1|8E1|8N2  character format (default 8N1)\n"
        "  --turnaround-ms N     recorder turnaround (default 5)\n"
        "  --link PATH           symlink to the line, removed on exit\n"
        "  --tcp HOST:PORT       serve the same line to one TCP client (a serial device server)\n"
        "  --silent N            device N never answers (repeatable)\n"
        "  --crc-rate R | N=R    answers with a wrong CRC\n"
        "  --drop-rate R | N=R   answers not sent\n"
        "  --delay-rate R | N=R  answers sent after 1200 ms\n"
        "  --noise-rate R | N=R  noise bytes before answers\n"
        "  --truncate-rate R | N=R  answers cut short\n"
        "  --wrong-id-rate R | N=R  answers carrying another device number\n"
        "  --exception-rate R | N=R exception answers\n"
        "  --refuse-write REG | N=REG  writes covering register REG are refused (exception 03)\n"
        "  --noise-every MS      a random byte on the line every MS ms, between answers\n"
        "  --burnout N:CH        channel CH of device N in burn-out (repeatable)\n"
        "  --params N=FILE       device N starts with a 3032-byte parameter file\n"
        "  --seed N              fault seed (default 1)\n"
        "  --verbose             one stderr line per injected fault\n"
        "  --help                this text\n"
        "  --version             the version\n");
}

namespace {
// "R" or "N=R": the rate for all devices or for one.
bool parseRate(const QString& v, SimOptions* o, double FaultConfig::*field)
{
    const int eq = v.indexOf(u'=');
    bool ok = false;
    const double rate = v.mid(eq + 1).toDouble(&ok);
    if (!ok || rate < 0 || rate > 1)
        return false;
    if (eq < 0) {
        o->faults.*field = rate;
        for (FaultConfig& f : o->deviceFaults)
            f.*field = rate;
        return true;
    }
    const int device = v.left(eq).toInt(&ok);
    if (!ok || device < 1 || device > 247)
        return false;
    if (!o->deviceFaults.contains(device))
        o->deviceFaults[device] = o->faults;
    o->deviceFaults[device].*field = rate;
    return true;
}
}

bool ParseSimOptions(const QStringList& args, SimOptions* o, QString* error)
{
    const QMap<QString, double FaultConfig::*> rates = {
        {"--crc-rate", &FaultConfig::crcRate},       {"--drop-rate", &FaultConfig::dropRate},
        {"--delay-rate", &FaultConfig::delayRate},   {"--noise-rate", &FaultConfig::noiseRate},
        {"--truncate-rate", &FaultConfig::truncateRate}, {"--wrong-id-rate", &FaultConfig::wrongIdRate},
        {"--exception-rate", &FaultConfig::exceptionRate}};
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    for (int i = 0; i < args.size(); ++i) {
        QString name = args[i];
        QString value;
        const bool flag = name == "--help" || name == "-h" || name == "--verbose" || name == "--version"
            || name == "-v";
        if (!flag) {
            const int eq = name.indexOf(u'=');
            if (name.startsWith("--") && eq > 0) {
                value = name.mid(eq + 1);
                name = name.left(eq);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return fail(QStringLiteral("%1 needs a value").arg(name));
            }
        }
        bool ok = true;
        if (name == "--help" || name == "-h") {
            o->help = true;
        } else if (name == "--version" || name == "-v") {
            o->version = true;
        } else if (name == "--verbose") {
            o->verbose = true;
        } else if (name == "--devices") {
            o->devices = ParseDeviceList(value);
            if (o->devices.isEmpty())
                return fail(QStringLiteral("bad device list: %1").arg(value));
        } else if (name == "--model") {
            const int eq = value.indexOf(u'=');
            const int code = value.mid(eq + 1).toInt(&ok);
            if (!ok || code < 10 || code > 29)
                return fail(QStringLiteral("bad model code: %1").arg(value));
            if (eq < 0) {
                o->defaultModel = code;
            } else {
                const int device = value.left(eq).toInt(&ok);
                if (!ok)
                    return fail(QStringLiteral("bad model option: %1").arg(value));
                o->models[device] = code;
            }
        } else if (name == "--baud") {
            o->wire.baud = value.toInt(&ok);
            if (!ok || o->wire.baud < 0)
                return fail(QStringLiteral("bad baud rate: %1").arg(value));
        } else if (name == "--format") {
            const QString f = value.toUpper();
            if (f == "8N1")
                o->wire.bitsPerByte = 10;
            else if (f == "8E1" || f == "8O1" || f == "8N2")
                o->wire.bitsPerByte = 11;
            else
                return fail(QStringLiteral("bad format: %1").arg(value));
        } else if (name == "--turnaround-ms") {
            o->wire.turnaroundMs = value.toInt(&ok);
            if (!ok || o->wire.turnaroundMs < 0)
                return fail(QStringLiteral("bad turnaround: %1").arg(value));
        } else if (name == "--link") {
            o->link = value;
        } else if (name == "--tcp") {
            const int colon = value.lastIndexOf(u':');
            const int port = value.mid(colon + 1).toInt(&ok);
            if (colon <= 0 || !ok || port <= 0 || port > 65535)
                return fail(QStringLiteral("bad --tcp (HOST:PORT): %1").arg(value));
            o->tcp = value;
        } else if (name == "--silent") {
            const QList<int> list = ParseDeviceList(value);
            if (list.isEmpty())
                return fail(QStringLiteral("bad device list: %1").arg(value));
            for (int d : list) {
                if (!o->deviceFaults.contains(d))
                    o->deviceFaults[d] = o->faults;
                o->deviceFaults[d].silent = true;
            }
        } else if (rates.contains(name)) {
            if (!parseRate(value, o, rates[name]))
                return fail(QStringLiteral("bad rate for %1: %2 (0..1, or N=0..1)").arg(name, value));
        } else if (name == "--refuse-write") {
            const int eq = value.indexOf(u'=');
            const int reg = value.mid(eq + 1).toInt(&ok);
            bool okDevice = true;
            const int device = eq < 0 ? 0 : value.left(eq).toInt(&okDevice);
            if (!ok || !okDevice || reg < 40001 || reg > 41300 || device < 0 || device > 247)
                return fail(QStringLiteral("bad --refuse-write (REG or N=REG, REG 40001..41300): %1").arg(value));
            if (device == 0) {
                o->faults.refuseRegister = reg;
                for (FaultConfig& f : o->deviceFaults)
                    f.refuseRegister = reg;
            } else {
                if (!o->deviceFaults.contains(device))
                    o->deviceFaults[device] = o->faults;
                o->deviceFaults[device].refuseRegister = reg;
            }
        } else if (name == "--noise-every") {
            o->noiseEveryMs = value.toInt(&ok);
            if (!ok || o->noiseEveryMs < 1)
                return fail(QStringLiteral("bad --noise-every (milliseconds, at least 1): %1").arg(value));
        } else if (name == "--burnout") {
            const QStringList p = value.split(u':');
            bool ok2 = false;
            const int d = p.value(0).toInt(&ok);
            const int c = p.value(1).toInt(&ok2);
            if (p.size() != 2 || !ok || !ok2 || c < 1 || c > 12)
                return fail(QStringLiteral("bad burn-out option: %1 (DEVICE:CHANNEL)").arg(value));
            o->burnOut.append({d, c});
        } else if (name == "--params") {
            const int eq = value.indexOf(u'=');
            const int d = value.left(eq).toInt(&ok);
            if (eq < 1 || !ok)
                return fail(QStringLiteral("bad parameter file option: %1 (DEVICE=FILE)").arg(value));
            o->paramFiles[d] = value.mid(eq + 1);
        } else if (name == "--seed") {
            o->seed = value.toULongLong(&ok);
            if (!ok)
                return fail(QStringLiteral("bad seed: %1").arg(value));
        } else {
            return fail(QStringLiteral("unknown option: %1").arg(name));
        }
    }
    return true;
}
