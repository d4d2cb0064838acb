// Records reach the broker once each in file order, whatever happens between:
// a new day file, a connection lost before the broker took them, a restart
// of the program, a file cut short and a data folder changed.
#include "common/Files.h"
#include "common/VqdFiles.h"
#include "publish/RecordForwarder.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Broker {
    int mid = 0;
    QList<int> waiting;
    QStringList got; // "file:index" of each message
    RecordForwarder::Publish publish()
    {
        return [this](int device, const QByteArray& payload) {
            const QJsonObject o = QJsonDocument::fromJson(payload).object();
            EXPECT_EQ(o["device"].toInt(), device);
            got << QStringLiteral("%1:%2").arg(o["file"].toString()).arg(o["index"].toInteger());
            waiting << ++mid;
            return mid;
        };
    }
    // Pumps and acknowledges until nothing more comes.
    QStringList drain(RecordForwarder& f, bool ack = true)
    {
        got.clear();
        for (int i = 0; i < 20; ++i) {
            f.pump(publish());
            if (!ack || waiting.isEmpty())
                break;
            for (int m : std::exchange(waiting, {}))
                f.delivered(m);
        }
        return got;
    }
};

void Append(const QString& path, int records)
{
    QByteArray bytes = QFileInfo::exists(path) ? ReadFile(path) : BuildHeader(10);
    for (int i = 0; i < records; ++i)
        bytes += VqdRecord({QDateTime(QDate(2026, 12, 6), QTime(10, 0, i), Qt::UTC), {float(i)}});
    ASSERT_TRUE(WriteFile(path, bytes));
}

} // namespace

TEST(RecordForwarder, EveryRecordOnceInFileOrderAcrossDaysLossesRestartsCutsAndFolders)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("a"), b = dir.filePath("b");
    QDir().mkpath(a);
    QDir().mkpath(b);
    const QString day1 = a + "/T_01_20261206.VQD", day2 = a + "/T_01_20261207.VQD";
    Broker broker;
    {
        RecordForwarder f(dir.path());
        // Publishing begins with the first record saved after it was turned on.
        Append(day1, 1);
        f.saved(1, day1);
        Append(day1, 2);
        Append(day2, 2);
        EXPECT_EQ(broker.drain(f), (QStringList{"T_01_20261206.VQD:0", "T_01_20261206.VQD:1", "T_01_20261206.VQD:2",
                                                "T_01_20261207.VQD:0", "T_01_20261207.VQD:1"}));
        // Sent but not taken when the connection went: sent again, the same.
        Append(day2, 1);
        f.saved(1, day2);
        EXPECT_EQ(broker.drain(f, false), QStringList{"T_01_20261207.VQD:2"});
        f.lost();
        broker.waiting.clear();
        EXPECT_EQ(broker.drain(f), QStringList{"T_01_20261207.VQD:2"});
        f.saveCursors();
    }
    // A restart goes on from the cursor in the program folder.
    RecordForwarder f(dir.path());
    Append(day2, 1);
    f.saved(1, day2);
    EXPECT_EQ(broker.drain(f), QStringList{"T_01_20261207.VQD:3"});
    // The file cut short while the program was away, and saving moved to another folder.
    Append(day2, 2);
    ASSERT_TRUE(WriteFile(day2, ReadFile(day2).left(vqd::kHeaderSize + 2 * vqd::kRecordSize)));
    Append(b + "/T_01.VQD", 1);
    f.saved(1, b + "/T_01.VQD");
    EXPECT_EQ(broker.drain(f), QStringList{"T_01.VQD:0"});
    const QStringList notes = f.takeNotes();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_TRUE(notes[0].contains("records 3..4 of")) << notes[0].toStdString();
    EXPECT_EQ(f.cursor(1)->folder, b);
}
