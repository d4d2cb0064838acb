// Draws the alarm characteristic pictures ARM00.BMP .. ARM15.BMP that the
// ALARM/DI SETUP page shows for each alarm type. Usage: vq800-alarmpics DIR
//
// Each picture shows the measured value over time against its set value
// (or against the channel given as WITH CH.), shades where the alarm is on
// and repeats that as an ALARM strip along the bottom. The types:
//   0 none; 1 high; 2 low; 3 deviation high; 4 deviation low (against
//   WITH CH.); 5 band out; 6 band in; 7 up rate; 8 down rate (change within
//   one TIME UNIT); 9 up rate above SV; 10 down rate below SV; 11..15 as
//   1, 2, 3, 4 and 5 with standby (no alarm until the value was once normal).
#include "channel/AlarmRules.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kW = 240, kH = 150;
const QRectF kPlot(24, 20, 208, 96);   // value 0..1 bottom to top, time 0..1
const QRectF kStrip(24, 124, 208, 14); // alarm on/off
constexpr int kSamples = 208;
constexpr double kPi = 3.14159265358979;

enum class Kind { None, High, Low, DevHigh, DevLow, BandOut, BandIn, UpRate, DownRate };

struct Type {
    Kind kind = Kind::None;
    bool standby = false;
    bool withSv = false; // rate alarms 9 and 10: only beyond SV
};

Type typeOf(int code)
{
    switch (code) {
    case 1: return {Kind::High};
    case 2: return {Kind::Low};
    case 3: return {Kind::DevHigh};
    case 4: return {Kind::DevLow};
    case 5: return {Kind::BandOut};
    case 6: return {Kind::BandIn};
    case 7: return {Kind::UpRate};
    case 8: return {Kind::DownRate};
    case 9: return {Kind::UpRate, false, true};
    case 10: return {Kind::DownRate, false, true};
    case 11: return {Kind::High, true};
    case 12: return {Kind::Low, true};
    case 13: return {Kind::DevHigh, true};
    case 14: return {Kind::DevLow, true};
    case 15: return {Kind::BandOut, true};
    default: return {};
    }
}

QPointF at(double t, double v)
{
    return {kPlot.left() + t * kPlot.width(), kPlot.bottom() - v * kPlot.height()};
}

// A ramp up and a ramp down, steep enough to raise a rate alarm.
double rampValue(double t)
{
    auto smooth = [](double x) { return x <= 0 ? 0 : x >= 1 ? 1 : x * x * (3 - 2 * x); };
    return 0.22 + 0.5 * smooth((t - 0.18) / 0.2) - 0.5 * smooth((t - 0.62) / 0.16) + 0.03 * std::sin(9 * t);
}

struct Scene {
    std::function<double(double)> pv;
    std::function<double(double)> ref; // WITH CH., or a constant set value
    double sv = 0;                      // set value (level) or deviation
    double hys = 0.06;
};

Scene sceneOf(const Type& type)
{
    Scene s;
    const double dir = type.standby ? -1.0 : 1.0; // standby curves start in the alarm zone
    switch (type.kind) {
    case Kind::High:
        s.pv = [dir](double t) { return 0.5 - dir * 0.28 * std::cos(2 * kPi * 1.25 * t); };
        s.ref = [](double) { return 0.62; };
        break;
    case Kind::Low:
        s.pv = [dir](double t) { return 0.5 + dir * 0.28 * std::cos(2 * kPi * 1.25 * t); };
        s.ref = [](double) { return 0.38; };
        break;
    case Kind::DevHigh:
    case Kind::DevLow:
    case Kind::BandOut:
    case Kind::BandIn: {
        const double sign = type.kind == Kind::DevLow ? -1.0 : 1.0;
        s.ref = [](double t) { return 0.35 + 0.2 * t; };
        s.pv = [sign, dir](double t) { return 0.35 + 0.2 * t - sign * dir * 0.22 * std::cos(2 * kPi * 1.25 * t); };
        s.sv = 0.12;
        s.hys = 0.04;
        break;
    }
    case Kind::UpRate:
    case Kind::DownRate:
        s.pv = rampValue;
        s.ref = [](double) { return 0.47; };
        break;
    case Kind::None:
        s.pv = [](double t) { return 0.5 + 0.2 * std::sin(2 * kPi * 1.25 * t); };
        s.ref = [](double) { return 0.5; };
        break;
    }
    return s;
}

// Alarm state along the time axis, with hysteresis and standby.
std::vector<bool> alarmStates(const Type& type, const Scene& s)
{
    std::vector<bool> on(kSamples + 1, false);
    bool state = false;
    bool armed = !type.standby;
    const double dt = 1.0 / kSamples;
    const double window = 0.08; // one TIME UNIT on this time axis
    const double rate = 0.18;
    for (int i = 0; i <= kSamples; ++i) {
        const double t = i * dt;
        const double v = s.pv(t), r = s.ref(t), d = v - r;
        bool enter = false, stay = false;
        switch (type.kind) {
        case Kind::High: enter = v >= r; stay = v > r - s.hys; break;
        case Kind::Low: enter = v <= r; stay = v < r + s.hys; break;
        case Kind::DevHigh: enter = d >= s.sv; stay = d > s.sv - s.hys; break;
        case Kind::DevLow: enter = d <= -s.sv; stay = d < -s.sv + s.hys; break;
        case Kind::BandOut: enter = std::abs(d) >= s.sv; stay = std::abs(d) > s.sv - s.hys; break;
        case Kind::BandIn: enter = std::abs(d) <= s.sv; stay = std::abs(d) < s.sv + s.hys; break;
        case Kind::UpRate:
        case Kind::DownRate: {
            const double change = v - s.pv(std::max(0.0, t - window));
            const bool fast = type.kind == Kind::UpRate ? change >= rate : -change >= rate;
            const bool beyond = !type.withSv || (type.kind == Kind::UpRate ? v >= r : v <= r);
            enter = stay = fast && beyond;
            break;
        }
        case Kind::None: break;
        }
        if (!armed && !enter)
            armed = true; // the value was normal once: standby ends
        state = armed && (state ? stay : enter);
        on[i] = state;
    }
    return on;
}

void drawPicture(QImage& img, int code)
{
    const Type type = typeOf(code);
    const Scene s = sceneOf(type);
    const std::vector<bool> on = alarmStates(type, s);
    const QColor alarmFill(255, 205, 205), alarmRed(220, 0, 0), pvBlue(0, 70, 200), refGreen(0, 130, 60);

    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    p.setFont(font);

    // Title.
    p.fillRect(QRectF(0, 0, kW, 16), QColor(40, 60, 100));
    p.setPen(Qt::white);
    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    p.drawText(QRectF(6, 0, kW - 12, 16), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("TYPE %1").arg(code, 2, 10, QLatin1Char('0')));
    p.drawText(QRectF(6, 0, kW - 12, 16), Qt::AlignVCenter | Qt::AlignRight, armrules::AlarmTypeName(code));
    p.setFont(font);

    // Where the alarm is on.
    for (int i = 0; i < kSamples; ++i)
        if (on[i]) {
            const double x = kPlot.left() + i * kPlot.width() / kSamples;
            p.fillRect(QRectF(x, kPlot.top(), kPlot.width() / kSamples + 0.5, kPlot.height()), alarmFill);
            p.fillRect(QRectF(x, kStrip.top(), kStrip.width() / kSamples + 0.5, kStrip.height()), alarmRed);
        }
    if (type.standby) {
        // The standby stretch at the start, until the value was once normal.
        int end = 0;
        while (end < kSamples && !on[end] && [&] {
            const double t = double(end) / kSamples, v = s.pv(t), r = s.ref(t), d = v - r;
            switch (type.kind) {
            case Kind::High: return v >= r;
            case Kind::Low: return v <= r;
            case Kind::DevHigh: return d >= s.sv;
            case Kind::DevLow: return d <= -s.sv;
            default: return std::abs(d) >= s.sv;
            }
        }())
            ++end;
        const double x = kPlot.left() + end * kPlot.width() / kSamples;
        p.fillRect(QRectF(kPlot.left(), kStrip.top(), x - kPlot.left(), kStrip.height()),
                   QBrush(QColor(150, 150, 150), Qt::BDiagPattern));
        p.setPen(QColor(90, 90, 90));
        p.drawText(QRectF(kPlot.left() + 2, kPlot.top() + 1, 80, 12), Qt::AlignLeft, QStringLiteral("standby"));
    }

    // Axes.
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(kPlot.bottomLeft(), kPlot.topLeft() + QPointF(0, -2));
    p.drawLine(kPlot.bottomLeft(), kPlot.bottomRight() + QPointF(4, 0));
    p.drawText(QRectF(2, kPlot.top() - 2, 22, 12), Qt::AlignLeft, QStringLiteral("PV"));
    p.drawText(QRectF(kPlot.right() - 10, kPlot.bottom() - 12, 12, 12), Qt::AlignRight, QStringLiteral("t"));
    p.drawRect(kStrip);
    p.drawText(QRectF(0, kStrip.top(), 23, kStrip.height()), Qt::AlignCenter, QStringLiteral("AL"));

    auto curve = [&](const std::function<double(double)>& f) {
        QPainterPath path(at(0, f(0)));
        for (int i = 1; i <= kSamples; ++i)
            path.lineTo(at(double(i) / kSamples, f(double(i) / kSamples)));
        return path;
    };
    auto label = [&](const QString& text, double v, const QColor& c) {
        p.setPen(c);
        p.drawText(QRectF(kPlot.right() - 60, kPlot.bottom() - v * kPlot.height() - 12, 58, 11), Qt::AlignRight,
                   text);
    };

    // Set value, reference channel and bands.
    const QPen dashed(refGreen, 1.2, Qt::DashLine);
    switch (type.kind) {
    case Kind::High:
    case Kind::Low: {
        const double r = s.ref(0), h = type.kind == Kind::High ? -s.hys : s.hys;
        p.fillRect(QRectF(at(0, std::max(r, r + h)), at(1, std::min(r, r + h))), QColor(220, 220, 220, 160));
        p.setPen(dashed);
        p.drawLine(at(0, r), at(1, r));
        label(QStringLiteral("SV"), r, refGreen);
        break;
    }
    case Kind::DevHigh:
    case Kind::DevLow:
    case Kind::BandOut:
    case Kind::BandIn: {
        p.setPen(QPen(refGreen, 1.2));
        p.drawPath(curve(s.ref));
        const double sign = type.kind == Kind::DevLow ? -1 : 1;
        p.setPen(dashed);
        p.drawPath(curve([&](double t) { return s.ref(t) + sign * s.sv; }));
        if (type.kind == Kind::BandOut || type.kind == Kind::BandIn)
            p.drawPath(curve([&](double t) { return s.ref(t) - s.sv; }));
        p.setPen(refGreen);
        p.drawText(QRectF(kPlot.left() + 4, kPlot.bottom() - 14, 80, 12), Qt::AlignLeft, QStringLiteral("WITH CH."));
        label(type.kind == Kind::BandOut || type.kind == Kind::BandIn ? QStringLiteral("±SV")
                                                                         : sign > 0 ? QStringLiteral("+SV")
                                                                                    : QStringLiteral("-SV"),
              s.ref(1) + sign * s.sv + (sign > 0 ? 0.02 : -0.1), refGreen);
        break;
    }
    case Kind::UpRate:
    case Kind::DownRate: {
        if (type.withSv) {
            p.setPen(dashed);
            p.drawLine(at(0, s.ref(0)), at(1, s.ref(0)));
            label(QStringLiteral("SV"), s.ref(0) + (type.kind == Kind::UpRate ? -0.12 : 0.02), refGreen);
        }
        // Change within one time unit on the steep part.
        const double t0 = type.kind == Kind::UpRate ? 0.24 : 0.66, t1 = t0 + 0.08;
        const QPointF a = at(t0, s.pv(t0)), b = at(t1, s.pv(t1)), c(b.x(), a.y());
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(a, c);
        p.drawLine(c, b);
        p.drawText(QRectF(c.x() + 3, (c.y() + b.y()) / 2 - 6, 40, 12), Qt::AlignLeft, QStringLiteral("RATE"));
        p.drawText(QRectF(a.x() - 14, a.y() + (type.kind == Kind::UpRate ? 1 : -12), 60, 11), Qt::AlignLeft,
                   QStringLiteral("1 unit"));
        break;
    }
    case Kind::None:
        p.setPen(QColor(120, 120, 120));
        p.drawText(kPlot, Qt::AlignCenter, QStringLiteral("NO ALARM"));
        break;
    }

    // The measured value.
    p.setPen(QPen(pvBlue, 2));
    p.drawPath(curve(s.pv));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vq800-alarmpics OUTPUT-FOLDER\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "vq800-alarmpics: cannot create %s\n", argv[1]);
        return 1;
    }
    for (int code = 0; code < armrules::kAlarmTypes; ++code) {
        QImage img(kW, kH, QImage::Format_RGB888);
        drawPicture(img, code);
        const QString path = dir.filePath(QStringLiteral("ARM%1.BMP").arg(code, 2, 10, QLatin1Char('0')));
        if (!img.save(path, "BMP")) {
            std::fprintf(stderr, "vq800-alarmpics: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
