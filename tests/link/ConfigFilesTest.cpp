#include "common/Files.h"
#include "core/ConfigText.h"
#include "core/SafeFiles.h"
#include "link/DataStore.h"
#include "link/DeviceList.h"
#include "link/LineFile.h"
#include "link/LinkState.h"
#include "link/PortFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(ConfigText, WritesCrLfAndReportsAFailedWrite)
{
    QTemporaryDir dir;
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

TEST(ConfigText, LinesInAnyEndingAreReadUpToTheirBounds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    struct Case { QByteArray raw; ConfigLimits limits; QStringList lines; int cut; bool more; };
    const Case cases[] = {
        {"a\r\nb\r\n\r\nd", {10, {9}}, {"a", "b", "", "d"}, 0, false},
        {"a\nb\n\nd\n", {10, {9}}, {"a", "b", "", "d"}, 0, false},
        {"a\rb\r\rd\r", {10, {9}}, {"a", "b", "", "d"}, 0, false},
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
    // A 50 MB description between two ordinary lines; a hole of NUL characters is quick to make.
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("CFG");
    QFile f(DeviceListPath(dir.path()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("O\tBoiler") && f.seek(50'000'000));
    f.write("\r\nX\r\nO\tKiln\r\n");
    f.close();
    QString note;
    const QStringList lines = ReadDeviceListLines(dir.path(), &note);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "O\tBoiler" + QString(2 + kMaxDescription - 8, QChar()));
    EXPECT_EQ(lines[2], "O\tKiln");
    EXPECT_EQ(note, "SetEnv.INI: line 1 is too long; only its first 257 characters are used");
}

TEST(PortFile, ShortOrMissingFilesKeepDefaults)
{
    QTemporaryDir dir;
    struct Case { QByteArray content; QStringList expect; };
    const Case cases[] = {
        {{}, {"ttyS9", "9600", "N", "8", "1", "Modbus RTU"}},
        {"COM3\r\n19200\r\n", {"COM3", "19200", "N", "8", "1", "Modbus RTU"}},
        {"\r\n\r\nO\r\n", {"ttyS9", "9600", "O", "8", "1", "Modbus RTU"}},
        // Each line holds what it can mean.
        {"COM2\n9600\nN\n8\n1\n" + QByteArray(100'000, 'M'), {"COM2", "9600", "N", "8", "1", QString(32, 'M')}},
    };
    for (const Case& c : cases) {
        if (c.content.isNull())
            QFile::remove(PortFilePath(dir.path()));
        else
            WriteFile(PortFilePath(dir.path()), c.content);
        PortSettings link;
        QString note;
        ReadPortFile(dir.path(), link, "ttyS9", &note);
        EXPECT_EQ(note.isEmpty(), c.content.size() < 1000) << note.toStdString();
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
        {{"X\tspare", "X"}, {}},
        {{"O\tBoiler", "o", " O", "O\t", "OO"}, {1, 4}},
    };
    for (const Case& c : cases) {
        LinkState link;
        DataStore store;
        LoadDeviceList({"O", "O", "O", "O"}, link, store); // an earlier list is replaced
        EXPECT_EQ(LoadDeviceList(c.lines, link, store), 0);
        EXPECT_EQ(link.gMC_No, c.numbers);
        EXPECT_EQ(link.gMC_Last, c.numbers.size() - 1);
        for (auto [t, col] : {std::pair{&store.sprdStatus, 1}, {&store.sprdMon, 0}, {&store.sprdCommState, 0}}) {
            ASSERT_EQ(t->rowCount(), c.numbers.size());
            for (int i = 0; i < c.numbers.size(); ++i)
                EXPECT_EQ(t->text(col, i + 1), QString::number(c.numbers[i]));
        }
    }
}

TEST(LineFile, ReopenIsOnOnlyWhenSaidGapHasItsDefaultAndOtherKeysAreKept)
{
    QTemporaryDir dir;
    const QString path = LineFile::path(dir.path());
    struct Case { QByteArray raw; bool reopen; int gap; QByteArray afterOn; };
    const Case cases[] = {{{}, false, 50, "reopen=on\r\n"},
                          {"reopen=off\r\ngap_ms=0\r\n", false, 0, "reopen=on\r\ngap_ms=0\r\n"},
                          {"gap_ms=5\nREOPEN = On\n", true, 5, "gap_ms=5\r\nreopen=on\r\n"},
                          {"GAP_MS = 10000\n", false, 10000, "GAP_MS = 10000\r\nreopen=on\r\n"},
                          {"gap_ms=-1\n", false, 50, "gap_ms=-1\r\nreopen=on\r\n"},
                          {"gap_ms=10001\n", false, 50, "gap_ms=10001\r\nreopen=on\r\n"},
                          {"reopen=yes\r\n# a=b\r\n", false, 50, "reopen=on\r\n# a=b\r\n"}};
    for (const Case& c : cases) {
        WriteFile(path, c.raw);
        LineFile f = LineFile::read(dir.path());
        EXPECT_EQ(f.reopen(), c.reopen) << c.raw.constData();
        EXPECT_EQ(f.gapMs(), c.gap) << c.raw.constData();
        f.setReopen(true);
        ASSERT_TRUE(f.write(dir.path()));
        EXPECT_EQ(ReadFile(path), c.afterOn);
    }
    const std::pair<const char*, Rs485Mode> modes[] = {{"", Rs485Mode::None},        {"rs485=rts", Rs485Mode::Rts},
                                                       {"RS485 = Kernel", Rs485Mode::Kernel}, {"rs485=auto", Rs485Mode::None}};
    for (const auto& [line, mode] : modes) {
        LineFile f;
        f.lines = QStringList{line};
        EXPECT_EQ(f.rs485(), mode) << line;
    }
}

TEST(SafeFiles, WhatIsNotAFileIsRefusedWithoutWaitingAndLeftSavesAreCleared)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("SetEnv.INI");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A FIFO without a writer would hold a plain open for good.
    const ConfigLines read = ReadConfigFile(fifo, {});
    EXPECT_TRUE(read.lines.isEmpty());
    EXPECT_EQ(read.note("SetEnv.INI", {}), "SetEnv.INI: not read (it is a FIFO, not a file); the defaults are used");
    for (const auto& [path, why] : {std::pair{fifo, "it is a FIFO, not a file"},
                                    {QString("/dev/zero"), "it is a device, not a file"},
                                    {dir.path(), "it is a folder, not a file"},
                                    {dir.filePath("none"), "No such file or directory"}}) {
        QFile f;
        QString said;
        EXPECT_FALSE(OpenRegularFile(f, path, &said)) << path.toStdString();
        EXPECT_EQ(said, why);
    }

    // What a save cut off leaves is removed; copies named by someone, and other files, stay.
    const QStringList names{"Comm.CFG",        "Comm.CFG.AbCdEf", "Comm.CFG.backup", "Comm.CFG.BACKUP",
                            "Comm.CFG.Before", "Comm.CFG.Ab1dEf", "Plant.CFG.AbCdEf", "03_Kiln_x.CFG.qWeRtY"};
    for (const QString& name : names)
        ASSERT_TRUE(WriteFile(dir.filePath(name), "x"));
    QStringList removed = RemoveLeftSaves(dir.path(), {"Comm.CFG", "[0-9][0-9]_*.CFG"});
    removed.sort();
    EXPECT_EQ(removed, (QStringList{"03_Kiln_x.CFG.qWeRtY", "Comm.CFG.AbCdEf"}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), names.size() - 2);
}
