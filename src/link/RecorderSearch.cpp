#include "link/RecorderSearch.h"

#include "core/ConfigText.h"
#include "link/AnswerJudge.h"
#include "link/DeviceList.h"
#include "link/Framing.h"
#include "link/LinkTiming.h"
#include "link/PortFile.h"
#include "link/RegisterMap.h"

#include <QDir>
#include <QElapsedTimer>
#include <algorithm>
#include <utility>

namespace {

constexpr quint16 kModelRegister = 30001;
constexpr int kModelRegisters = 2;
constexpr int kMaxAddress = 247;

} // namespace

QList<PortSettings> SearchPlan::settings() const
{
    QList<int> order = bauds;
    std::sort(order.begin(), order.end(), std::greater<int>());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    QList<PortSettings> out;
    for (int baud : order)
        for (const QString& parity : parities) {
            PortSettings s;
            s.gCommPort = port;
            s.gCommBaud = QString::number(baud);
            s.gCommParity = parity;
            s.gCommStopBits = stopBits;
            s.rs485 = rs485;
            out << s;
        }
    return out;
}

bool ParseBauds(const QString& text, QList<int>* bauds)
{
    QList<int> out;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int baud = part.trimmed().toInt(&ok);
        if (!ok || baud < 300 || baud > 4'000'000)
            return false;
        if (!out.contains(baud))
            out << baud;
    }
    if (out.isEmpty())
        return false;
    *bauds = out;
    return true;
}

bool ParseParities(const QString& text, QStringList* parities)
{
    QStringList out;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        const QString p = part.trimmed().toUpper();
        if (p != "N" && p != "E" && p != "O")
            return false;
        if (!out.contains(p))
            out << p;
    }
    if (out.isEmpty())
        return false;
    *parities = out;
    return true;
}

bool ParseAddressRange(const QString& text, int* first, int* last)
{
    const QStringList parts = text.split(u'-');
    if (parts.size() > 2)
        return false;
    bool ok1 = false, ok2 = false;
    const int a = parts[0].trimmed().toInt(&ok1);
    const int b = parts.size() == 2 ? parts[1].trimmed().toInt(&ok2) : (ok2 = ok1, a);
    if (!ok1 || !ok2 || a < 1 || b < a || b > kMaxAddress)
        return false;
    *first = a;
    *last = b;
    return true;
}

int FoundRecorder::channels() const
{
    return regmap::ChannelsOfModel(model);
}

bool FoundRecorder::pollable() const
{
    return address >= 1 && address <= kMaxDeviceNumber;
}

QString FoundRecorder::text() const
{
    QString t = QStringLiteral("%1 device %2 model %3").arg(settings.settingsText()).arg(address).arg(model);
    t += channels() > 0 ? QStringLiteral(" (%1 channels)").arg(channels()) : QStringLiteral(" (not a recorder model)");
    if (!pollable())
        t += QStringLiteral(": cannot be polled; set its address to 1..%1 on the recorder").arg(kMaxDeviceNumber);
    return t;
}

RecorderSearch::RecorderSearch(SerialPort& port, OneShotTimer& timer, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_timer(timer)
{
    connect(&m_port, &SerialPort::readyRead, this, &RecorderSearch::onBytes);
    connect(&m_timer, &OneShotTimer::timeout, this, &RecorderSearch::onTimer);
    connect(&m_port, &SerialPort::opened, this, [this] {
        if (m_state == State::Opening) {
            m_address = m_plan.firstAddress;
            ask();
        }
    });
    connect(&m_port, &SerialPort::openFailed, this, [this](const QString& why) {
        if (m_state == State::Opening)
            finish(false, QStringLiteral("%1 cannot be opened: %2").arg(m_plan.port, why));
    });
    connect(&m_port, &SerialPort::fatalError, this, [this](const QString& why) {
        if (running())
            finish(false, QStringLiteral("%1 was lost: %2").arg(m_plan.port, why));
    });
}

int RecorderSearch::QuestionMs(const SearchPlan& plan, const PortSettings& settings)
{
    // The request with its trailing 0x00 and the answer of two registers.
    const qint64 wireUs = settings.charsUs(8 + 1 + ReadAnswerLength(kModelRegisters));
    return plan.timeoutMs + static_cast<int>((wireUs + 999) / 1000);
}

void RecorderSearch::start(const SearchPlan& plan)
{
    if (running())
        return;
    m_plan = plan;
    m_settings = plan.settings();
    m_found.clear();
    m_setting = 0;
    m_done = 0;
    if (m_settings.isEmpty() || plan.firstAddress < 1 || plan.lastAddress < plan.firstAddress
        || plan.lastAddress > kMaxAddress) {
        finish(false, QStringLiteral("nothing to search: choose a baud rate, a parity and addresses 1..%1").arg(kMaxAddress));
        return;
    }
    openSetting();
}

void RecorderSearch::stop()
{
    if (running())
        finish(true, QString());
}

void RecorderSearch::openSetting()
{
    m_port.close();
    m_garbledRun = 0;
    m_confirming = false;
    m_state = State::Opening;
    QString why;
    if (!m_port.open(m_settings[m_setting], &why)) {
        finish(false, QStringLiteral("%1 cannot be opened at %2: %3")
                          .arg(m_plan.port, m_settings[m_setting].settingsText(), why));
        return;
    }
    if (m_port.connecting())
        return; // opened() or openFailed() goes on
    m_address = m_plan.firstAddress;
    ask();
}

void RecorderSearch::ask()
{
    const PortSettings& s = m_settings[m_setting];
    m_state = State::Asking;
    m_buffer.clear();
    m_garbled = false;
    if (!m_confirming)
        emit progress(m_done, static_cast<int>(m_settings.size()) * (m_plan.lastAddress - m_plan.firstAddress + 1),
                      s.settingsText());
    m_request = BuildReadRequest(static_cast<quint8>(m_address), kModelRegister, kModelRegisters);
    m_port.discardInput();
    m_timer.setInterval(QuestionMs(m_plan, s));
    m_timer.start();
    m_port.setRts(true);
    m_port.write(m_request);
    m_port.write(QByteArray(1, '\0')); // the recorders expect it, as after every request
    if (s.rs485 == Rs485Mode::Rts) {
        // The driver stays on until the last character has left the UART.
        m_port.drain();
        QElapsedTimer t;
        t.start();
        while (t.nsecsElapsed() < s.charsUs(1) * 1000) {
        }
    }
    m_port.setRts(false);
}

void RecorderSearch::onBytes()
{
    if (m_state != State::Asking) {
        m_port.readAll(); // between settings and questions: nobody's answer
        return;
    }
    m_buffer += m_port.readAll();
    const Expect expect{static_cast<quint8>(m_address), modbus::kReadHolding, ReadAnswerLength(kModelRegisters),
                        m_request};
    while (!m_buffer.isEmpty()) {
        const Judgement j = JudgeAnswer(m_buffer, expect);
        switch (j.verdict) {
        case Judgement::Wait:
            return;
        case Judgement::Answer:
            m_timer.stop();
            answered(GetU16BE(m_buffer, 3));
            return;
        case Judgement::Exception:
            // A whole frame: something speaks this setting, but it is no recorder at this address.
            m_timer.stop();
            m_garbledRun = 0;
            emit note(QStringLiteral("%1 device %2 refused the model register %3: not a recorder")
                          .arg(m_settings[m_setting].settingsText())
                          .arg(m_address)
                          .arg(ExceptionText(j.code)));
            m_confirming = false;
            nextAddress();
            return;
        case Judgement::Foreign:
            m_buffer.remove(0, qMax<qsizetype>(1, j.length));
            break;
        case Judgement::Bad:
        case Judgement::Noise:
            m_garbled = true;
            m_buffer.remove(0, qMax<qsizetype>(1, j.length));
            break;
        }
    }
}

void RecorderSearch::answered(int model)
{
    m_garbledRun = 0;
    if (!m_confirming && seenAtThisSpeed(m_address)) {
        // A pseudo-terminal ignores parity: one recorder, reported at the first that answered.
        nextAddress();
        return;
    }
    if (!m_confirming) {
        m_confirming = true;
        m_firstModel = model;
        // The pause the link keeps after an answer, then the same question.
        m_state = State::Pause;
        m_timer.setInterval(timing::kTxIntervalMs);
        m_timer.start();
        return;
    }
    m_confirming = false;
    FoundRecorder r;
    r.settings = m_settings[m_setting];
    r.address = m_address;
    r.model = model;
    m_found << r;
    emit found(r);
    // The pause after an answer before the next address.
    m_state = State::Pause;
    m_advanceAfterPause = true;
    m_timer.setInterval(timing::kTxIntervalMs);
    m_timer.start();
}

void RecorderSearch::onTimer()
{
    switch (m_state) {
    case State::Idle:
    case State::Opening:
        return;
    case State::Pause:
        if (std::exchange(m_advanceAfterPause, false))
            nextAddress();
        else
            ask();
        return;
    case State::Quiet:
        if (++m_setting >= m_settings.size())
            finish(false, QString());
        else
            openSetting();
        return;
    case State::Asking:
        break;
    }
    const QString setting = m_settings[m_setting].settingsText();
    if (m_confirming) {
        m_confirming = false;
        emit note(QStringLiteral("%1 device %2 answered once (model %3) but not when asked again: not listed")
                      .arg(setting)
                      .arg(m_address)
                      .arg(m_firstModel));
    }
    if (m_garbled || !m_buffer.isEmpty())
        ++m_garbledRun;
    else
        m_garbledRun = 0;
    if (m_garbledRun >= kGarbledAddresses) {
        emit note(QStringLiteral("%1: bytes but no whole frame at %2 addresses in a row (wrong speed or parity): "
                                 "skipped")
                      .arg(setting)
                      .arg(kGarbledAddresses));
        m_done += m_plan.lastAddress - m_address + 1;
        endSetting();
        return;
    }
    nextAddress();
}

void RecorderSearch::nextAddress()
{
    ++m_done;
    if (++m_address > m_plan.lastAddress)
        endSetting();
    else
        ask();
}

void RecorderSearch::endSetting()
{
    if (m_setting + 1 >= m_settings.size()) {
        finish(false, QString());
        return;
    }
    // A late answer at this setting must not be read at the next.
    m_state = State::Quiet;
    m_port.discardInput();
    m_timer.setInterval(QuestionMs(m_plan, m_settings[m_setting]));
    m_timer.start();
}

bool RecorderSearch::seenAtThisSpeed(int address) const
{
    const PortSettings& s = m_settings[m_setting];
    return std::any_of(m_found.cbegin(), m_found.cend(), [&](const FoundRecorder& r) {
        return r.address == address && r.settings.gCommBaud == s.gCommBaud
            && r.settings.gCommStopBits == s.gCommStopBits;
    });
}

void RecorderSearch::finish(bool stopped, const QString& error)
{
    m_timer.stop();
    m_state = State::Idle;
    m_confirming = false;
    m_advanceAfterPause = false;
    m_port.close();
    const int total = static_cast<int>(m_settings.size()) * qMax(0, m_plan.lastAddress - m_plan.firstAddress + 1);
    if (!stopped && error.isEmpty())
        emit progress(total, total, QString());
    emit finished(stopped, error);
}

SearchUse PlanUse(const QList<FoundRecorder>& found, const PortSettings& current, const QStringList& deviceLines)
{
    SearchUse use;
    use.port = current;
    use.deviceLines = deviceLines;
    QList<FoundRecorder> usable;
    QStringList settings;
    for (const FoundRecorder& r : found) {
        if (!r.pollable())
            continue;
        usable << r;
        if (!settings.contains(r.settings.settingsText()))
            settings << r.settings.settingsText();
    }
    if (usable.isEmpty()) {
        use.problem = QStringLiteral("No recorder with an address of 1..%1 was found.").arg(kMaxDeviceNumber);
        return use;
    }
    if (settings.size() > 1) {
        use.problem = QStringLiteral("Recorders were found at different settings (%1), but one line has one setting. "
                                     "Download their line settings to match (Parameter Setup, \"Also send this "
                                     "set's addresses and line settings\"), then search again.")
                          .arg(settings.join(QStringLiteral(", ")));
        return use;
    }
    const PortSettings& s = usable.first().settings;
    use.port.gCommBaud = s.gCommBaud;
    use.port.gCommParity = s.gCommParity;
    use.port.gCommDataBits = s.gCommDataBits;
    use.port.gCommStopBits = s.gCommStopBits;
    const QString was = current.settingsText(), now = use.port.settingsText();
    use.changes << (was == now ? QStringLiteral("Comm.CFG: %1 %2, unchanged").arg(current.gCommPort, now)
                               : QStringLiteral("Comm.CFG: %1 %2 -> %3").arg(current.gCommPort, was, now));
    QList<int> addresses;
    for (const FoundRecorder& r : usable)
        if (!addresses.contains(r.address))
            addresses << r.address;
    std::sort(addresses.begin(), addresses.end());
    QStringList& lines = use.deviceLines;
    while (lines.size() < addresses.last())
        lines << QStringLiteral("X\t");
    for (int a : addresses) {
        QString& line = lines[a - 1];
        const QString desc = line.section(u'\t', 1, 1);
        if (line.section(u'\t', 0, 0) == QLatin1String("O")) {
            use.changes << QStringLiteral("SetEnv.INI: device %1 already enabled").arg(a);
        } else {
            line = QStringLiteral("O\t") + desc;
            use.changes << QStringLiteral("SetEnv.INI: device %1 enabled").arg(a);
        }
    }
    for (int n = 0; n < qMin<qsizetype>(lines.size(), kMaxDeviceNumber); ++n)
        if (lines[n].section(u'\t', 0, 0) == QLatin1String("O") && !addresses.contains(n + 1))
            use.changes << QStringLiteral("SetEnv.INI: device %1 enabled but not found, left as it is").arg(n + 1);
    return use;
}

bool WriteUse(const QString& programDir, const SearchUse& use, QString* error)
{
    if (!use.problem.isEmpty()) {
        if (error)
            *error = use.problem;
        return false;
    }
    QDir(programDir).mkpath(QStringLiteral("CFG"));
    return WritePortFile(programDir, use.port, error) && WriteConfigLines(DeviceListPath(programDir), use.deviceLines, error);
}
