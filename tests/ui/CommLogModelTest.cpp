#include "common/Files.h"
#include "core/TextTable.h"
#include "link/CommLog.h"
#include "link/CommLogModel.h"
#include "link/DataStore.h"
#include "link/FrameCapture.h"
#include "link/Framing.h"
#include "ui/Manual.h"
#include "ui/TextTableModel.h"

#include <QApplication>
#include <QBrush>
#include <QDesktopServices>
#include <QDialog>
#include <QTest>
#include <QDateTime>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(CommLogModel, ShowsDirectionBytesAndColoursAndAppendsRowByRow)
{
    CommLog log;
    const qint64 at = QDateTime(QDate(2026, 12, 6), QTime(3, 0, 1, 25)).toMSecsSinceEpoch();
    log.now = [&] { return at; };
    CommLogModel model(&log);
    WriteLogRow("SEND", QByteArray::fromHex("010375310002"), log);
    WriteLogRow("RECV", QByteArray::fromHex("0103040A"), log);
    const int bad = WriteLogRow("RECV", QByteArray::fromHex("FF"), log);
    log.markBad(bad);
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), "SEND");
    EXPECT_EQ(model.headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), "RECV");
    EXPECT_EQ(model.headerData(1, Qt::Vertical, Qt::ToolTipRole).toString(), "03:00:01.025");
    EXPECT_EQ(model.index(1, 5).data(Qt::ToolTipRole).toString(), "03:00:01.025");
    EXPECT_EQ(model.index(0, 2).data().toString(), "75");
    EXPECT_EQ(model.index(1, 3).data().toString(), "0A");
    EXPECT_EQ(model.index(2, 0).data().toString(), "FF");
    EXPECT_EQ(model.index(0, 6).data().toString(), QString());
    EXPECT_FALSE(model.index(0, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(model.index(1, 200).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(192, 255, 192));
    EXPECT_EQ(model.index(2, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 0, 0));

    // Appending is one row insert; the thousand-first row starts the view again.
    log.clear();
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    for (int i = 0; i < 1001; ++i)
        WriteLogRow("SEND", QByteArray(8, '\x01'), log);
    EXPECT_EQ(inserted.count(), 1001);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 1);
}

// A frame read into a large buffer must not keep that buffer alive for as
// long as its row lives (a thousand rows of 64 KiB grew the logger by megabytes).
TEST(CommLog, RowsKeepOnlyTheirOwnBytes)
{
    CommLog log;
    QByteArray read;
    read.reserve(65536);
    read.append(QByteArray(99, '\x03'));
    log.append(true, read);
    log.append(true, QByteArray(CommLog::kMaxBytes + 1, '\x01'));
    EXPECT_EQ(log.row(0).bytes, QByteArray(99, '\x03'));
    EXPECT_LT(log.row(0).bytes.capacity(), 1024);
    EXPECT_EQ(log.row(1).bytes.size(), CommLog::kMaxBytes);
}

// The main window's tables take a busy line's changes in batches, so that
// painting them does not hold up the next request.
TEST(CommLogModel, BatchedRowsAndCellsReachTheViewTogether)
{
    CommLog log;
    CommLogModel model(&log, nullptr, 60000);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 3; ++i)
        WriteLogRow(i % 2 ? "RECV" : "SEND", QByteArray(8, '\x01'), log);
    log.markBad(1);
    EXPECT_EQ(model.rowCount(), 0);
    model.showNewRows();
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(model.index(1, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    log.clear();
    WriteLogRow("SEND", QByteArray(8, '\x01'), log);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.index(0, 0).data().isValid());

    TextTable table(5, 4);
    TextTableModel cells(&table);
    cells.setShowEveryMs(60000);
    QSignalSpy changed(&cells, &QAbstractItemModel::dataChanged);
    table.setText(2, 3, "OK");
    table.setText(4, 1, "12");
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(cells.index(2, 1).data().toString(), "OK");
    cells.showChanged();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex(), cells.index(0, 1));
    EXPECT_EQ(changed[0][1].toModelIndex(), cells.index(2, 3));
}

namespace {
QString BytesText(const QByteArray& b)
{
    return QString::fromLatin1(b.toHex(' ').toUpper());
}
} // namespace

TEST(FrameLog, SavedCsvHasEveryRowWithItsTimeAndResultThenTheCounters)
{
    CommLog log;
    qint64 at = QDateTime(QDate(2026, 12, 6), QTime(3, 0, 0)).toMSecsSinceEpoch();
    log.now = [&] { return at += 25; };
    QByteArray answer = QByteArray::fromHex("0203020007");
    AppendCrc(answer);
    WriteLogRow("SEND", BuildReadRequest(2, 30001, 1), log);
    WriteLogRow("RECV", answer, log);
    log.markBad(WriteLogRow("RECV", QByteArray::fromHex("02030200070000"), log));
    log.markBad(WriteLogRow("RECV", answer, log)); // whole, but not what was asked
    log.markBad(WriteLogRow("RECV", QByteArray::fromHex("7E"), log), CommLog::Mark::Noise);
    QByteArray refusal = QByteArray::fromHex("029003");
    AppendCrc(refusal += QByteArray(2, '\0'));
    log.markBad(WriteLogRow("RECV", refusal, log), CommLog::Mark::Refused);
    DataStore store;
    store.appendDeviceRow(2);
    store.sprdCommState.setText(counters::Ok, 1, "12");
    const QStringList lines = FrameLogCsv(log, store.sprdCommState, 3).split("\r\n");
    const QStringList expected = {
        "time,direction,bytes,device,result",
        "2026-12-06 03:00:00.025,SEND," + BytesText(BuildReadRequest(2, 30001, 1)) + ",2,",
        "2026-12-06 03:00:00.050,RECV," + BytesText(answer) + ",2,OK",
        "2026-12-06 03:00:00.075,RECV,02 03 02 00 07 00 00,2,CRC error",
        "2026-12-06 03:00:00.100,RECV," + BytesText(answer) + ",2,not the answer asked for",
        "2026-12-06 03:00:00.125,RECV,7E,126,noise",
        "2026-12-06 03:00:00.150,RECV," + BytesText(refusal) + ",2,refused: illegal data value (03)",
        "",
        "device,OK,Time Over,CRC Error,Refused",
        "2,12,0,0,0",
        "",
        "noise bytes,3",
        ""};
    EXPECT_EQ(lines, expected);

    QTemporaryDir dir;
    QString why;
    EXPECT_TRUE(SaveFrameLog(dir.filePath("log.csv"), log, store.sprdCommState, 3, &why));
    EXPECT_FALSE(SaveFrameLog(dir.filePath("missing/log.csv"), log, store.sprdCommState, 3, &why));
    EXPECT_FALSE(why.isEmpty());
}

TEST(FrameLog, APausedViewHoldsItsRowsWhileTheLogGoesOn)
{
    CommLog log;
    CommLogModel model(&log);
    for (int i = 0; i < 998; ++i)
        WriteLogRow(i % 2 ? "RECV" : "SEND", QByteArray(1, char(i)), log);
    model.setPaused(true);
    for (int i = 0; i < 5; ++i) // the log restarts at its 1001st row
        WriteLogRow("SEND", QByteArray::fromHex("AA"), log);
    EXPECT_EQ(log.rowCount(), 3);
    EXPECT_EQ(model.rowCount(), 998);
    EXPECT_EQ(model.index(997, 0).data().toString(), "E5");
    EXPECT_EQ(model.newWhilePaused(), 5);
    model.setPaused(false);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.index(2, 0).data().toString(), "AA");
}

TEST(FrameLog, ACaptureHoldsEveryFrameAcrossRestartsAndStopsAtItsLimit)
{
    QTemporaryDir dir;
    CommLog log;
    DataStore store;
    store.appendDeviceRow(1);
    FrameCapture capture(log);
    QString why;
    EXPECT_FALSE(capture.start(dir.filePath("missing/capture.csv"), &why));
    EXPECT_FALSE(why.isEmpty());
    ASSERT_TRUE(capture.start(dir.filePath("capture.csv"), &why));
    for (int i = 0; i < 1500; ++i) {
        const int row = WriteLogRow("RECV", QByteArray::fromHex("0103"), log);
        if (i == 1499)
            log.markBad(row, CommLog::Mark::Noise); // the last one's result comes after it
    }
    capture.stop(store.sprdCommState, 7);
    const QStringList lines = QString::fromUtf8(ReadFile(dir.filePath("capture.csv"))).split("\r\n");
    EXPECT_EQ(lines.first(), "time,direction,bytes,device,result");
    EXPECT_EQ(lines.filter(",RECV,01 03,1,").size(), 1500);
    EXPECT_TRUE(lines[1500].endsWith(",noise")) << lines[1500].toStdString();
    EXPECT_TRUE(lines.contains("noise bytes,7"));

    QSignalSpy failed(&capture, &FrameCapture::failed);
    ASSERT_TRUE(capture.start(dir.filePath("small.csv"), &why, 200));
    for (int i = 0; i < 20; ++i)
        WriteLogRow("SEND", QByteArray::fromHex("0103753100024FD5"), log);
    ASSERT_EQ(failed.size(), 1);
    EXPECT_FALSE(capture.running());
    EXPECT_TRUE(failed[0][0].toString().contains("limit")) << failed[0][0].toString().toStdString();
    EXPECT_LE(ReadFile(dir.filePath("small.csv")).size(), 200);
}

namespace {
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};
} // namespace

TEST(Manual, F1OpensTheChapterOfTheWindowItIsPressedIn)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath("manual/index.html"), "<html></html>");
    UrlCatcher caught;
    QDesktopServices::setUrlHandler("file", &caught, "open");
    HelpKey key(dir.path(), nullptr);
    qApp->installEventFilter(&key);
    const std::pair<const char*, const char*> windows[] = {
        {"frmVQ_Main", "online"}, {"frmVQ_Mon_Bar", "monitors"}, {"frmVQ_P_Channel", "reference"},
        {"frmVQ_DateReserve", "clock"}, {"frmVQ_View", "viewer"}, {"frmSomethingNew", "contents"}};
    for (const auto& [name, chapter] : windows) {
        QDialog d;
        d.setObjectName(name);
        d.show();
        QApplication::setActiveWindow(&d);
        QTest::keyClick(&d, Qt::Key_F1);
        ASSERT_FALSE(caught.urls.isEmpty()) << name;
        EXPECT_EQ(caught.urls.last().fragment(), chapter) << name;
        EXPECT_TRUE(caught.urls.last().toLocalFile().endsWith("manual/index.html"));
    }
    qApp->removeEventFilter(&key);
    QDesktopServices::unsetUrlHandler("file");
}

#include "CommLogModelTest.moc"
