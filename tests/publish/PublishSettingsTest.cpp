#include "common/Files.h"
#include "publish/PublishSettings.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(PublishSettings, BrokerAddressesAndTheNamesInUse)
{
    struct Case { const char* url; bool tls; const char* host; int port; };
    const Case cases[] = {
        {"mqtt://broker.local", false, "broker.local", 1883},
        {" MQTTS://10.0.0.5 ", true, "10.0.0.5", 8883},
        {"mqtt://broker:1884/", false, "broker", 1884},
        {"mqtt://[::1]", false, "::1", 1883},
        {"mqtts://[fe80::1%eth0]:8884", true, "fe80::1%eth0", 8884},
    };
    for (const Case& c : cases) {
        const auto a = ParseBroker(QString::fromLatin1(c.url));
        ASSERT_TRUE(a.has_value()) << c.url;
        EXPECT_EQ(a->tls, c.tls) << c.url;
        EXPECT_EQ(a->host, QString::fromLatin1(c.host)) << c.url;
        EXPECT_EQ(a->port, c.port) << c.url;
    }
    for (const char* url : {"tcp://broker:1883", "broker:1883", "mqtt://", "mqtt://:1883", "mqtt://broker:",
                            "mqtt://broker:0", "mqtt://broker:65536", "mqtt://broker:+80", "mqtt://::1:1883",
                            "mqtt://[::1", "mqtt://[::1]x", "mqtt://[host]:1", "mqtt://op:pw@broker",
                            "mqtt://broker/topic", "mqtt://bro ker"}) {
        QString why;
        EXPECT_FALSE(ParseBroker(QString::fromLatin1(url), &why).has_value()) << url;
        EXPECT_FALSE(why.isEmpty()) << url;
    }

    // Three topic levels whatever the folder is called.
    const QString prefix = DefaultPrefix("/srv/li+ne/#2\t/");
    EXPECT_TRUE(prefix.startsWith("vq800/") && prefix.endsWith("/_2_")) << prefix.toStdString();
    EXPECT_EQ(prefix.count('/'), 2) << prefix.toStdString();
    EXPECT_FALSE(prefix.contains('+') || prefix.contains('#'));
    EXPECT_TRUE(DefaultClientId("/srv/line2").startsWith("vq800-"));
    EXPECT_TRUE(DefaultClientId("/srv/line2").endsWith("-line2"));
    // Long folder names: 64 characters, and still one id per line.
    const QString a = DefaultClientId("/srv/" + QString(80, 'a') + "1");
    EXPECT_EQ(a.size(), 64);
    EXPECT_EQ(a, DefaultClientId("/srv/" + QString(80, 'a') + "1"));
    EXPECT_NE(a, DefaultClientId("/srv/" + QString(80, 'a') + "2"));

    PublishSettings s;
    EXPECT_EQ(PrefixInUse(s, "/srv/line2"), DefaultPrefix("/srv/line2"));
    EXPECT_EQ(ClientIdInUse(s, "/srv/line2"), DefaultClientId("/srv/line2"));
    s.prefix = "plant/line2//";
    s.clientId = "logger-7";
    EXPECT_EQ(PrefixInUse(s, "/srv/line2"), "plant/line2");
    EXPECT_EQ(ClientIdInUse(s, "/srv/line2"), "logger-7");
    s.prefix = "/";
    EXPECT_EQ(PrefixInUse(s, "/srv/line2"), DefaultPrefix("/srv/line2"));
}

TEST(PublishSettings, TheFileKeepsOtherLinesAndNamesBadOnes)
{
    QTemporaryDir dir;
    QString note = "stale";
    PublishSettings s = ReadPublishSettings(dir.path(), &note);
    EXPECT_FALSE(s.enabled());
    EXPECT_TRUE(s.live && s.records);
    EXPECT_TRUE(note.isEmpty());

    WriteFile(PublishSettingsPath(dir.path()),
              "# line 2 of the plant\n"
              " Broker = mqtts://[::1]:8884\n"
              "prefix=plant/line2/\n"
              "qos=1\n"
              "live=maybe\n"
              "records=OFF\n"
              "username=op\n"
              "ca_file=" + QByteArray(5000, 'x') + "\n"
              "broker=mqtt://other\n"
              "client_id=\n");
    s = ReadPublishSettings(dir.path(), &note);
    EXPECT_EQ(s.broker, "mqtts://[::1]:8884");
    EXPECT_EQ(s.prefix, "plant/line2/");
    EXPECT_EQ(s.username, "op");
    EXPECT_TRUE(s.caFile.isEmpty());
    EXPECT_TRUE(s.live);
    EXPECT_FALSE(s.records);
    EXPECT_EQ(s.otherLines, (QStringList{"# line 2 of the plant", "qos=1"}));
    for (const char* said : {"Publish.INI: ", "line 5: live=maybe", "line 8 (ca_file) is longer", "line 9 repeats broker"})
        EXPECT_TRUE(note.contains(said)) << said << " in " << note.toStdString();

    ASSERT_TRUE(WritePublishSettings(dir.path(), s));
    const QByteArray written = "broker=mqtts://[::1]:8884\r\nprefix=plant/line2/\r\nclient_id=\r\nusername=op\r\n"
                               "password_file=\r\nca_file=\r\nlive=on\r\nrecords=off\r\n"
                               "# line 2 of the plant\r\nqos=1\r\n";
    EXPECT_EQ(ReadFile(PublishSettingsPath(dir.path())), written);
    const PublishSettings again = ReadPublishSettings(dir.path(), &note);
    EXPECT_TRUE(note.isEmpty()) << note.toStdString();
    EXPECT_EQ(again.otherLines, s.otherLines);
    EXPECT_EQ(again.records, false);

    // What the file could not hold, or a broker could not use, is not written.
    struct Bad { const char* what; QString PublishSettings::*field; const char* value; };
    const Bad bad[] = {{"broker", &PublishSettings::broker, "ftp://broker"},
                       {"wildcard", &PublishSettings::prefix, "plant/+/x"},
                       {"control", &PublishSettings::username, "op\nbroker=mqtt://evil"}};
    for (const Bad& b : bad) {
        PublishSettings t = s;
        t.*b.field = QString::fromLatin1(b.value);
        QString error;
        EXPECT_FALSE(WritePublishSettings(dir.path(), t, &error)) << b.value;
        EXPECT_TRUE(error.contains(b.what)) << error.toStdString();
    }
    EXPECT_EQ(ReadFile(PublishSettingsPath(dir.path())), written);
    WriteFile(PublishSettingsPath(dir.path()), "prefix=a/#\r\n");
    EXPECT_TRUE(ReadPublishSettings(dir.path(), &note).prefix.isEmpty());
    EXPECT_TRUE(note.contains("line 1")) << note.toStdString();
}

TEST(PublishSettings, APasswordFileOnlyItsOwnerMayRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pw");
    ASSERT_TRUE(WriteFile(path, "s3cret pass\r\nsecond line\n"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
    struct Case { QString path; mode_t mode; const char* said; };
    const Case cases[] = {{path, 0600, nullptr},         {path, 0400, nullptr},
                          {path, 0644, "chmod 600"},     {path, 0640, "chmod 600"},
                          {path, 0604, "chmod 600"},     {dir.filePath("fifo"), 0600, "FIFO"},
                          {dir.path(), 0700, "folder"},  {dir.filePath("none"), 0600, "cannot be read"}};
    for (const Case& c : cases) {
        ::chmod(QFile::encodeName(c.path).constData(), c.mode);
        QString why;
        const auto pw = ReadPasswordFile(c.path, &why);
        EXPECT_EQ(pw.has_value(), c.said == nullptr) << c.path.toStdString() << " " << std::oct << c.mode;
        if (pw)
            EXPECT_EQ(*pw, "s3cret pass");
        else
            EXPECT_TRUE(why.contains(c.said)) << why.toStdString();
    }
}
