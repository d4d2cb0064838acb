#include "common/Files.h"
#include "link/ConfigText.h"
#include "link/DataStore.h"
#include "link/DeviceList.h"
#include "link/LineFile.h"
#include "link/LinkState.h"
#include "link/PortFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ConfigText, ReadsAnyLineEndingWritesCrLfAndReportsAFailedWrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    for (const QByteArray& raw : {QByteArray("a\r\nb\r\n\r\nd"), QByteArray("a\nb\n\nd\n"), QByteArray("a\rb\r\rd\r")}) {
        WriteFile(path, raw);
        EXPECT_EQ(ReadConfigLines(path), (QStringList{"a", "b", "", "d"})) << raw.constData();
    }
    EXPECT_TRUE(ReadConfigLines(dir.filePath("missing")).isEmpty());
    ASSERT_TRUE(WriteConfigLines(dir.filePath("sub/b.txt"), {"x", "y"}));
    EXPECT_EQ(ReadFile(dir.filePath("sub/b.txt")), QByteArray("x\r\ny\r\n"));

    WriteFile(dir.filePath("plain"), "old\r\n");
    QString error;
    // A folder that cannot exist: its parent is a file.
    EXPECT_FALSE(WriteConfigLines(dir.filePath("plain/x.txt"), {"new"}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadFile(dir.filePath("plain")), QByteArray("old\r\n"));
}

TEST(ConfigText, LinesAreReadUpToTheirBounds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    struct Case { QByteArray raw; ConfigLimits limits; QStringList lines; int cut; bool more; };
    const Case cases[] = {
        {"abcdef\r\nxy\r\n", {10, {3}}, {"abc", "xy"}, 1, false},
        {"ab\ncdefgh\nijk", {10, {5, 2}}, {"ab", "cd", "ij"}, 2, false},
        {"a\nb\nc\n", {2, {9}}, {"a", "b"}, 0, true},
        {"a\r\nb\r\n", {2, {9}}, {"a", "b"}, 0, false},
        // Cut inside a UTF-8 character: the whole characters before it stay.
        {"\xE2\x82\xAC\xE2\x82\xAC\n", {9, {1}}, {QString::fromUtf8("\u20AC")}, 1, false},
        {"\xE9t\xE9\n", {9, {9}}, {QString::fromLatin1("\xE9t\xE9")}, 0, false},
    };
    for (const Case& c : cases) {
        WriteFile(path, c.raw);
        const ConfigLines r = ReadConfigFile(path, c.limits);
        EXPECT_EQ(r.lines, c.lines) << c.raw.constData();
        EXPECT_EQ(r.cut, c.cut) << c.raw.constData();
        EXPECT_EQ(r.moreLines, c.more) << c.raw.constData();
    }
}

TEST(ConfigText, AHugeLineIsSkippedWithOneMessage)
{
    // A 50 MB description (sparse, so the test stays quick) between two ordinary lines.
    QTemporaryDir dir;
    const QString list = DeviceListPath(dir.path());
    WriteFile(list, "O\tBoiler");
    ASSERT_TRUE(QFile::resize(list, 50'000'000));
    QFile f(list);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("\r\nX\r\nO\tKiln\r\n");
    f.close();
    QString note;
    const QStringList lines = ReadDeviceListLines(dir.path(), &note);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].size(), 2 + kMaxDescription);
    EXPECT_TRUE(lines[0].startsWith("O\tBoiler"));
    EXPECT_EQ(lines[2], "O\tKiln");
    EXPECT_EQ(note, "SetEnv.INI: line 1 is too long; only its first 257 characters are used");

    // Comm.CFG: each line holds what it can mean.
    WriteFile(PortFilePath(dir.path()), "COM2\r\n9600\r\nN\r\n8\r\n1\r\n" + QByteArray(2'000'000, 'M') + "\r\n");
    LinkState link;
    ReadPortFile(dir.path(), link, "ttyS9", &note);
    EXPECT_EQ(link.gCommProtocol, QString(32, 'M'));
    EXPECT_EQ(link.gCommPort, "COM2");
    EXPECT_TRUE(note.startsWith("Comm.CFG: line 6 is too long")) << note.toStdString();
}

TEST(PortFile, ShortOrMissingFilesKeepDefaults)
{
    QTemporaryDir dir;
    struct Case { QByteArray content; QStringList expect; };
    const Case cases[] = {
        {{}, {"ttyS9", "9600", "N", "8", "1", "Modbus RTU"}},
        {"COM3\r\n19200\r\n", {"COM3", "19200", "N", "8", "1", "Modbus RTU"}},
        {"COM2\n38400\nE\n7\n2\nModbus RTU\n", {"COM2", "38400", "E", "7", "2", "Modbus RTU"}},
        {"\r\n\r\nO\r\n", {"ttyS9", "9600", "O", "8", "1", "Modbus RTU"}},
    };
    for (const Case& c : cases) {
        if (c.content.isNull())
            QFile::remove(PortFilePath(dir.path()));
        else
            WriteFile(PortFilePath(dir.path()), c.content);
        LinkState link;
        ReadPortFile(dir.path(), link, "ttyS9");
        EXPECT_EQ((QStringList{link.gCommPort, link.gCommBaud, link.gCommParity, link.gCommDataBits,
                               link.gCommStopBits, link.gCommProtocol}),
                  c.expect);
    }
    EXPECT_EQ(DefaultPortName({"ttyUSB0", "ttyS0"}), "ttyUSB0");
}

TEST(DeviceList, LinesMarkedOBecomeDevicesInOrder)
{
    struct Case { QStringList lines; QList<int> numbers; };
    const Case cases[] = {
        {{"X", "O", "O"}, {2, 3}},
        {{"X\tspare", "X"}, {}},
        {{"O\tBoiler", "o", " O", "O\t", "OO"}, {1, 4}},
    };
    for (const Case& c : cases) {
        LinkState link;
        DataStore store;
        LoadDeviceList({"O", "O", "O", "O"}, link, store); // an earlier list is replaced
        EXPECT_EQ(LoadDeviceList(c.lines, link, store), 0);
        EXPECT_EQ(link.gMC_No, c.numbers);
        EXPECT_EQ(link.gMC_Online, QList<bool>(c.numbers.size(), false));
        EXPECT_EQ(link.gMC_Last, c.numbers.size() - 1);
        for (const TextTable* t : {&store.sprdStatus, &store.sprdMon, &store.sprdCommState})
            EXPECT_EQ(t->rowCount(), c.numbers.size());
        for (int i = 0; i < c.numbers.size(); ++i) {
            EXPECT_EQ(store.sprdStatus.text(1, i + 1), QString::number(c.numbers[i]));
            EXPECT_EQ(store.sprdMon.text(0, i + 1), QString::number(c.numbers[i]));
            EXPECT_EQ(store.sprdCommState.text(0, i + 1), QString::number(c.numbers[i]));
        }
    }
}


TEST(LineFile, ReopenIsOnOnlyWhenSaidAndOtherKeysAreKept)
{
    QTemporaryDir dir;
    struct Case { QByteArray raw; bool reopen; QByteArray afterOn; };
    const Case cases[] = {
        {{}, false, "reopen=on\r\n"},
        {"reopen=off\r\n", false, "reopen=on\r\n"},
        {"gap_ms=5\nREOPEN = On\n", true, "gap_ms=5\r\nreopen=on\r\n"},
        {"reopen=yes\r\n# a=b\r\n", false, "reopen=on\r\n# a=b\r\n"},
    };
    for (const Case& c : cases) {
        QFile::remove(LineFile::path(dir.path()));
        if (!c.raw.isNull())
            WriteFile(LineFile::path(dir.path()), c.raw);
        LineFile f = LineFile::read(dir.path());
        EXPECT_EQ(f.reopen(), c.reopen) << c.raw.constData();
        f.setReopen(true);
        ASSERT_TRUE(f.write(dir.path()));
        EXPECT_EQ(ReadFile(LineFile::path(dir.path())), c.afterOn);
        EXPECT_TRUE(LineFile::read(dir.path()).reopen());
    }
}
