// Finding recorders at unknown settings, in virtual time: a line where the
// recorders answer at one speed only, stray bytes at another, and what "Use"
// makes of the result.
#include "common/VirtualLine.h"
#include "link/RecorderSearch.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// The simulated recorders heard only at `answersAt` baud; at `noisyAt` the
// line brings stray bytes and never a frame; elsewhere silence.
class SettingPort : public SimPort {
public:
    using SimPort::SimPort;
    QString answersAt = QStringLiteral("38400");
    QString noisyAt = QStringLiteral("57600");
    QList<QPair<QString, int>> asked; // setting, address of every request
    PortSettings current;

    bool open(const PortSettings& s, QString* error) override
    {
        current = s;
        setPeriodicNoise(s.gCommBaud == noisyAt ? 7'000 : 0);
        return SimPort::open(s, error);
    }
    void write(const QByteArray& bytes) override
    {
        if (bytes.size() > 1)
            asked.append({current.settingsText(), static_cast<quint8>(bytes[0])});
        if (current.gCommBaud == answersAt)
            SimPort::write(bytes);
    }
};

struct SearchRig {
    qint64 nowUs = 0;
    LineServer server;
    SettingPort port{server};
    VirtualTimer timer{nowUs, 100};
    RecorderSearch search{port, timer};
    QStringList notes;
    bool ended = false, stopped = false;

    SearchRig()
    {
        server.setWireFormat({38400, 10, 5});
        QObject::connect(&search, &RecorderSearch::note, [this](const QString& t) { notes << t; });
        QObject::connect(&search, &RecorderSearch::finished, [this](bool s, const QString&) {
            ended = true;
            stopped = s;
        });
    }
    bool next()
    {
        const qint64 answer = port.nextDueUs();
        qint64 at = timer.due();
        if (answer >= 0 && (at < 0 || answer < at))
            at = answer;
        if (at < 0)
            return false;
        nowUs = qMax(nowUs, at);
        port.advanceTime((nowUs + 999) / 1000 - port.now());
        if (at == answer)
            port.deliverDue();
        else
            timer.fire();
        return true;
    }
    void run() { while (!ended && next()) {} }
    int askedAt(const QString& setting, int address = 0) const
    {
        return static_cast<int>(std::count_if(port.asked.begin(), port.asked.end(), [&](const auto& a) {
            return a.first == setting && (address == 0 || a.second == address);
        }));
    }
};

} // namespace

TEST(RecorderSearch, FindsEachRecorderOnceAtItsSettingAndSkipsAGarbledOne)
{
    SearchRig rig;
    rig.server.addDevice(7, 20);
    rig.server.addDevice(42, 10);
    rig.server.addDevice(120, 20);
    // Answers once, then never again: not listed.
    int answersOf9 = 0;
    rig.server.addDevice(9, 10);
    rig.server.rewriteAnswer = [&](const QByteArray& request, const QByteArray& answer) {
        return request[0] == 9 && answersOf9++ > 0 ? QByteArray() : answer;
    };
    SearchPlan plan;
    plan.port = QStringLiteral("line");
    plan.bauds = {9600, 57600, 38400};
    plan.parities = {QStringLiteral("N"), QStringLiteral("E")};
    plan.lastAddress = 130;
    rig.search.start(plan);
    rig.run();
    ASSERT_TRUE(rig.ended);
    EXPECT_FALSE(rig.stopped);

    QStringList found;
    for (const FoundRecorder& r : rig.search.results())
        found << r.text();
    EXPECT_EQ(found, (QStringList{"38400,N,8,1 device 7 model 20 (12 channels)",
                                  "38400,N,8,1 device 42 model 10 (6 channels)",
                                  "38400,N,8,1 device 120 model 20 (12 channels): cannot be polled; set its "
                                  "address to 1..99 on the recorder"}));
    // Fastest first; the noisy speed given up after a few addresses at each parity.
    EXPECT_EQ(rig.port.asked.first().first, "57600,N,8,1");
    for (const char* s : {"57600,N,8,1", "57600,E,8,1"}) {
        EXPECT_EQ(rig.askedAt(s), RecorderSearch::kGarbledAddresses) << s;
        EXPECT_TRUE(rig.notes.contains(QStringLiteral("%1: bytes but no whole frame at 3 addresses in a row (wrong "
                                                      "speed or parity): skipped")
                                           .arg(s)))
            << rig.notes.join('\n').toStdString();
    }
    for (const char* s : {"38400,N,8,1", "38400,E,8,1", "9600,N,8,1", "9600,E,8,1"})
        EXPECT_EQ(rig.askedAt(s) - rig.askedAt(s, 7) - rig.askedAt(s, 9) - rig.askedAt(s, 42) - rig.askedAt(s, 120),
                  126)
            << s;
    // A find asked once more to confirm; the same recorders at the next parity are asked but not asked again.
    EXPECT_EQ(rig.askedAt("38400,N,8,1", 42), 2);
    EXPECT_EQ(rig.askedAt("38400,E,8,1", 42), 1);
    EXPECT_EQ(rig.askedAt("38400,N,8,1", 9), 2);
    EXPECT_TRUE(rig.notes.contains("38400,N,8,1 device 9 answered once (model 10) but not when asked again: not listed"));
    EXPECT_FALSE(rig.port.isOpen());
}

TEST(RecorderSearch, StopClosesThePortAtOnceAndWaitsTheTimeOutPlusWireTime)
{
    SearchRig rig;
    SearchPlan plan;
    plan.port = QStringLiteral("line");
    plan.bauds = {9600};
    plan.parities = {QStringLiteral("N")};
    QSignalSpy progress(&rig.search, &RecorderSearch::progress);
    rig.search.start(plan);
    // 18 characters of 10 bits at 9600 baud: 18.75 ms, rounded up.
    EXPECT_EQ(RecorderSearch::QuestionMs(plan, rig.port.current), 119);
    for (int i = 0; i < 5; ++i)
        rig.next();
    rig.search.stop();
    EXPECT_TRUE(rig.ended);
    EXPECT_TRUE(rig.stopped);
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_EQ(rig.nowUs, 5 * 119'000);
    EXPECT_EQ(progress.last().at(0).toInt(), 5);
    EXPECT_EQ(progress.last().at(1).toInt(), 99);
}

TEST(RecorderSearch, OptionTexts)
{
    QList<int> bauds;
    QStringList parities;
    int first = 0, last = 0;
    EXPECT_TRUE(ParseBauds("9600, 38400,9600", &bauds) && bauds == (QList<int>{9600, 38400}));
    EXPECT_TRUE(ParseParities("n,E", &parities) && parities == (QStringList{"N", "E"}));
    EXPECT_TRUE(ParseAddressRange("42", &first, &last) && first == 42 && last == 42);
    EXPECT_TRUE(ParseAddressRange("1-247", &first, &last) && first == 1 && last == 247);
    for (const char* bad : {"", "fast", "9600,x", "0"})
        EXPECT_FALSE(ParseBauds(bad, &bauds)) << bad;
    for (const char* bad : {"", "M", "N,2"})
        EXPECT_FALSE(ParseParities(bad, &parities)) << bad;
    for (const char* bad : {"0-5", "5-1", "1-248", "a-b", "1-2-3"})
        EXPECT_FALSE(ParseAddressRange(bad, &first, &last)) << bad;
}

TEST(RecorderSearch, UseWritesOneSettingAndEnablesTheFoundKeepingDescriptions)
{
    PortSettings current;
    current.gCommPort = QStringLiteral("ttyUSB0");
    const auto at = [](const char* baud, const char* parity, int address) {
        FoundRecorder r;
        r.settings.gCommBaud = QString::fromLatin1(baud);
        r.settings.gCommParity = QString::fromLatin1(parity);
        r.address = address;
        r.model = 20;
        return r;
    };
    const QStringList lines{"O\tboiler", "X\t", "X\tkiln"};
    struct Case {
        const char* what;
        QList<FoundRecorder> found;
        QStringList lines;   // SetEnv.INI after
        QStringList changes; // empty: a problem
    };
    const Case cases[] = {
        {"one setting", {at("38400", "E", 3), at("38400", "E", 5), at("38400", "E", 120)},
         {"O\tboiler", "X\t", "O\tkiln", "X\t", "O\t"},
         {"Comm.CFG: ttyUSB0 9600,N,8,1 -> 38400,E,8,1", "SetEnv.INI: device 3 enabled", "SetEnv.INI: device 5 enabled",
          "SetEnv.INI: device 1 enabled but not found, left as it is"}},
        {"already so", {at("9600", "N", 1)}, lines,
         {"Comm.CFG: ttyUSB0 9600,N,8,1, unchanged", "SetEnv.INI: device 1 already enabled"}},
        {"two settings", {at("38400", "E", 3), at("9600", "N", 5)}, lines, {}},
        {"none pollable", {at("38400", "E", 100)}, lines, {}},
        {"none", {}, lines, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SearchUse use = PlanUse(c.found, current, lines);
        EXPECT_EQ(use.problem.isEmpty(), !c.changes.isEmpty()) << use.problem.toStdString();
        EXPECT_EQ(use.changes, c.changes);
        EXPECT_EQ(use.deviceLines, c.lines);
        if (!c.changes.isEmpty()) {
            EXPECT_EQ(use.port.settingsText(), c.found.first().settings.settingsText());
        }
    }
}
