#pragma once
// CFG/Publish.INI: where live values and saved records go (an MQTT broker)
// and how they are named there. One key=value a line; lines with keys this
// program does not know, and comments, are kept in their order.
#include <QString>
#include <QStringList>

#include <optional>

struct PublishSettings {
    QString broker;        // "mqtt://HOST:PORT" or "mqtts://HOST:PORT"; empty: publishing off (the default)
    QString prefix;        // topic prefix of this line; empty: DefaultPrefix()
    QString clientId;      // empty: DefaultClientId()
    QString username;
    QString passwordFile;  // a file holding only the password
    QString caFile;        // for mqtts; empty: the system's CAs
    bool live = true;      // live=on|off
    bool records = true;   // records=on|off
    QStringList otherLines; // lines with unknown keys (and comments), kept as they were

    bool enabled() const { return !broker.trimmed().isEmpty(); }
};

struct BrokerAddress {
    bool tls = false;
    QString host; // an IPv6 address without its brackets
    int port = 0;
};

// mqtt://HOST[:PORT] (1883 by default) or mqtts://HOST[:PORT] (8883); an IPv6
// address in brackets. Otherwise nullopt, and *why says what is wrong.
std::optional<BrokerAddress> ParseBroker(const QString& url, QString* why = nullptr);

// vq800/HOST/LINE: the host's name and the program folder's name, with the
// characters a topic level must not hold (+ # / NUL, control characters) as '_'.
QString DefaultPrefix(const QString& programDir);
// "vq800-HOST-LINE" (the same replacement), at most 64 characters: a longer
// one keeps its start and ends with a hash of the whole, so that two lines
// with long names do not take the same id (the broker would drop one of them).
QString DefaultClientId(const QString& programDir);
// The prefix and client id in use: the configured ones, else the defaults.
// A configured prefix loses its trailing '/'.
QString PrefixInUse(const PublishSettings& s, const QString& programDir);
QString ClientIdInUse(const PublishSettings& s, const QString& programDir);

// What keeps the settings from being used or written: a broker that does not
// parse, a prefix with a wildcard, a value with a line break or too long for
// its line. Empty when there is nothing.
QString PublishSettingsProblem(const PublishSettings& s);

QString PublishSettingsPath(const QString& programDir); // programDir/CFG/Publish.INI

// A missing file gives the defaults (publishing off) and no note. A bad line
// (an on/off key with another value, a prefix with a wildcard, a line too
// long) is named in *note with the file and its number, and its key keeps
// the default.
PublishSettings ReadPublishSettings(const QString& programDir, QString* note = nullptr);
// Writes the known keys in a fixed order, then the other lines; the file is
// replaced atomically. Refuses settings PublishSettingsProblem finds fault with.
bool WritePublishSettings(const QString& programDir, const PublishSettings& s, QString* error = nullptr);

// The password: the file's first line without its line end. Refused (nullopt,
// *why says why) when it is not a regular file, cannot be read, or its group
// or others may read it.
std::optional<QString> ReadPasswordFile(const QString& path, QString* why = nullptr);
