// The plant overview under ten times a real plant's load: 20 lines x 99
// devices, 5 live messages per device per second through a mosquitto broker
// on loopback, fed from a thread of the benchmark. Prints the messages per
// second the overview took, the delay from a message's arrival to the
// picture that showed it (median, 99th percentile; target at most 500 ms)
// and the event loop's longest stall (target at most 100 ms).
// Usage: bench_overview [seconds, default 10]
#include "common/Broker.h"
#include "overview/frmVQ_Overview.h"
#include "publish/MqttClient.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace {

constexpr int kLines = 20, kDevices = 99, kPerSecond = 5;

QByteArray Live(int tick)
{
    QByteArray values;
    for (int c = 0; c < 12; ++c)
        values += (c ? "," : "") + QByteArray::number(20.0 + c + (tick % 100) / 10.0, 'f', 1);
    return "{\"time\":\"2026-12-07T05:00:00+00:00\",\"values\":[" + values
        + "],\"burnout\":[false,false,false,false,false,false,false,false,false,false,false,false],"
          "\"alarms\":[],\"di\":[],\"relays\":[]}";
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * v.size()))];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 10;
    QTemporaryDir dir;
    Broker broker;
    if (!broker.start(dir.path())) {
        std::fprintf(stderr, "cannot start mosquitto\n");
        return 1;
    }
    MqttClient feed;
    MqttOptions o;
    o.host = QStringLiteral("127.0.0.1");
    o.port = broker.port;
    o.clientId = QStringLiteral("bench-feed");
    feed.start(o);
    QElapsedTimer wait;
    wait.start();
    while (!feed.isConnected() && wait.elapsed() < 5000)
        QThread::msleep(10);
    auto topic = [](int line, int device, const char* leaf) {
        return QStringLiteral("vq800/pc%1/line/%2/%3").arg(line).arg(device, 2, 10, QLatin1Char('0')).arg(QLatin1String(leaf));
    };
    for (int l = 0; l < kLines; ++l) {
        feed.publish(QStringLiteral("vq800/pc%1/line/status").arg(l), "online", 1, true);
        for (int d = 1; d <= kDevices; ++d)
            feed.publish(topic(l, d, "state"),
                         QStringLiteral("{\"device\":%1,\"description\":\"dev %1\",\"online\":true,\"model\":20,\"channels\":12}")
                             .arg(d)
                             .toUtf8(),
                         1, true);
    }

    frmVQ_Overview overview(dir.path());
    overview.findChild<QLineEdit*>("txtBroker")->setText(QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port));
    overview.connectBroker();
    overview.show();

    // The feed: every 1/kPerSecond s one message for each device of each line.
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread feeder([&] {
        const auto step = std::chrono::milliseconds(1000 / kPerSecond);
        auto next = std::chrono::steady_clock::now();
        for (int tick = 0; !stop; ++tick) {
            const QByteArray payload = Live(tick);
            for (int l = 0; l < kLines; ++l)
                for (int d = 1; d <= kDevices; ++d)
                    if (feed.publish(topic(l, d, "live"), payload, 0, false) > 0)
                        ++sent;
            next += step;
            std::this_thread::sleep_until(next);
        }
    });

    // The event loop's stalls: a 10 ms timer that should never be late.
    QElapsedTimer loopClock;
    loopClock.start();
    qint64 last = 0, worstStall = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = loopClock.elapsed();
        worstStall = std::max(worstStall, now - last - 10);
        last = now;
    });
    // The first second fills the tree; measured from then on.
    QElapsedTimer run;
    run.start();
    bool measuring = false;
    int takenAtStart = 0;
    QTimer::singleShot(1000, [&] {
        overview.takeDelaysMs();
        takenAtStart = overview.messagesTaken();
        last = loopClock.elapsed();
        worstStall = 0;
        probe.start(10);
        measuring = true;
        run.restart();
    });
    QTimer::singleShot((seconds + 1) * 1000, &app, &QApplication::quit);
    app.exec();
    stop = true;
    feeder.join();
    const double elapsed = run.elapsed() / 1000.0;
    const std::vector<double> delays = overview.takeDelaysMs();
    const double rate = (overview.messagesTaken() - takenAtStart) / elapsed;
    const double median = Percentile(delays, 0.5), p99 = Percentile(delays, 0.99);
    std::printf("%d lines x %d devices at %d/s: %.0f messages/s offered, %.0f taken; delay to screen median %.1f ms, "
                "99th percentile %.1f ms (target <= 500); longest stall %lld ms (target <= 100)\n",
                kLines, kDevices, kPerSecond, double(kLines * kDevices * kPerSecond), rate, median, p99,
                static_cast<long long>(worstStall));
    feed.stop();
    return measuring && p99 <= 500 && worstStall <= 100 && rate >= 0.95 * kLines * kDevices * kPerSecond ? 0 : 1;
}
