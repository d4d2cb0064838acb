#include "link/PollingEngine.h"

#include "core/Numbers.h"
#include "link/CommLog.h"
#include "link/DataStore.h"
#include "link/Decoder.h"
#include "link/DeviceList.h"
#include "link/Framing.h"
#include "link/LinkState.h"
#include "link/ParamSource.h"
#include "link/PortFile.h"
#include "link/RegisterMap.h"
#include "link/SerialPort.h"

#include <QElapsedTimer>
#include <QScopeGuard>

using req::Phase;

namespace {
constexpr Rgb kGreen = 0xFF00FF00;
constexpr Rgb kBlack = 0xFF000000;
constexpr Rgb kGrey = 0xFF808080;
const QString kAnswersAgain = QStringLiteral("answers again");
const QString kUnknownText = QStringLiteral("--"); // a device's state without a port
}

// What a phase does with an answer, with a refusal (null: a refusal is a
// failure like any other) and with its last failure in a row; and which
// operator requests may start at a transmit tick while it runs.
struct PollingEngine::PhaseRule {
    Phase phase;
    void (PollingEngine::*answered)(const QByteArray& frame);
    void (PollingEngine::*refused)(const QString& why);
    void (PollingEngine::*gaveUp)();
    int tries;            // failures in a row that make the last one
    bool takesSelection;  // a clicked row may cut in
    bool takesRequests;   // a clock frame or a transfer may start
};

const PollingEngine::PhaseRule& PollingEngine::ruleOf(Phase phase)
{
    using E = PollingEngine;
    static const PhaseRule kRules[] = {
        // A scan and a transfer run to their end; a question out of the round
        // costs one time-out at most.
        {Phase::Scan, &E::scanAnswered, nullptr, &E::scanGaveUp, 3, false, false},
        {Phase::Rescan, &E::rescanAnswered, nullptr, &E::rescanGaveUp, 1, true, true},
        {Phase::ReadParams, &E::readAnswered, nullptr, &E::readGaveUp, 3, true, false},
        {Phase::Live, &E::liveAnswered, nullptr, &E::liveGaveUp, 3, true, true},
        {Phase::Upload, &E::uploadAnswered, nullptr, &E::transferGaveUp, 3, false, false},
        {Phase::Download, &E::downloadAnswered, &E::downloadRefused, &E::transferGaveUp, 3, false, false},
        {Phase::Clock, &E::clockAnswered, &E::clockRefused, &E::clockGaveUp, 3, true, false},
        {Phase::Backup, &E::backupAnswered, nullptr, &E::transferGaveUp, 3, false, false},
        {Phase::Restore, &E::restoreAnswered, &E::restoreRefused, &E::restoreGaveUp, 3, false, false},
        // A background block is one transaction between live polls; the
        // operator's requests come first.
        {Phase::Background, &E::backgroundAnswered, nullptr, &E::backgroundGaveUp, 3, true, true},
    };
    static const PhaseRule kNone{Phase::None, nullptr, nullptr, nullptr, 3, true, true};
    for (const PhaseRule& r : kRules)
        if (r.phase == phase)
            return r;
    return kNone;
}

PollingEngine::PollingEngine(LinkState& link, DataStore& store, CommLog& log, SerialPort& port,
                             OneShotTimer& tmrTX, OneShotTimer& tmrRX_TOVR, QObject* parent)
    : QObject(parent)
    , m_link(link)
    , m_store(store)
    , m_log(log)
    , m_port(port)
    , m_tx(tmrTX)
    , m_line(port, tmrRX_TOVR, log)
{
    connect(&m_tx, &OneShotTimer::timeout, this, &PollingEngine::onTransmitTick);
    connect(&m_line, &LineTransaction::ended, this, &PollingEngine::onEnded);
    connect(&m_line, &LineTransaction::quietEnded, this, &PollingEngine::onTransmitTick);
    connect(&m_line, &LineTransaction::sent, this, &PollingEngine::requestSent);
    connect(&m_line, &LineTransaction::receiving, this, &PollingEngine::receiving);
    connect(&m_line, &LineTransaction::strayBytes, this, [this](int n) { m_strayBytes += n; });
    connect(&m_port, &SerialPort::fatalError, this, &PollingEngine::onPortError);
    connect(&m_port, &SerialPort::opened, this, &PollingEngine::onPortOpened);
    connect(&m_port, &SerialPort::openFailed, this, &PollingEngine::onPortOpenFailed);
    m_step = req::Decode(m_link.gReqCode);
    setClock([] {
        static QElapsedTimer clock;
        if (!clock.isValid())
            clock.start();
        return clock.elapsed();
    });
}

PollingEngine::~PollingEngine() = default;

void PollingEngine::setClock(std::function<qint64()> now)
{
    m_now = now;
    m_line.setClock(std::move(now));
}

void PollingEngine::setReadEveryDevice(bool on)
{
    if (on == m_readEvery)
        return;
    m_readEvery = on;
    // Turned on while monitoring: every device online now is read.
    for (int i = 0; i < m_devices.size(); ++i)
        m_devices[i].paramsDue = on && m_port.isOpen() && m_link.isOnline(i);
    if (!on)
        m_background = {};
}

void PollingEngine::startTx(int ms)
{
    m_tx.setInterval(ms);
    m_tx.start();
}

bool PollingEngine::isOpen() const
{
    return m_port.isOpen();
}

int PollingEngine::channelCount() const
{
    return qBound(1, m_link.gChCount, regmap::kMaxChannels);
}

int PollingEngine::downloadChannels() const
{
    const int held = m_source ? m_source->channelCount() : 0;
    return qBound(0, qMin(channelCount(), held), regmap::kMaxChannels);
}

bool PollingEngine::transferActive() const
{
    const Phase p = m_step.phase;
    return m_requests.transfer != 0 || p == Phase::Upload || p == Phase::Download || p == Phase::Backup
        || p == Phase::Restore;
}

int PollingEngine::deviceNumber(int index) const
{
    return m_link.gMC_No.value(index);
}

int PollingEngine::targetDevice() const
{
    return deviceNumber(m_link.gMC_Index);
}

int PollingEngine::staleLimitMs() const
{
    return timing::StaleLimitMs(static_cast<int>(m_link.gMC_Online.count(true)), m_txGapMs, m_link.port);
}

bool PollingEngine::valuesFresh(int index) const
{
    if (!m_port.isOpen() || index < 0 || index >= m_devices.size())
        return false;
    const DeviceRecord& d = m_devices[index];
    return d.state == DeviceState::Ok && d.liveAt >= 0 && m_now() - d.liveAt <= staleLimitMs();
}

// ---- operator actions

bool PollingEngine::openPort(QString* error)
{
    if (m_port.isOpen() || m_connecting)
        return true;
    QString why;
    if (!m_port.open(m_link.port, &why)) {
        const QString text = QStringLiteral("Port %1 cannot be opened: %2").arg(m_link.port.gCommPort, why);
        showAllUnknown();
        emit statusMessage(text);
        emit portOpenFailed(text);
        if (error)
            *error = text;
        return false;
    }
    if (m_port.connecting()) {
        m_connecting = true;
        emit statusMessage(QStringLiteral("Connecting to %1 ...").arg(m_link.port.gCommPort));
        emit portConnecting();
        return true;
    }
    started();
    return true;
}

void PollingEngine::onPortOpened()
{
    if (!std::exchange(m_connecting, false))
        return;
    started();
}

void PollingEngine::onPortOpenFailed(const QString& why)
{
    if (!std::exchange(m_connecting, false))
        return;
    const QString text = QStringLiteral("Port %1 cannot be opened: %2").arg(m_link.port.gCommPort, why);
    showAllUnknown();
    emit statusMessage(text);
    emit portOpenFailed(text);
    emit portStateRequested(true);
}

void PollingEngine::showAllUnknown()
{
    // Nothing is known of any device without a port: no old "OK" stays.
    for (int i = 0; i < m_link.deviceCount(); ++i) {
        if (i < m_devices.size())
            m_devices[i] = {m_devices[i].model};
        const int row = i + 1;
        m_store.sprdStatus.setText(status::Online, row, kUnknownText);
        m_store.sprdStatus.setBackground(status::Online, row, TextTable::kNoColour);
        m_store.sprdStatus.setForeground(status::Online, row, kGrey);
        m_store.sprdMon.setText(regmap::mon::Comm, row, kUnknownText);
    }
}

void PollingEngine::started()
{
    m_log.clear();
    m_devices = QList<DeviceRecord>(m_link.deviceCount());
    for (DeviceRecord& d : m_devices)
        d.askedAt = m_now();
    m_rescanLine = {};
    m_round.reset();
    m_background = {};
    m_pollsSinceBlock = 0;
    for (int i = 0; i < m_link.gMC_Online.size(); ++i)
        m_link.gMC_Online[i] = false;
    m_link.gMC_Index = 0;
    setCode(req::Scan);
    m_streak = 0;
    m_streakDevice = 0;
    m_suspect.clear();
    m_lastRequest.clear();
    m_strayBytes = 0;
    m_txGapMs = TxGapMs(m_gapMs, m_link.port);
    emit statusMessage(QString());
    emit portOpened();
    startTx(m_txGapMs);
}

void PollingEngine::closePort()
{
    m_tx.stop();
    m_line.cancel();
    m_connecting = false;
    const bool wasOpen = m_port.isOpen();
    m_port.close();
    // Nothing waits for a closed port; a clicked row is taken now.
    const bool transferring = transferActive();
    const int transfer = m_step.phase == Phase::Upload || m_requests.transfer == req::Upload ? req::Upload : req::Download;
    m_requests.dropAll();
    m_background = {};
    setCode(0);
    showAllUnknown();
    if (m_requests.selection >= 0)
        applySelection(std::exchange(m_requests.selection, -1));
    if (transferring)
        emit transferEnded(transfer, TransferResult::Stopped,
                           QStringLiteral("Parameter %1 stopped: the port was closed%2")
                               .arg(transfer == req::Upload ? QStringLiteral("upload") : QStringLiteral("download"),
                                    m_written.isEmpty() && m_restoreQueue.isEmpty()
                                        ? QString()
                                        : QStringLiteral(" before the blocks already written could be put back")));
    m_written.clear();
    m_restoreQueue.clear();
    m_stopAsked = m_closeAfterTransfer = false;
    if (wasOpen)
        emit portClosed();
    emit portStateRequested(true);
}

void PollingEngine::onPortError(const QString& why)
{
    if (!m_port.isOpen() && !m_line.awaiting() && !m_line.quieting() && !m_tx.isActive())
        return;
    // Whoever reopens the port hears of the loss before the port closes.
    emit portLost(why);
    closePort();
    emit statusMessage(QStringLiteral("Port %1 was lost: %2").arg(m_link.port.gCommPort, why));
}

bool PollingEngine::post(int code)
{
    switch (code) {
    case req::Live:
        return true;
    case req::ReadCommon:
        return selectDevice(m_link.gSelMC_Index);
    case req::Upload:
        if (!m_port.isOpen() || transferActive() || m_link.gSelMC_No < 1)
            return false;
        m_requests.transfer = code;
        m_requests.transferDevice = m_link.gSelMC_No;
        m_requests.transferProbed = false;
        return true;
    case req::Download:
        return m_source && postDownload(*m_source, false);
    default:
        return false;
    }
}

bool PollingEngine::postDownload(const ParamSource& set, bool withLineSettings)
{
    if (!m_port.isOpen() || transferActive() || m_link.gSelMC_No < 1)
        return false;
    // What is sent is what the set holds now; a set that cannot give every
    // block whole is not sent at all.
    if (!m_sendSet.take(set, set.channelCount()))
        return false;
    m_withLineSettings = withLineSettings;
    m_requests.transfer = req::Download;
    m_requests.transferDevice = m_link.gSelMC_No;
    m_requests.transferProbed = false;
    return true;
}

bool PollingEngine::stopTransfer(bool closePort)
{
    if (!transferActive())
        return false;
    m_closeAfterTransfer = m_closeAfterTransfer || closePort;
    if (m_requests.transfer != 0) {
        // Not begun: nothing to stop but the request.
        const int transfer = std::exchange(m_requests.transfer, 0);
        emit transferEnded(transfer, TransferResult::Stopped, QStringLiteral("The transfer was stopped before it began"));
        if (std::exchange(m_closeAfterTransfer, false))
            this->closePort();
        return true;
    }
    // Taken between two transactions, so that no answer is left to come.
    m_stopAsked = true;
    if (!m_line.awaiting() && !m_line.quieting() && !m_tx.isActive())
        startTx(0);
    return true;
}

bool PollingEngine::selectDevice(int index)
{
    if (index < 0 || index > m_link.gMC_Last || index >= m_link.gMC_No.size())
        return false;
    if (!m_port.isOpen()) {
        applySelection(index);
        return true;
    }
    m_requests.selection = index;
    return true;
}

bool PollingEngine::queueClockFrame(const QByteArray& frame, int device)
{
    if (!m_port.isOpen() || device < 1 || device != m_link.gSelMC_No || frame.size() < 4
        || static_cast<quint8>(frame[0]) != device || !CheckCrc(frame))
        return false;
    m_requests.clockFrames.append(frame);
    // The window shows what the recorder reports after this frame.
    m_link.gCommonReadDone = false;
    return true;
}

bool PollingEngine::setDeviceList(const QStringList& lines, QString* note)
{
    if (m_port.isOpen() || m_connecting)
        return false;
    const int ignored = LoadDeviceList(lines, m_link, m_store);
    m_devices = QList<DeviceRecord>(m_link.deviceCount());
    m_requests.selection = -1;
    // A selected device that is no longer listed gives way to the first listed
    // one; with none selected yet, the scan's first answer chooses.
    const int index = m_link.indexOfDevice(m_link.gSelMC_No);
    if (index >= 0) {
        m_link.gSelMC_Index = index;
    } else if (m_link.gSelMC_No > 0 && m_link.deviceCount() > 0) {
        applySelection(0);
    } else if (m_link.gSelMC_No > 0) {
        // An empty list leaves nothing selected.
        m_link.gSelMC_No = 0;
        m_link.gSelMC_Index = 0;
        clearParameters();
        emit selectedDeviceChanged(0);
    }
    if (note)
        *note = ignored > 0 ? DeviceListLimitNote(ignored) : QString();
    return true;
}

bool PollingEngine::setLineSettings(const PortSettings& from)
{
    if (m_port.isOpen() || m_connecting)
        return false;
    m_link.port = from;
    return true;
}

// ---- the sequence

void PollingEngine::setCode(int code)
{
    m_link.gReqCode = code;
    m_step = req::Decode(code);
    // A read, upload or download covers a channel count fixed at its start.
    if (code == req::ReadCommon || code == req::UploadCommon || code == req::BackupCommon)
        m_channels = channelCount();
    else if (code == req::Download)
        m_channels = qMin(channelCount(), m_sendSet.channelCount());
}

void PollingEngine::applySelection(int index)
{
    if (index < 0 || index > m_link.gMC_Last || index >= m_link.gMC_No.size())
        return;
    const int number = m_link.gMC_No[index];
    const bool changed = number != m_link.gSelMC_No;
    m_link.gSelMC_Index = index;
    m_link.gSelMC_No = number;
    m_round.selectFirst();
    // The count of this device's own model; 6 until it has answered.
    const int channels = regmap::ChannelsOfModel(modelOf(index));
    m_link.gChCount = channels > 0 ? channels : 6;
    if (changed) {
        // The store's parameters were another recorder's: never show them as this one's.
        clearParameters();
        // Clock frames were built for the device selected before.
        m_requests.keepClockFramesOf(number);
    }
    emit selectedDeviceChanged(number);
}

void PollingEngine::startTransfer()
{
    const int code = std::exchange(m_requests.transfer, 0);
    const QString what = code == req::Upload ? QStringLiteral("upload") : QStringLiteral("download");
    // A transfer goes only to the device selected when it was asked for, and
    // only once its model (its channel count) is known.
    if (m_link.gSelMC_No != m_requests.transferDevice) {
        emit transferEnded(code, TransferResult::NotStarted,
                           QStringLiteral("Parameter %1 not started: device [%2] is no longer selected")
                               .arg(what)
                               .arg(m_requests.transferDevice));
    } else if (modelOf(m_link.gSelMC_Index) <= 0) {
        emit transferEnded(code, TransferResult::NotStarted,
                           QStringLiteral("Parameter %1 not started: device [%2] does not answer")
                               .arg(what)
                               .arg(m_requests.transferDevice));
    } else if (code == req::Download && (m_sendSet.channelCount() < 1 || m_channels < 0)) {
        emit transferEnded(code, TransferResult::NotStarted,
                           QStringLiteral("Parameter download not started: the set holds no channel"));
    } else {
        m_transferFailures = 0;
        m_stopAsked = false;
        if (code == req::Download) {
            // The recorder's present set is read first: to keep, to take its
            // line settings from, and to put back what a broken download wrote.
            m_backup = RegisterSet();
            m_backup.setChannelCount(channelCount());
            m_written.clear();
            setCode(req::BackupCommon);
        } else {
            setCode(code);
        }
    }
}

void PollingEngine::endTransfer(TransferResult result, const QString& text)
{
    const int transfer = m_step.phase == Phase::Upload ? req::Upload : req::Download;
    // What a download wrote, or put back, is read again.
    const int index = m_link.gSelMC_Index;
    if (m_readEvery && (m_step.phase == Phase::Download || m_step.phase == Phase::Restore) && index >= 0
        && index < m_devices.size())
        m_devices[index].paramsDue = m_link.isOnline(index);
    m_round.selectFirst(false);
    m_stopAsked = false;
    endSequence();
    emit transferEnded(transfer, result, text);
    if (std::exchange(m_closeAfterTransfer, false))
        closePort();
}

void PollingEngine::clearParameters()
{
    m_store.sprdP_Common.clearTexts(1, 1, 1, regmap::kCommonRows);
    m_store.sprdP_CH.clearTexts(1, 1, regmap::kMaxChannels, regmap::kChannelRows);
    m_link.gCommonReadDone = false;
}

void PollingEngine::beginRead()
{
    // The read covers the device's own channels: a device no answer has
    // told the model of yet is asked for it first.
    setCode(modelOf(m_link.gSelMC_Index) > 0 ? req::ReadCommon : req::ReadModel);
}

void PollingEngine::finishRead()
{
    // Columns past the device's channels hold nothing of it.
    if (m_channels < regmap::kMaxChannels)
        m_store.sprdP_CH.clearTexts(m_channels + 1, 1, regmap::kMaxChannels, regmap::kChannelRows);
}

bool PollingEngine::startBackgroundBlock()
{
    // Between live polls only, after a round of them (kPollsPerBackgroundBlock
    // at most), and never while the operator waits for the link.
    if (!m_readEvery || transferActive() || m_requests.selection >= 0 || !m_requests.clockFrames.isEmpty())
        return false;
    const int online = static_cast<int>(m_link.gMC_Online.count(true));
    if (m_pollsSinceBlock < qBound(1, online, kPollsPerBackgroundBlock))
        return false;
    BackgroundRead& b = m_background;
    if (b.index >= 0 && !m_link.isOnline(b.index))
        b = {};
    if (b.index < 0) {
        // One device's set is read whole before the next is begun.
        int index = 0;
        while (index < m_devices.size() && !(m_devices[index].paramsDue && m_link.isOnline(index)))
            ++index;
        if (index >= m_devices.size())
            return false;
        m_devices[index].paramsDue = false;
        // Its own channels, as its answers told its model; 6 when unknown, as for the selected one.
        const int channels = regmap::ChannelsOfModel(modelOf(index));
        b = {index, req::BackgroundCommon, channels > 0 ? channels : 6, std::make_shared<DeviceParams>()};
    }
    m_pollsSinceBlock = 0;
    m_link.gMC_Index = b.index;
    setCode(b.code);
    return true;
}

void PollingEngine::backgroundAnswered(const QByteArray& frame)
{
    BackgroundRead& b = m_background;
    const int index = m_link.gMC_Index;
    const int code = m_link.gReqCode;
    setState(index, DeviceState::Ok, kAnswersAgain);
    if (index != b.index || !b.set) {
        endSequence();
        return;
    }
    DecodeParamAnswer(b.set->common, b.set->channels, code, frame);
    b.code = req::NextCode(code, b.channels);
    const int device = deviceNumber(index);
    std::shared_ptr<DeviceParams> done;
    if (b.code == 0) {
        done = std::move(b.set);
        b = {};
        m_store.deviceParams.insert(device, done);
    }
    endSequence();
    if (done)
        emit deviceParametersRead(device);
}

void PollingEngine::dropBackgroundRead(int index)
{
    if (index < 0 || index == m_background.index)
        m_background = {};
}

void PollingEngine::keepSelectedParams()
{
    // The selected device's read stands for its background read.
    if (!m_readEvery)
        return;
    const int index = m_link.gSelMC_Index;
    const int device = m_link.gSelMC_No;
    if (device < 1)
        return;
    auto set = std::make_shared<DeviceParams>();
    set->copyTexts(m_store.sprdP_Common, m_store.sprdP_CH);
    m_store.deviceParams.insert(device, set);
    if (index >= 0 && index < m_devices.size())
        m_devices[index].paramsDue = false;
    dropBackgroundRead(index);
    emit deviceParametersRead(device);
}

void PollingEngine::takeOperatorRequests(const PhaseRule& rule)
{
    if (rule.takesSelection && m_requests.selection >= 0) {
        applySelection(std::exchange(m_requests.selection, -1));
        beginRead();
    } else if (rule.takesRequests) {
        if (!m_requests.clockFrames.isEmpty()) {
            setCode(req::ClockFrame);
        } else if (m_requests.transfer != 0 && modelOf(m_link.gSelMC_Index) <= 0 && !m_requests.transferProbed) {
            // The transfer covers the device's own channels: learn its model first.
            m_requests.transferProbed = true;
            beginRead();
        } else if (m_requests.transfer != 0) {
            startTransfer();
        }
    }
}

void PollingEngine::onTransmitTick()
{
    LinkState& k = m_link;
    m_tx.stop();
    if (!m_port.isOpen() || m_line.awaiting() || m_line.quieting())
        return;
    refreshStates();

    // Operator requests are taken here, between two transactions, and only
    // where the running sequence allows.
    const Phase p = m_step.phase;
    // Live polling resumes where it was left, so that no device waits longer
    // than a round for another sequence.
    const int liveNext = k.gMC_Index;
    const auto leaveLive = qScopeGuard([this, p, liveNext] {
        if (p == Phase::Live && m_step.phase != Phase::Live)
            m_round.leave(liveNext);
    });
    if (std::exchange(m_stopAsked, false)) {
        const QString what = QStringLiteral("The %1 to device %2 was stopped")
                                 .arg(p == Phase::Upload ? QStringLiteral("upload") : QStringLiteral("download"))
                                 .arg(k.gSelMC_No);
        if (p == Phase::Download)
            putBack(TransferResult::Stopped, what);
        else if (p == Phase::Upload || p == Phase::Backup)
            endTransfer(TransferResult::Stopped, what);
        if (!m_port.isOpen())
            return;
    }
    takeOperatorRequests(ruleOf(m_step.phase));

    if (m_step.phase == Phase::Live) {
        // Between live polls, a device out of the round may be asked again;
        // with nobody online the line idles meanwhile.
        if (const int index = dueRescan(); index >= 0) {
            startRescan(index);
        } else if (k.firstOnlineIndex() < 0) {
            startTx(qMax(m_txGapMs, kTxIntervalMs)); // idling: no need to look more often
            return;
        } else {
            startBackgroundBlock();
        }
    }

    QByteArray frame;
    Expect expect;
    for (int attempt = 0; !buildRequest(frame, expect); ++attempt) {
        if (m_step.phase == Phase::Scan || attempt == 2) {
            // Nobody to ask: with no device listed the scan ends at once.
            emit statusMessage(m_step.phase == Phase::Scan ? QStringLiteral("No device is enabled in the device list")
                                                           : QStringLiteral("No device to poll"));
            closePort();
            return;
        }
        if (m_step.phase == Phase::Clock) {
            // Nothing left to send: read the parameters back as after a clock frame.
            beginRead();
            continue;
        }
        if (m_step.phase != Phase::Live) {
            // A request that cannot be built (no parameter set for a download,
            // a block it cannot fill) ends the sequence; polling goes on.
            const QString text = QStringLiteral("Request %1 to device [%2] could not be built and was not sent")
                                     .arg(k.gReqCode)
                                     .arg(k.gSelMC_No);
            emit statusMessage(text);
            if (m_step.phase == Phase::Upload || m_step.phase == Phase::Download)
                endTransfer(TransferResult::Stopped, text);
            else
                endSequence();
        }
        if (!k.isOnline(k.gMC_Index))
            k.gMC_Index = qMax(k.firstOnlineIndex(), 0);
    }
    // After a fault, another block of the same device waits until the line is
    // quiet: a late answer of the failed request must not be taken for its own.
    // Another device, or the same request again, tells a late answer by itself.
    if (!m_suspect.isEmpty() && m_now() - m_suspectSentAt > kLateAnswerMs)
        m_suspect.clear();
    if (!m_suspect.isEmpty() && frame[0] == m_suspect[0] && frame != m_suspect) {
        m_suspect.clear();
        m_line.quiet(m_suspectSentAt + kTimeoutMs + kQuietMs);
        return;
    }
    send(frame, expect);
}

bool PollingEngine::buildRequest(QByteArray& frame, Expect& expect)
{
    LinkState& k = m_link;
    const req::Step& s = m_step;
    if (s.phase == Phase::None)
        return false;
    if (s.phase == Phase::Background) {
        if (!k.isOnline(m_background.index))
            return false;
        k.gMC_Index = m_background.index;
    } else if (s.phase != Phase::Live && s.phase != Phase::Scan && s.phase != Phase::Rescan) {
        // Every other request goes to the selected device.
        if (k.gSelMC_No < 1 || k.gMC_No.value(k.gSelMC_Index) != k.gSelMC_No)
            return false;
        k.gMC_Index = k.gSelMC_Index;
    }
    if (k.gMC_Index < 0 || k.gMC_Index > k.gMC_Last || k.gMC_Index >= k.gMC_No.size())
        return false;
    const int device = targetDevice();
    if (device < 1 || device > 247)
        return false;
    const auto dev = static_cast<quint8>(device);
    const req::BlockInfo& info = req::InfoOf(s.block);

    if (s.phase == Phase::Clock) {
        // A frame goes only to the device it was built for.
        while (!m_requests.clockFrames.isEmpty() && static_cast<quint8>(m_requests.clockFrames.first()[0]) != dev)
            m_requests.clockFrames.removeFirst();
        if (m_requests.clockFrames.isEmpty())
            return false;
        frame = m_requests.clockFrames.first();
        expect = {dev, static_cast<quint8>(frame[1]), modbus::kWriteAnswerLength, frame};
        return true;
    }
    const int channels = s.phase == Phase::Background ? m_background.channels : m_channels;
    if (s.channel > regmap::kMaxChannels
        || (s.channel > 0 && s.phase != Phase::Live && s.phase != Phase::Restore && s.channel > channels))
        return false;
    const int first = req::FirstRegister(s);
    if (info.function == modbus::kReadHolding) {
        frame = BuildReadRequest(dev, static_cast<quint16>(first), static_cast<quint16>(info.count));
        expect = {dev, info.function, ReadAnswerLength(info.count), frame};
        return true;
    }
    // Download blocks come from the set taken when it was asked for, restored
    // blocks from what the recorder held; one that cannot be filled whole is never sent.
    const RegisterSet& from = s.phase == Phase::Restore ? m_backup : m_sendSet;
    const QByteArray data = info.perChannel ? from.channelData(s.channel, info.first, info.count)
                                            : from.commonData(info.first, info.count);
    if (data.size() != 2 * info.count)
        return false;
    frame = BuildWriteRequest(dev, static_cast<quint16>(first), data);
    expect = {dev, info.function, modbus::kWriteAnswerLength, frame};
    return true;
}

void PollingEngine::send(const QByteArray& frame, const Expect& expect)
{
    // Failures in a row are counted per device: another device starts afresh.
    if (expect.device != m_streakDevice)
        m_streak = 0;
    m_streakDevice = expect.device;
    m_lastRequest = frame;
    m_lastSentAt = m_now();
    if (frame == m_suspect)
        m_suspectSentAt = m_lastSentAt;
    emit sending();
    m_line.send(frame, expect, m_link.port);
}

// ---- the outcome of a transaction

void PollingEngine::onEnded(const Outcome& outcome)
{
    const int code = m_link.gReqCode;
    const int index = m_link.gMC_Index;
    // The pause before the next request counts from the answer, not from the
    // store and the windows that follow it.
    startTx(m_txGapMs);
    count(outcome.failure);
    if (!outcome.answered() && outcome.failure != Failure::Exception && m_suspect != m_lastRequest) {
        m_suspect = m_lastRequest;
        m_suspectSentAt = m_lastSentAt;
    }
    const PhaseRule& rule = ruleOf(m_step.phase);
    if (m_step.phase == Phase::Live)
        ++m_pollsSinceBlock;

    if (outcome.answered()) {
        m_streak = 0;
        if (index >= 0 && index < m_devices.size())
            m_devices[index].aliveAt = m_now();
        if (rule.answered)
            (this->*rule.answered)(outcome.frame);
    } else {
        if (outcome.failure == Failure::Timeout) {
            // Silence shows at once in the device table; it is news when it
            // lasts (below).
            setState(index, DeviceState::Ng, QString());
        }
        bool handled = false;
        if (outcome.failure == Failure::Exception) {
            m_refusalCode = outcome.exceptionCode;
            const QString why = refusal(m_lastRequest, outcome.exceptionCode);
            emit statusMessage(why);
            if (rule.refused) {
                (this->*rule.refused)(why);
                handled = true;
            }
        }
        if (!handled && ++m_streak >= rule.tries) {
            m_streak = 0;
            if (m_step.phase == Phase::Scan && outcome.failure == Failure::Timeout)
                setState(index, DeviceState::Ng, QStringLiteral("no answer"));
            else if (m_step.phase != Phase::Rescan) // out of the round already
                setState(index, DeviceState::Ng, outcome.failure == Failure::Timeout
                                                     ? QStringLiteral("no answer, %1 times in a row").arg(rule.tries)
                                                     : QStringLiteral("%1 bad answers in a row (last: %2)")
                                                           .arg(rule.tries)
                                                           .arg(FailureText(outcome.failure)));
            if (rule.gaveUp)
                (this->*rule.gaveUp)();
        }
        if (m_step.phase == Phase::Background) {
            // Not asked again until the device comes back online: a device
            // that cannot give its parameters costs one transaction a time.
            dropBackgroundRead();
            endSequence();
        }
    }
    emit transactionEnded(code, deviceNumber(index), outcome.failure);
    if (m_port.isOpen())
        refreshStates();
}

void PollingEngine::count(Failure failure)
{
    int column = counters::CrcError;
    switch (failure) {
    case Failure::None: column = counters::Ok; break;
    case Failure::Timeout: column = counters::TimeOver; break;
    case Failure::Exception: column = counters::Refused; break;
    default: break;
    }
    TextTable& t = m_store.sprdCommState;
    const int row = m_link.gMC_Index + 1;
    if (row < 1 || row > t.rowCount())
        return;
    const qint64 v = static_cast<qint64>(LeadingNumber(t.text(column, row)));
    t.setText(column, row, QString::number(v + 1));
}

QString PollingEngine::refusal(const QByteArray& request, quint8 code) const
{
    const int device = request.isEmpty() ? 0 : static_cast<quint8>(request[0]);
    const int first = request.size() >= 6 ? GetU16BE(request, 2) : 0;
    const int count = request.size() >= 6 ? GetU16BE(request, 4) : 0;
    const QString regs = count > 1 ? QStringLiteral("registers %1..%2").arg(first).arg(first + count - 1)
                                   : QStringLiteral("register %1").arg(first);
    return QStringLiteral("device %1 refused %2: %3").arg(device).arg(regs, ExceptionText(code));
}

void PollingEngine::decode(const QByteArray& frame)
{
    LinkState& k = m_link;
    const int index = k.gMC_Index;
    DecodeAnswer(m_store, index + 1, k.gReqCode, frame);
    if (m_step.block != req::Block::Live && m_step.block != req::Block::Scan)
        return;
    // These answers begin with the model code, which tells the selected
    // device's channel count. A code of no known model leaves the count
    // alone rather than sizing tables to 0 or 18; asked for it, 6.
    if (index >= 0 && index < m_devices.size())
        m_devices[index].model = GetU16BE(frame, 3);
    const int channels = regmap::ChannelsOfModel(modelOf(index));
    if (k.gReqCode == req::ReadModel)
        k.gChCount = channels > 0 ? channels : 6;
    else if (m_step.block == req::Block::Live && index == k.gSelMC_Index && channels > 0)
        k.gChCount = channels;
}

// ---- answers

void PollingEngine::scanAnswered(const QByteArray& frame)
{
    LinkState& k = m_link;
    const int index = k.gMC_Index;
    decode(frame);
    if (index < k.gMC_Online.size())
        k.gMC_Online[index] = true;
    if (index >= 0 && index < m_devices.size())
        m_devices[index].paramsDue = m_readEvery;
    setState(index, DeviceState::Ok, QStringLiteral("online (model %1)").arg(modelOf(index)));
    if (k.gSelMC_No == 0)
        applySelection(index);
    advanceScan(true);
}

void PollingEngine::rescanAnswered(const QByteArray& frame)
{
    const int index = m_link.gMC_Index;
    decode(frame);
    m_rescanLine.lastEndedAt = m_now();
    joinRound(index);
}

void PollingEngine::readAnswered(const QByteArray& frame)
{
    const int code = m_link.gReqCode;
    decode(frame);
    setState(m_link.gMC_Index, DeviceState::Ok, kAnswersAgain);
    if (const int next = req::NextCode(code, m_channels); next != 0) {
        setCode(next);
        return;
    }
    finishRead();
    m_link.gCommonReadDone = true;
    endSequence();
    emit parametersRead(m_link.gSelMC_No);
    keepSelectedParams();
}

void PollingEngine::liveAnswered(const QByteArray& frame)
{
    LinkState& k = m_link;
    const int index = k.gMC_Index;
    const int channelsBefore = k.gChCount;
    decode(frame);
    if (index >= 0 && index < m_devices.size())
        m_devices[index].liveAt = m_now();
    setState(index, DeviceState::Ok, kAnswersAgain);
    const int next = m_round.after(k, index);
    if (next >= 0)
        k.gMC_Index = next;
    if (index == k.gSelMC_Index && k.gChCount != channelsBefore) {
        // The selected recorder has another channel count than its
        // parameters were read for: read them again.
        m_round.leave(k.gMC_Index);
        beginRead();
    }
    emit liveValues(deviceNumber(index));
}

void PollingEngine::uploadAnswered(const QByteArray& frame)
{
    const int code = m_link.gReqCode;
    decode(frame);
    setState(m_link.gMC_Index, DeviceState::Ok, kAnswersAgain);
    emit transferProgress(req::ProgressAfter(code, m_channels), req::ProgressMessage(code, m_channels));
    if (const int next = req::NextCode(code, m_channels); next != 0) {
        setCode(next);
        return;
    }
    finishRead();
    keepSelectedParams();
    endTransfer(TransferResult::Done, req::ProgressMessage(code, m_channels));
}

void PollingEngine::downloadAnswered(const QByteArray&)
{
    const int code = m_link.gReqCode;
    m_written.append(code);
    emit transferProgress(req::ProgressAfter(code, m_channels), req::ProgressMessage(code, m_channels));
    if (const int next = req::NextCode(code, m_channels); next != 0) {
        setCode(next);
        return;
    }
    const QString done = QStringLiteral("Parameter download complete.(PC==>VQ800)");
    emit transferProgress(100.0, done);
    endTransfer(TransferResult::Done, done);
}

void PollingEngine::clockAnswered(const QByteArray&)
{
    nextClockFrame();
}

void PollingEngine::nextClockFrame()
{
    // Queued clock frames go out in order; the read-back follows the last.
    if (!m_requests.clockFrames.isEmpty())
        m_requests.clockFrames.removeFirst();
    if (m_requests.clockFrames.isEmpty())
        beginRead();
}

// ---- refusals

void PollingEngine::downloadRefused(const QString&)
{
    // A refused block ends the download at once: the rest would not fit what
    // the recorder took.
    putBack(TransferResult::Refused, QStringLiteral("Device %1 refused the %2 (%3, %4)")
                                         .arg(m_link.gSelMC_No)
                                         .arg(req::BlockName(m_link.gReqCode), ExceptionMeaning(m_refusalCode),
                                              HexByte(m_refusalCode)));
}

void PollingEngine::putBack(TransferResult result, const QString& why)
{
    m_endResult = result;
    m_endText = why;
    m_restoreQueue.clear();
    for (int code : std::as_const(m_written))
        m_restoreQueue.append(req::RestoreCodeOf(code));
    m_written.clear();
    if (m_restoreQueue.isEmpty()) {
        endTransfer(result, why + QStringLiteral("; nothing had been written."));
        return;
    }
    m_transferFailures = 0;
    m_restoreTotal = static_cast<int>(m_restoreQueue.size());
    nextRestore();
}

void PollingEngine::nextRestore()
{
    setCode(m_restoreQueue.takeFirst());
}

void PollingEngine::backupAnswered(const QByteArray& frame)
{
    const int code = m_link.gReqCode;
    const req::BlockInfo& info = req::InfoOf(m_step.block);
    m_backup.takeAnswer(req::FirstRegister(m_step), info.count, frame);
    emit transferProgress(req::ProgressAfter(code, m_channels), req::ProgressMessage(code, m_channels));
    if (const int next = req::NextCode(code, m_channels); next != 0) {
        setCode(next);
        return;
    }
    QString why;
    if (m_keeper && !m_keeper->keep(m_link.gSelMC_No, m_backup, &why)) {
        endTransfer(TransferResult::NotStarted,
                    QStringLiteral("Parameter download not started: the recorder's present set could not be kept: %1").arg(why));
        return;
    }
    // The recorder keeps its own addresses and line settings unless they are meant to change.
    if (!m_withLineSettings)
        m_sendSet.copyRange(m_backup, regmap::kLineSettingsFirst, regmap::kLineSettingsLast);
    m_transferFailures = 0;
    setCode(req::Download);
}

void PollingEngine::restoreAnswered(const QByteArray&)
{
    const int done = m_restoreTotal - static_cast<int>(m_restoreQueue.size());
    emit transferProgress(100.0 * done / qMax(1, m_restoreTotal), req::ProgressMessage(m_link.gReqCode, m_channels));
    if (!m_restoreQueue.isEmpty()) {
        nextRestore();
        return;
    }
    endTransfer(m_endResult, m_endText + QStringLiteral("; the blocks already written were restored."));
}

void PollingEngine::restoreRefused(const QString& why)
{
    endTransfer(m_endResult, m_endText + QStringLiteral("; putting back the blocks already written failed (%1).").arg(why));
}

void PollingEngine::restoreGaveUp()
{
    endTransfer(m_endResult, m_endText
                    + QStringLiteral("; putting back the blocks already written failed: the device does not answer."));
}

void PollingEngine::clockRefused(const QString&)
{
    // The frame is dropped; the others still go.
    nextClockFrame();
}

// ---- the last failure in a row

void PollingEngine::scanGaveUp()
{
    advanceScan(false);
}

void PollingEngine::rescanGaveUp()
{
    const int index = m_link.gMC_Index;
    if (index >= 0 && index < m_devices.size())
        ++m_devices[index].misses;
    m_rescanLine.lastEndedAt = m_now();
    endSequence();
}

void PollingEngine::readGaveUp()
{
    // A parameter read that a device never answers must not stop live
    // polling of the others for good: give it up and go on monitoring
    // with the next device.
    m_round.selectFirst(false);
    endSequence();
}

void PollingEngine::liveGaveUp()
{
    // The device leaves the round (it is asked again now and then), so that
    // a silent or garbled device never holds up the others.
    LinkState& k = m_link;
    const int index = k.gMC_Index;
    leaveRound(index);
    const int next = m_round.after(k, index);
    if (next >= 0)
        k.gMC_Index = next;
}

void PollingEngine::transferGaveUp()
{
    // The block is sent again, but not for ever.
    if (++m_transferFailures < kTransferGiveUp)
        return;
    const int device = m_link.gSelMC_No;
    switch (m_step.phase) {
    case Phase::Upload:
        endTransfer(TransferResult::NoAnswer, QStringLiteral("Parameter upload stopped: device [%1] does not answer").arg(device));
        break;
    case Phase::Backup:
        endTransfer(TransferResult::NotStarted,
                    QStringLiteral("Parameter download not started: device [%1] does not answer (its present set "
                                   "could not be read)")
                        .arg(device));
        break;
    default:
        putBack(TransferResult::NoAnswer,
                QStringLiteral("Device %1 does not answer the %2").arg(device).arg(req::BlockName(m_link.gReqCode)));
        break;
    }
}

void PollingEngine::clockGaveUp()
{
    // A frame the recorder never takes is dropped; the others still go.
    nextClockFrame();
}

void PollingEngine::backgroundGaveUp()
{
    // The third failure in a row takes a device out of the round, whichever
    // request it failed.
    leaveRound(m_link.gMC_Index);
}

void PollingEngine::endSequence()
{
    // Back to live polling. After a device was selected it is polled first;
    // otherwise the round goes on from where the sequence interrupted it.
    setCode(req::Live);
    if (const int start = m_round.start(m_link); start >= 0)
        m_link.gMC_Index = start;
}

// ---- the scan and the round

void PollingEngine::advanceScan(bool answered)
{
    LinkState& k = m_link;
    const int index = k.gMC_Index;
    if (index >= 0 && index < m_devices.size())
        m_devices[index].askedAt = m_now();
    if (!answered) {
        emit statusMessage(QStringLiteral("Device [%1] ==> COMM.Error").arg(deviceNumber(index)));
        if (index >= 0 && index < k.gMC_Online.size())
            k.gMC_Online[index] = false;
    }
    if (index + 1 <= k.gMC_Last) {
        k.gMC_Index = index + 1;
        return;
    }
    // Every device has been asked.
    const int online = static_cast<int>(k.gMC_Online.count(true));
    if (online == 0 && !m_keepWhenNobody) {
        emit scanFinished(0);
        closePort();
        return;
    }
    // The scan was a round of its own: who answered it is fresh now.
    const qint64 now = m_now();
    m_rescanLine.lastEndedAt = now;
    for (int i = 0; i < m_devices.size(); ++i)
        if (k.isOnline(i))
            m_devices[i].aliveAt = now;
    if (online == 0) {
        // Unattended: the port stays open and the devices are asked again.
        setCode(req::Live);
        emit statusMessage(QStringLiteral("No device answers; asking again every %1 s").arg(m_rescanTiming.nobodyMs / 1000));
        emit portStateRequested(false);
        emit scanFinished(0);
        return;
    }
    endScan();
    emit scanFinished(online);
}

void PollingEngine::endScan()
{
    LinkState& k = m_link;
    // The parameters are read from the selected device: a row clicked during
    // the scan if it answered, else the one selected before if it answered,
    // else the first that answered.
    int chosen = std::exchange(m_requests.selection, -1);
    if (!k.isOnline(chosen))
        chosen = k.isOnline(k.gSelMC_Index) && k.gMC_No.value(k.gSelMC_Index) == k.gSelMC_No ? k.gSelMC_Index
                                                                                             : k.firstOnlineIndex();
    applySelection(chosen);
    k.gMC_Index = k.firstOnlineIndex();
    beginRead();
    emit statusMessage(scanSummary());
    emit portStateRequested(false);
}

QString PollingEngine::scanSummary() const
{
    // "3 of 5 devices answered; no answer from 4, 5": who is missing stays in sight.
    const LinkState& k = m_link;
    QStringList silent;
    for (int i = 0; i < k.deviceCount(); ++i)
        if (!k.isOnline(i))
            silent << QString::number(k.gMC_No.value(i));
    if (silent.isEmpty())
        return QStringLiteral("%1 of %1 devices answered").arg(k.deviceCount());
    constexpr int kNamed = 8;
    QString text = QStringLiteral("%1 of %2 devices answered; no answer from %3")
                       .arg(k.deviceCount() - silent.size())
                       .arg(k.deviceCount())
                       .arg(silent.mid(0, kNamed).join(QStringLiteral(", ")));
    if (silent.size() > kNamed)
        text += QStringLiteral(" and %1 more").arg(silent.size() - kNamed);
    return text;
}

int PollingEngine::dueRescan()
{
    QList<rescan::Device> devices;
    devices.reserve(m_devices.size());
    for (int i = 0; i < m_devices.size() && i < m_link.deviceCount(); ++i)
        devices.append({m_link.isOnline(i), m_devices[i].askedAt, m_devices[i].misses});
    return rescan::Due(devices, m_rescanLine, m_rescanTiming, m_now());
}

void PollingEngine::startRescan(int index)
{
    m_devices[index].askedAt = m_now();
    m_rescanLine.cursor = index;
    m_link.gMC_Index = index;
    setCode(req::Rescan);
}

void PollingEngine::joinRound(int index)
{
    // A device that answers again joins live polling. With none selected
    // yet, or when it is the selected one (whose parameters could not be
    // read while it was silent), it takes its own channel count from the
    // answer and its parameters are read first, as after a scan.
    LinkState& k = m_link;
    if (index < k.gMC_Online.size())
        k.gMC_Online[index] = true;
    if (index >= 0 && index < m_devices.size()) {
        m_devices[index].misses = 0;
        m_devices[index].liveAt = -1; // its values are of before; fresh ones follow within a round
        m_devices[index].paramsDue = m_readEvery;
    }
    setState(index, DeviceState::Ok, QStringLiteral("answers again (model %1)").arg(modelOf(index)));
    emit statusMessage(QString());
    if (k.gSelMC_No == 0 || index == k.gSelMC_Index) {
        applySelection(index);
        k.gMC_Index = index;
        beginRead();
        return;
    }
    endSequence();
}

void PollingEngine::leaveRound(int index)
{
    LinkState& k = m_link;
    if (index >= 0 && index < k.gMC_Online.size())
        k.gMC_Online[index] = false;
    if (index >= 0 && index < m_devices.size()) {
        m_devices[index].askedAt = m_now();
        m_devices[index].misses = 0;
        m_devices[index].paramsDue = false; // read when it is back
    }
    dropBackgroundRead(index);
}

// ---- device states

void PollingEngine::setState(int index, DeviceState state, const QString& why)
{
    const int row = index + 1;
    if (index < 0 || index >= m_devices.size())
        return;
    const bool ok = state == DeviceState::Ok;
    if (row <= m_store.sprdStatus.rowCount()) {
        m_store.sprdStatus.setText(status::Online, row, ok ? QStringLiteral("OK") : QStringLiteral("NG"));
        m_store.sprdStatus.setBackground(status::Online, row, ok ? kGreen : kBlack);
        m_store.sprdStatus.setForeground(status::Online, row, TextTable::kNoColour);
    }
    m_store.sprdMon.setText(regmap::mon::Comm, row, ok ? QStringLiteral("OK") : QStringLiteral("NG"));
    // A passing NG (one time-out) is shown but is no news, nor is its end;
    // an NG that was told is told to be over.
    DeviceRecord& d = m_devices[index];
    if (ok) {
        if (d.state == DeviceState::Ok)
            return;
        const bool told = std::exchange(d.told, false);
        d.state = state;
        emit deviceStateChanged(deviceNumber(index), state, told || why != kAnswersAgain ? why : QString());
        return;
    }
    if (d.state == DeviceState::Ng && (why.isEmpty() || d.told))
        return;
    d.state = state;
    d.told = d.told || !why.isEmpty();
    emit deviceStateChanged(deviceNumber(index), state, why);
}

void PollingEngine::refreshStates()
{
    // The scan asks each device once; its answers set the states.
    if (m_step.phase == Phase::Scan)
        return;
    const qint64 now = m_now();
    const int limit = staleLimitMs();
    for (int i = 0; i < m_devices.size(); ++i) {
        const DeviceRecord& d = m_devices[i];
        if (d.state == DeviceState::Ok && d.aliveAt >= 0 && now - d.aliveAt > limit)
            setState(i, DeviceState::Ng, QStringLiteral("no good answer for %1 s").arg((now - d.aliveAt) / 1000));
    }
}
