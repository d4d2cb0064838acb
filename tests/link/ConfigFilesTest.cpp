#include "common/Files.h"
#include "link/ConfigText.h"
#include "link/DataStore.h"
#include "link/DeviceList.h"
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
        for (auto [t, col] : {std::pair{&store.sprdStatus, 1}, {&store.sprdMon, 0}, {&store.sprdCommState, 0}}) {
            ASSERT_EQ(t->rowCount(), c.numbers.size());
            for (int i = 0; i < c.numbers.size(); ++i)
                EXPECT_EQ(t->text(col, i + 1), QString::number(c.numbers[i]));
        }
    }
}

