#include "publish/PublishSettings.h"

#include "core/ConfigText.h"
#include "core/SafeFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr int kMaxLine = 4096;      // characters of a line of the file
constexpr int kMaxClientId = 64;
constexpr qint64 kMaxPassword = 65535; // bytes, as MQTT carries it

enum Key { Broker, Prefix, ClientId, Username, PasswordFile, CaFile, Live, Records, Keys };
// In the order they are written.
const std::array<const char*, Keys> kKeys = {"broker",   "prefix",  "client_id", "username",
                                             "password_file", "ca_file", "live",      "records"};
// As the operator knows them.
const std::array<const char*, Keys> kNames = {"broker",        "topic prefix", "client id", "user name",
                                              "password file", "CA file",      "live",      "records"};
QString PublishSettings::*const kTexts[CaFile + 1] = {&PublishSettings::broker,   &PublishSettings::prefix,
                                                      &PublishSettings::clientId, &PublishSettings::username,
                                                      &PublishSettings::passwordFile, &PublishSettings::caFile};

int keyOf(const QString& line)
{
    if (!line.contains(u'='))
        return -1;
    const QString key = line.section(u'=', 0, 0).trimmed();
    for (int k = 0; k < Keys; ++k)
        if (key.compare(QLatin1String(kKeys[k]), Qt::CaseInsensitive) == 0)
            return k;
    return -1;
}

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control;
}

// Text made fit for one topic level: '_' for + # / and control characters,
// and for halves of surrogate pairs that have no other half (not UTF-8).
QString topicLevel(const QString& text)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i];
        if (c.isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c == u'+' || c == u'#' || c == u'/' || isControl(c) || c.isSurrogate())
            out[i] = u'_';
    }
    return out.isEmpty() ? QStringLiteral("_") : out;
}

QString hostLevel()
{
    return topicLevel(QSysInfo::machineHostName());
}

QString lineLevel(const QString& programDir)
{
    return topicLevel(QFileInfo(QDir(programDir).absolutePath()).fileName());
}

QString prefixProblem(const QString& prefix)
{
    for (QChar c : prefix)
        if (c == u'+' || c == u'#')
            return QStringLiteral("the topic prefix %1 holds a wildcard (+ or #), which a topic may not").arg(prefix);
    return {};
}

bool validHostName(const QString& host)
{
    if (host.size() > 253 || host.startsWith(u'-') || host.startsWith(u'.'))
        return false;
    for (QChar c : host)
        if (!(c.unicode() < 128 && (c.isLetterOrNumber() || c == u'-' || c == u'.' || c == u'_')))
            return false;
    return true;
}

// Hex groups, colons and an IPv4 tail; a zone after '%' (fe80::1%eth0).
bool validIPv6(const QString& address)
{
    const QString zone = address.section(u'%', 1);
    const QString bare = address.section(u'%', 0, 0);
    if (!bare.contains(u':') || (address.contains(u'%') && zone.isEmpty()))
        return false;
    for (QChar c : bare)
        if (!(c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f') || c == u':' || c == u'.'))
            return false;
    for (QChar c : zone)
        if (!(c.unicode() < 128 && (c.isLetterOrNumber() || c == u'-' || c == u'.' || c == u'_')))
            return false;
    return true;
}

} // namespace

std::optional<BrokerAddress> ParseBroker(const QString& url, QString* why)
{
    const QString u = url.trimmed();
    const auto fail = [&](const QString& text) -> std::optional<BrokerAddress> {
        if (why)
            *why = text;
        return std::nullopt;
    };
    BrokerAddress a;
    QString rest;
    if (u.startsWith(QLatin1String("mqtt://"), Qt::CaseInsensitive)) {
        rest = u.mid(7);
        a.port = 1883;
    } else if (u.startsWith(QLatin1String("mqtts://"), Qt::CaseInsensitive)) {
        rest = u.mid(8);
        a.tls = true;
        a.port = 8883;
    } else {
        return fail(QStringLiteral("the broker %1 does not begin with mqtt:// or mqtts://").arg(u));
    }
    if (rest.endsWith(u'/'))
        rest.chop(1);
    if (rest.contains(u'@'))
        return fail(QStringLiteral("the broker %1 holds a user name; it has its own setting").arg(u));
    for (QChar c : {u'/', u'?', u'#'})
        if (rest.contains(c))
            return fail(QStringLiteral("the broker %1 holds more than HOST:PORT").arg(u));
    QString portText;
    bool hasPort = false;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return fail(QStringLiteral("the broker %1 opens '[' without closing it").arg(u));
        a.host = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(u':'))
            return fail(QStringLiteral("the broker %1 holds more than HOST:PORT").arg(u));
        hasPort = !after.isEmpty();
        portText = after.mid(1);
        if (!validIPv6(a.host))
            return fail(QStringLiteral("the broker %1 has no IPv6 address in its brackets").arg(u));
    } else {
        const qsizetype colon = rest.indexOf(u':');
        if (colon >= 0 && rest.indexOf(u':', colon + 1) >= 0)
            return fail(QStringLiteral("the broker %1: an IPv6 address goes in brackets, mqtt://[ADDRESS]:PORT").arg(u));
        a.host = colon < 0 ? rest : rest.left(colon);
        hasPort = colon >= 0;
        portText = rest.mid(colon + 1);
        if (a.host.isEmpty())
            return fail(QStringLiteral("the broker %1 names no host").arg(u));
        if (!validHostName(a.host))
            return fail(QStringLiteral("the broker %1 has no valid host name").arg(u));
    }
    if (hasPort) {
        bool digits = !portText.isEmpty() && portText.size() <= 5;
        for (QChar c : portText)
            digits = digits && c.unicode() >= '0' && c.unicode() <= '9';
        const int port = digits ? portText.toInt() : 0;
        if (port < 1 || port > 65535)
            return fail(QStringLiteral("the port of the broker %1 is not a number from 1 to 65535").arg(u));
        a.port = port;
    }
    return a;
}

QString DefaultPrefix(const QString& programDir)
{
    return QStringLiteral("vq800/%1/%2").arg(hostLevel(), lineLevel(programDir));
}

QString DefaultClientId(const QString& programDir)
{
    const QString id = QStringLiteral("vq800-%1-%2").arg(hostLevel(), lineLevel(programDir));
    if (id.size() <= kMaxClientId)
        return id;
    const QByteArray hash = QCryptographicHash::hash(id.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    QString head = id.left(kMaxClientId - 1 - hash.size());
    if (head.back().isHighSurrogate())
        head.chop(1);
    return head + u'-' + QString::fromLatin1(hash);
}

QString PrefixInUse(const PublishSettings& s, const QString& programDir)
{
    QString p = s.prefix.trimmed();
    while (p.endsWith(u'/'))
        p.chop(1);
    return p.isEmpty() ? DefaultPrefix(programDir) : p;
}

QString ClientIdInUse(const PublishSettings& s, const QString& programDir)
{
    const QString id = s.clientId.trimmed();
    return id.isEmpty() ? DefaultClientId(programDir) : id;
}

QString PublishSettingsProblem(const PublishSettings& s)
{
    const auto lineProblem = [](const QString& line, const QString& what) -> QString {
        if (line.size() > kMaxLine)
            return QStringLiteral("the %1 is longer than %2 characters").arg(what, QString::number(kMaxLine));
        if (std::any_of(line.begin(), line.end(), isControl))
            return QStringLiteral("the %1 holds a line break or another control character").arg(what);
        return {};
    };
    for (int k = Broker; k <= CaFile; ++k) {
        const QString line = QLatin1String(kKeys[k]) + u'=' + (s.*kTexts[k]).trimmed();
        if (const QString why = lineProblem(line, QLatin1String(kNames[k])); !why.isEmpty())
            return why;
    }
    for (const QString& line : s.otherLines)
        if (const QString why = lineProblem(line, QStringLiteral("line \"%1\"").arg(line.left(32))); !why.isEmpty())
            return why;
    QString why;
    if (s.enabled() && !ParseBroker(s.broker, &why))
        return why;
    return prefixProblem(s.prefix.trimmed());
}

QString PublishSettingsPath(const QString& programDir)
{
    return QDir(programDir).filePath(QStringLiteral("CFG/Publish.INI"));
}

PublishSettings ReadPublishSettings(const QString& programDir, QString* note)
{
    // One character more than a line may hold tells a line that is too long.
    const ConfigLimits limits{1000, {kMaxLine + 1}};
    ConfigLines read = ReadConfigFile(PublishSettingsPath(programDir), limits);
    PublishSettings s;
    QStringList said;
    std::array<int, Keys> lineOf{};
    for (int i = 0; i < read.lines.size(); ++i) {
        const QString& line = read.lines[i];
        const int k = keyOf(line);
        const bool tooLong = line.size() > kMaxLine;
        if (k < 0) {
            if (tooLong)
                said << QStringLiteral("line %1 is longer than %2 characters; it is cut").arg(i + 1).arg(kMaxLine);
            s.otherLines << line.left(kMaxLine);
            continue;
        }
        const QString key = QLatin1String(kKeys[k]);
        if (lineOf[k] > 0) {
            said << QStringLiteral("line %1 repeats %2; line %3 holds").arg(i + 1).arg(key).arg(lineOf[k]);
            continue;
        }
        lineOf[k] = i + 1;
        const QString fallback = k == Live || k == Records ? QStringLiteral("%1 is on").arg(key)
                                 : k == Broker             ? QStringLiteral("publishing is off")
                                                           : QStringLiteral("the default is used");
        if (tooLong) {
            said << QStringLiteral("line %1 (%2) is longer than %3 characters; %4").arg(i + 1).arg(key).arg(kMaxLine).arg(fallback);
            continue;
        }
        const QString value = line.section(u'=', 1).trimmed();
        if (k == Live || k == Records) {
            const bool on = value.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0;
            if (!on && value.compare(QLatin1String("off"), Qt::CaseInsensitive) != 0) {
                said << QStringLiteral("line %1: %2=%3 is neither on nor off; %4").arg(i + 1).arg(key, value.left(32), fallback);
                continue;
            }
            (k == Live ? s.live : s.records) = on;
        } else if (const QString why = k == Prefix ? prefixProblem(value) : QString(); !why.isEmpty()) {
            said << QStringLiteral("line %1: %2; %3").arg(i + 1).arg(why, fallback);
        } else {
            s.*kTexts[k] = value;
        }
    }
    if (note) {
        read.cut = 0; // said above, line by line
        *note = read.note(QStringLiteral("Publish.INI"), limits);
        if (!said.isEmpty())
            *note += (note->isEmpty() ? QStringLiteral("Publish.INI: ") : QStringLiteral("; ")) + said.join(QStringLiteral("; "));
    }
    return s;
}

bool WritePublishSettings(const QString& programDir, const PublishSettings& s, QString* error)
{
    if (const QString why = PublishSettingsProblem(s); !why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    QStringList lines;
    for (int k = Broker; k <= CaFile; ++k)
        lines << QLatin1String(kKeys[k]) + u'=' + (s.*kTexts[k]).trimmed();
    const auto onOff = [](bool on) { return on ? QLatin1String("on") : QLatin1String("off"); };
    lines << QStringLiteral("live=") + onOff(s.live) << QStringLiteral("records=") + onOff(s.records);
    return WriteConfigLines(PublishSettingsPath(programDir), lines + s.otherLines, error);
}

std::optional<QString> ReadPasswordFile(const QString& path, QString* why)
{
    const QString shown = QDir::toNativeSeparators(path);
    const auto fail = [&](const QString& text) -> std::optional<QString> {
        if (why)
            *why = text;
        return std::nullopt;
    };
    if (path.trimmed().isEmpty())
        return fail(QStringLiteral("no password file is given"));
    QFile f;
    QString reason;
    if (!OpenRegularFile(f, path, &reason))
        return fail(QStringLiteral("the password file %1 cannot be read: %2").arg(shown, reason));
    // The mode of what was opened, not of what the name may point to by now.
    struct stat st {};
    if (::fstat(f.handle(), &st) != 0)
        return fail(QStringLiteral("the password file %1 cannot be read: %2").arg(shown, QString::fromLocal8Bit(std::strerror(errno))));
    if (st.st_mode & (S_IRGRP | S_IROTH))
        return fail(QStringLiteral("the password file %1 may be read by others; chmod 600 it").arg(shown));
    QByteArray bytes = f.read(kMaxPassword + 2);
    if (f.error() != QFileDevice::NoError)
        return fail(QStringLiteral("the password file %1 cannot be read: %2").arg(shown, f.errorString()));
    const qsizetype end = std::min(bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n'),
                                   bytes.indexOf('\r') < 0 ? bytes.size() : bytes.indexOf('\r'));
    bytes.truncate(end);
    if (bytes.size() > kMaxPassword)
        return fail(QStringLiteral("the password in %1 is longer than %2 bytes").arg(shown, QString::number(kMaxPassword)));
    return QString::fromUtf8(bytes);
}
