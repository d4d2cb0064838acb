#include "link/CommLog.h"
#include "ui/CommLogModel.h"

#include <QBrush>
#include <QSignalSpy>
#include <gtest/gtest.h>

TEST(CommLogModel, ShowsDirectionBytesAndColoursAndAppendsRowByRow)
{
    CommLog log;
    CommLogModel model(&log);
    WriteLogRow("SEND", QByteArray::fromHex("010375310002"), log);
    WriteLogRow("RECV", QByteArray::fromHex("0103040A"), log);
    const int bad = WriteLogRow("RECV", QByteArray::fromHex("FF"), log);
    log.markBad(bad);
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), "SEND");
    EXPECT_EQ(model.headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), "RECV");
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
