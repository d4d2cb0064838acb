#include "common/Files.h"
#include "link/DataStore.h"
#include "link/DeviceList.h"
#include "link/LinkState.h"
#include "link/RegisterMap.h"
#include "logging/DataFile.h"
#include "logging/DataLogger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace m = regmap::mon;

namespace {

QDateTime at(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

// Live values of one recorder with every field distinguishable.
void fillRow(TextTable& mon, int row)
{
    mon.setText(m::Model, row, "20");
    mon.setText(m::Pv01, row, "-12.5");
    mon.setText(m::Pv01 + 1, row, "1.5E+07");
    mon.setText(m::Pv01 + 2, row, "0.1");
    mon.setText(m::Bo712, row, "773");      // 0x0305
    mon.setText(m::Bo16, row, "45");        // 0b101101
    mon.setText(m::SdDiStatus, row, "4660"); // 0x1234
    mon.setText(m::Alarm14, row, "258");    // 0x0102
    mon.setText(m::RelayStatus, row, "2571"); // 0x0A0B
    mon.setText(m::Alarm912, row, "7");
    mon.setText(m::Alarm58, row, "65535");
}

// A recorder in row 1 of the store, with its live values filled in.
struct OneRecorder : ::testing::Test {
    QTemporaryDir dir;
    DataStore store;
    void SetUp() override
    {
        store.appendDeviceRow(1);
        fillRow(store.sprdMon, 1);
    }
};

} // namespace

TEST(DataFile, TimeStampPacking)
{
    struct Case { const char* time; quint32 bits; };
    const Case cases[] = {
        {"2013-05-17 08:09:10.000", 0x3562824A},
        {"2000-01-01 00:00:00.000", 0x00420000},
        // Years after 2015 carry their two high bits in bits 30..31.
        {"2026-12-04 06:30:59.999", 0x6B0867BB},
    };
    for (const Case& c : cases) {
        const quint32 s = PackTimeStamp(at(c.time));
        EXPECT_EQ(s, c.bits) << c.time;
        EXPECT_EQ(UnpackTimeStamp(s), at(c.time).addMSecs(-at(c.time).time().msec())) << c.time;
    }
}

TEST(DataFile, ImpossibleStampsHaveNoTime)
{
    // {second, minute, hour, day, month, year - 2000}: each has one field out of range.
    const std::array<quint32, 6> cases[] = {{60, 0, 0, 1, 1, 26}, {0, 60, 0, 1, 1, 26}, {0, 0, 24, 1, 1, 26},
                                            {0, 0, 0, 0, 1, 26},  {0, 0, 0, 1, 13, 26}, {0, 0, 0, 30, 2, 26}};
    for (const auto& f : cases) {
        DataRecord r;
        r.stamp = f[0] | f[1] << 6 | f[2] << 12 | f[3] << 17 | f[4] << 22 | f[5] << 26;
        EXPECT_FALSE(r.time().isValid()) << r.time().toString().toStdString();
    }
}

TEST(DataFile, FileDateChangesAfterTheDayChangeTime)
{
    struct Case { const char* now; int hh, mm; const char* date; };
    const Case cases[] = {
        {"2026-12-04 06:30:00.900", 6, 30, "2026-12-03"}, // same second: not yet later
        {"2026-12-04 06:30:01.000", 6, 30, "2026-12-04"},
        {"2026-03-01 00:00:00.000", 0, 0, "2026-02-28"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileDate(at(c.now), c.hh, c.mm).toString(Qt::ISODate), c.date) << c.now;
}

TEST_F(OneRecorder, NewFileHoldsHeaderAndRecordByteForByte)
{
    const QString path = dir.filePath("PLANT_03.VQD");
    ASSERT_TRUE(SaveDeviceRecord(path, store.sprdMon, 1, at("2013-05-17 08:09:10.000")));
    const QByteArray b = ReadFile(path);
    ASSERT_EQ(b.size(), 576);

    QByteArray header(512, '\0');
    header.replace(0, 14, "VQ800 LOG DATA");
    header[17] = 20;
    for (int i = 0; i < 12; ++i)
        header[58 + 40 * i] = 2;
    EXPECT_EQ(b.left(512).toHex(), header.toHex());

    QByteArray record = QByteArray::fromHex("3562824A" "C1480000" "4B64E1C0" "3DCCCCCD");
    record += QByteArray(36, '\0'); // PV04..PV12 read as 0
    record += QByteArray::fromHex("05070B34" "0201" "0B0A" "0700" "FFFF");
    EXPECT_EQ(b.mid(512).toHex(), record.toHex());

    // Status values too large for their byte keep their low bits.
    store.sprdMon.setText(m::Bo712, 1, "65535");
    store.sprdMon.setText(m::Bo16, 1, "4095");
    store.sprdMon.setText(m::SdDiStatus, 1, "65535");
    ASSERT_TRUE(SaveDeviceRecord(path, store.sprdMon, 1, at("2013-05-17 08:10:10.000")));
    EXPECT_EQ(ReadFile(path).size(), 640) << "the header is written once";
    EXPECT_EQ(ReadFile(path).mid(576 + 52, 4).toHex(), "ff"  // low byte of 0xFFFF
                                                       "0b"  // (0xFF + 4 * 3) & 0xFF
                                                       "ff"  // 4095 / 4 = 1023 -> 0xFF
                                                       "ff"); // 0xFFF -> 0xFF

    // The reader takes back what was written.
    DataFileContents c;
    ASSERT_TRUE(ReadDataFile(path, c));
    EXPECT_EQ(c.modelCode, 20);
    ASSERT_EQ(c.records.size(), 2);
    const DataRecord& r = c.records[1];
    EXPECT_EQ(r.time(), at("2013-05-17 08:10:10.000"));
    EXPECT_EQ(r.pv[1], 1.5e7f);
    EXPECT_EQ(r.sdDi, 0xFF);
}

TEST_F(OneRecorder, FailedOrTornWritesAreTakenBack)
{
    // A disk that fills up half-way through the write.
    const WriteBytes halfThenFull = [](QFileDevice& f, const QByteArray& bytes) -> qint64 {
        f.write(bytes.left(bytes.size() / 2));
        return -1;
    };
    const QDateTime t = at("2026-01-01 10:00:00.000");

    const QString fresh = dir.filePath("A_01.VQD");
    QString why;
    EXPECT_FALSE(SaveDeviceRecord(fresh, store.sprdMon, 1, t, &why, halfThenFull));
    EXPECT_FALSE(QFile::exists(fresh)) << "a new file without its first record is removed";

    const QString old = dir.filePath("B_01.VQD");
    ASSERT_TRUE(SaveDeviceRecord(old, store.sprdMon, 1, t));
    EXPECT_FALSE(SaveDeviceRecord(old, store.sprdMon, 1, t.addSecs(60), &why, halfThenFull));
    EXPECT_EQ(QFileInfo(old).size(), 576);

    // What a power cut left of a record is replaced by the next one.
    ASSERT_TRUE(WriteFile(old, ReadFile(old) + QByteArray(23, '\x5A')));
    ASSERT_TRUE(SaveDeviceRecord(old, store.sprdMon, 1, t.addSecs(180)));
    DataFileContents c;
    ASSERT_TRUE(ReadDataFile(old, c));
    ASSERT_EQ(c.records.size(), 2);
    EXPECT_EQ(c.trailingBytes, 0);
    EXPECT_EQ(c.records[1].time(), t.addSecs(180));

    // A file cut inside its header (a crash while it was created) gets it back whole.
    for (int cut : {0, 300, 511}) {
        const QString path = dir.filePath(QStringLiteral("D%1_01.VQD").arg(cut));
        ASSERT_TRUE(SaveDeviceRecord(path, store.sprdMon, 1, t));
        ASSERT_TRUE(QFile::resize(path, cut));
        QString note;
        ASSERT_TRUE(SaveDeviceRecord(path, store.sprdMon, 1, t.addSecs(60), &why, WriteAll, &note)) << cut;
        ASSERT_TRUE(ReadDataFile(path, c)) << cut;
        EXPECT_EQ(c.records.size(), 1) << cut;
        EXPECT_EQ(c.trailingBytes, 0) << cut;
        EXPECT_TRUE(note.contains(QStringLiteral("%1 bytes").arg(cut))) << note.toStdString();
    }
}

// ---- the save check

namespace {

struct Logger : ::testing::Test {
    QTemporaryDir dir;
    LinkState link;
    DataStore store;
    DataLogger logger{link, store};
    QDateTime clock = at("2026-12-04 06:00:00.000");
    bool open = true;

    // Devices 1, 3 and 4; 1 and 3 answer, 4 is offline; all have been read.
    void SetUp() override
    {
        LoadDeviceList({"O", "X", "O", "O"}, link, store);
        const char* online[] = {"OK", "OK", "NG"};
        for (int row = 1; row <= 3; ++row) {
            fillRow(store.sprdMon, row);
            store.sprdStatus.setText(status::Online, row, online[row - 1]);
            logger.onLiveValues(link.gMC_No[row - 1]);
        }
        link.gReqCode = 11;
        DSaveSettings s;
        s.gDSaveEnable = "Yes";
        s.gDSaveInterval = 1;
        s.gDSaveUnit = "min";
        s.gDSaveFolder = dir.path();
        s.gDSaveFileName = "PLANT";
        logger.setSettings(s);
        logger.now = [this] { return clock; };
        logger.steadyMs = [this] { return steady; };
        logger.portOpen = [this] { return open; };
        // Syncs in the saving thread, noted instead of done.
        logger.sync = std::make_unique<RecordSync>(true);
        logger.sync->syncFile = [this](const QString& p, QString* why) { return noteSync(p, why); };
        logger.sync->syncFolder = [this](const QString& p, QString* why) { return noteSync(p + "/", why); };
    }
    // What waits is synced while the notes are still there.
    void TearDown() override
    {
        QObject::disconnect(&logger, nullptr, nullptr, nullptr);
        logger.sync.reset();
    }
    bool noteSync(const QString& path, QString* why)
    {
        synced << std::pair{path, steady};
        *why = "Input/output error";
        return syncWorks;
    }
    void advance(qint64 ms)
    {
        clock = clock.addMSecs(ms);
        steady += ms;
    }
    qint64 steady = 0;
    QList<std::pair<QString, qint64>> synced; // path (a folder ends in /), when
    bool syncWorks = true;
    qint64 size(const char* name) { return QFileInfo(dir.filePath(name)).size(); }
    QStringList files() { return QDir(dir.path()).entryList({"*.VQD"}, QDir::Files, QDir::Name); }
};

} // namespace

TEST_F(Logger, OneFilePerOnlineRecorderAtTheInterval)
{
    logger.saveCheck();
    EXPECT_EQ(files(), (QStringList{"PLANT_01.VQD", "PLANT_03.VQD"}));
    struct Step { qint64 ms; qint64 size; };
    // A clock set back an hour does not stop saving.
    const Step steps[] = {{30'000, 576}, {60'000, 576}, {60'001, 640}, {120'001, 640}, {120'002, 704},
                          {-3'600'000, 768}};
    const QDateTime start = clock;
    for (const Step& s : steps) {
        clock = start.addMSecs(s.ms);
        logger.saveCheck();
        EXPECT_EQ(size("PLANT_01.VQD"), s.size) << s.ms;
        EXPECT_EQ(size("PLANT_03.VQD"), s.size) << s.ms;
    }

    // Day files: a new one after the day change time.
    DSaveSettings s = logger.settings();
    s.gDaySave = true;
    s.gDaySaveHour = 6;
    s.gDaySaveMinute = 30;
    logger.setSettings(s);
    for (const char* now : {"2026-12-04 06:29:00.000", "2026-12-04 06:31:00.000"}) {
        clock = at(now);
        logger.saveCheck();
    }
    EXPECT_EQ(files(), (QStringList{"PLANT_01.VQD", "PLANT_01_20261203.VQD", "PLANT_01_20261204.VQD", "PLANT_03.VQD",
                                    "PLANT_03_20261203.VQD", "PLANT_03_20261204.VQD"}));
}

TEST_F(Logger, EachRecorderHasItsFirstRecordAtItsFirstLiveValues)
{
    // An hour's interval: no recorder waits that long for its first record.
    DSaveSettings s = logger.settings();
    s.gDSaveInterval = 60;
    logger.setSettings(s);
    const QDateTime start = clock;
    link.gReqCode = 100; // reading parameters: nothing happens, the interval does not start
    logger.saveCheck();
    link.gReqCode = 11;
    open = false;
    logger.saveCheck();
    open = true;
    logger.onPortOpened(); // nothing decoded since this open
    logger.saveCheck();
    EXPECT_FALSE(logger.lastSaveTime().isValid()) << "nobody to save: the interval is not used up";
    EXPECT_TRUE(files().isEmpty());

    // Device 3 answers first, device 1 two seconds later: each is saved at once.
    logger.onLiveValues(3);
    clock = start.addMSecs(50);
    logger.saveCheck();
    EXPECT_EQ(files(), QStringList{"PLANT_03.VQD"});
    logger.onLiveValues(1);
    clock = start.addSecs(2);
    logger.saveCheck();
    EXPECT_EQ(files(), (QStringList{"PLANT_01.VQD", "PLANT_03.VQD"}));
    // Then both follow the interval that began with the first record.
    for (const auto& [secs, size] : {std::pair{1800, 576}, {3600, 576}, {3601, 640}}) {
        clock = start.addSecs(secs);
        logger.saveCheck();
        EXPECT_EQ(this->size("PLANT_01.VQD"), size) << secs;
        EXPECT_EQ(this->size("PLANT_03.VQD"), size) << secs;
    }
}

TEST_F(Logger, AFailingSaveIsSaidWhenItStartsOnceAMinuteAndWhenItEndsAndAVanishedFolderIsMadeAgain)
{
    QSignalSpy saved(&logger, &DataLogger::saved);
    QStringList said;
    QObject::connect(&logger, &DataLogger::trouble, [&](const QString& t, bool) { said << t; });
    DSaveSettings s = logger.settings();
    s.gDSaveUnit = "sec";
    s.gDSaveFolder = dir.filePath("gone/data");
    logger.setSettings(s);
    // Every second for 150 s, two recorders a round: the folder's parent is not there.
    for (int i = 0; i < 150; ++i, advance(1001))
        logger.saveCheck();
    ASSERT_EQ(saved.size(), 150);
    EXPECT_TRUE(saved[149][2].toString().contains("gone/data is missing, and so is")) << saved[149][2].toString().toStdString();
    ASSERT_EQ(said.size(), 3) << said.join('\n').toStdString();
    EXPECT_TRUE(said[0].startsWith("Save failed: the data folder")) << said[0].toStdString();
    EXPECT_TRUE(said[1].startsWith("Still failing since 06:00:00 (122 record(s) not saved): Save failed:"))
        << said[1].toStdString();
    EXPECT_TRUE(said[2].startsWith("Still failing since 06:00:00 (242 record(s)")) << said[2].toStdString();

    ASSERT_TRUE(QDir().mkpath(dir.filePath("gone")));
    logger.saveCheck();
    ASSERT_EQ(said.size(), 4);
    EXPECT_EQ(said[3], "Saving works again; 300 record(s) were not saved between 06:00:00 and 06:02:30");
    EXPECT_EQ(saved.last()[1].toStringList().size(), 2);
    EXPECT_TRUE(saved.last()[3].toString().contains("gone/data was missing; it has been made again"));

    // The data folder removed while logging: made again at the next record, nothing lost.
    ASSERT_TRUE(QDir(s.gDSaveFolder).removeRecursively());
    advance(1001);
    logger.saveCheck();
    EXPECT_EQ(saved.last()[1].toStringList().size(), 2);
    EXPECT_TRUE(saved.last()[2].toString().isEmpty());
    EXPECT_EQ(QFileInfo(s.gDSaveFolder + "/PLANT_01.VQD").size(), 576);
    EXPECT_EQ(said.size(), 4);
}

TEST_F(Logger, RecordsAreSyncedWithinTwoSecondsInOneRoundASecondAtMost)
{
    DSaveSettings s = logger.settings();
    s.gDSaveUnit = "sec";
    logger.setSettings(s);
    QList<std::pair<QString, qint64>> writes;
    logger.write = [&](QFileDevice& f, const QByteArray& b) {
        writes << std::pair{f.fileName(), steady};
        return WriteAll(f, b);
    };
    for (int i = 0; i < 200; ++i, advance(50)) // 10 s
        logger.saveCheck();
    ASSERT_GE(writes.size(), 10);
    for (const auto& [path, when] : writes)
        EXPECT_TRUE(std::any_of(synced.begin(), synced.end(),
                                [&](const auto& s) { return s.first == path && s.second >= when && s.second <= when + 2000; }))
            << path.toStdString() << " written at " << when;
    QList<qint64> rounds;
    for (const auto& s : synced)
        if (rounds.isEmpty() || rounds.last() != s.second)
            rounds << s.second;
    for (int i = 1; i < rounds.size(); ++i)
        EXPECT_GE(rounds[i] - rounds[i - 1], 1000);
    EXPECT_EQ(std::count(synced.begin(), synced.end(), std::pair{dir.path() + "/", qint64(0)}), 1)
        << "the folder once, after its files were made";

    // Stopping syncs what waits; a failing sync is said.
    advance(1001);
    syncWorks = false;
    QStringList said;
    QObject::connect(&logger, &DataLogger::trouble, [&](const QString& t, bool) { said << t; });
    logger.saveCheck(); // saved and synced at once: the last round is a second old
    advance(1001);
    logger.saveCheck();
    logger.syncNow();
    EXPECT_EQ(synced.last().second, steady);
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].startsWith("Save failed: sync of ") && said[0].endsWith("Input/output error"))
        << said[0].toStdString();
}

TEST_F(Logger, AShortWriteSaysTheDiskIsFullOrTheFileSizeLimitWasReached)
{
    logger.saveCheck();
    // The file size limit cuts the next record short; the process is not killed for it.
    const auto noSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit lim = old;
    lim.rlim_cur = 600;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
    QSignalSpy spy(&logger, &DataLogger::saved);
    clock = clock.addSecs(61);
    logger.saveCheck();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, noSignal);
    ASSERT_EQ(spy.size(), 1);
    const QString failure = spy[0][2].toString();
    EXPECT_TRUE(failure.contains("PLANT_01.VQD: the disk is full or the file size limit was reached (File too large)"))
        << failure.toStdString();
    EXPECT_EQ(size("PLANT_01.VQD"), 576) << "the short record is taken back";
}
