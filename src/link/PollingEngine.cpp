#include "link/PollingEngine.h"

#include "link/CommLog.h"
#include "link/DataStore.h"
#include "link/Decoder.h"
#include "link/DeviceList.h"
#include "link/Framing.h"
#include "link/LinkState.h"
#include "link/Numbers.h"
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

}

PollingEngine::PollingEngine(LinkState& link, DataStore& store, CommLog& log, SerialPort& port,
                             OneShotTimer& tmrTX, OneShotTimer& tmrRX_TOVR, QObject* parent)
    : QObject(parent)
    , m_link(link)
    , m_store(store)
    , m_log(log)
    , m_port(port)
    , m_tx(tmrTX)
    , m_rx(tmrRX_TOVR)
{
    m_tx.onTimeout = [this] { onTransmitTick(); };
    m_rx.onTimeout = [this] { onTimeout(); };
    m_port.onReadyRead = [this] { onBytesArrived(); };
    m_port.onFatalError = [this](const QString& why) { portLost(why); };
    m_step = req::Decode(m_link.gReqCode);
    m_rx.setInterval(kTimeoutMs);
    m_now = [] {
        static QElapsedTimer clock;
        if (!clock.isValid())
            clock.start();
        return clock.elapsed();
    };
    m_pause = [](qint64 us) { // a character time is too short to sleep for precisely
        QElapsedTimer t;
        t.start();
        while (t.nsecsElapsed() < us * 1000) {
        }
    };
}

int PollingEngine::TxGapMs(int gapMs, const PortSettings& settings)
{
    if (gapMs > 0)
        return gapMs;
    const qint64 us = settings.charsUs(3.5);
    return us > 0 ? static_cast<int>(qMax<qint64>(1, (us + 999) / 1000)) : kTxIntervalMs;
}

void PollingEngine::startTx(int ms)
{
    m_tx.setInterval(ms);
    m_tx.start();
}

void PollingEngine::setRescanTiming(int gapMs, int eachMs, int nobodyMs)
{
    m_rescanGapMs = gapMs;
    m_rescanEachMs = eachMs;
    m_rescanNobodyMs = nobodyMs;
}

PollingEngine::~PollingEngine()
{
    m_tx.onTimeout = nullptr;
    m_rx.onTimeout = nullptr;
    m_port.onReadyRead = nullptr;
    m_port.onFatalError = nullptr;
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
    return m_pendingTransfer != 0 || m_step.phase == Phase::Upload || m_step.phase == Phase::Download;
}

// ---- operator actions

bool PollingEngine::openPort(QString* error)
{
    if (m_port.isOpen())
        return true;
    QString why;
    if (!m_port.open(m_link, &why)) {
        const QString text = QStringLiteral("Port %1 cannot be opened: %2").arg(m_link.gCommPort, why);
        emit statusMessage(text);
        if (error)
            *error = text;
        return false;
    }
    m_log.clear();
    m_models = QList<int>(m_link.deviceCount(), 0);
    m_askedAt = QList<qint64>(m_link.deviceCount(), m_now());
    m_rescanCursor = -1;
    m_resume = -1;
    for (int i = 0; i < m_link.gMC_Online.size(); ++i)
        m_link.gMC_Online[i] = false;
    m_link.gMC_Index = 0;
    m_link.gMC_IndexNext = -1;
    m_link.gReqCodeNext = 0;
    setCode(req::Scan);
    m_streak = 0;
    m_wait = Wait::None;
    m_txGapMs = TxGapMs(m_gapMs, m_link);
    emit statusMessage(QString());
    emit portOpened();
    startTx(m_txGapMs);
    return true;
}

void PollingEngine::closePort()
{
    m_tx.stop();
    m_rx.stop();
    m_wait = Wait::None;
    const bool wasOpen = m_port.isOpen();
    m_port.close();
    m_link.gMC_IndexNext = -1;
    m_link.gReqCodeNext = 0;
    // Nothing waits for a closed port; a clicked row is taken now.
    m_pendingTransfer = 0;
    m_link.gTxFrame.clear();
    setCode(0);
    if (m_pendingSelect >= 0)
        applySelection(std::exchange(m_pendingSelect, -1));
    if (wasOpen)
        emit portClosed();
    emit portStateRequested(true);
}

void PollingEngine::portLost(const QString& why)
{
    if (!m_port.isOpen() && m_wait == Wait::None && !m_tx.isActive())
        return;
    closePort();
    emit statusMessage(QStringLiteral("Port %1 was lost: %2").arg(m_link.gCommPort, why));
}

bool PollingEngine::post(int code)
{
    switch (code) {
    case req::Live:
        return true;
    case req::ReadCommon:
        return selectDevice(m_link.gSelMC_Index);
    case req::Upload:
    case req::Download:
        if (!m_port.isOpen() || transferActive() || m_link.gSelMC_No < 1)
            return false;
        m_pendingTransfer = code;
        m_transferDevice = m_link.gSelMC_No;
        m_transferProbed = false;
        m_link.gReqCodeNext = code;
        return true;
    default:
        return false;
    }
}

bool PollingEngine::selectDevice(int index)
{
    if (index < 0 || index > m_link.gMC_Last || index >= m_link.gMC_No.size())
        return false;
    if (!m_port.isOpen()) {
        applySelection(index);
        return true;
    }
    m_pendingSelect = index;
    m_link.gMC_IndexNext = index;
    return true;
}

bool PollingEngine::queueClockFrame(const QByteArray& frame, int device)
{
    if (!m_port.isOpen() || device < 1 || device != m_link.gSelMC_No || frame.size() < 4
        || static_cast<quint8>(frame[0]) != device || !CheckCrc(frame))
        return false;
    m_link.gTxFrame.append(frame);
    // The window shows what the recorder reports after this frame.
    m_link.gCommonReadDone = false;
    return true;
}

bool PollingEngine::setDeviceList(const QStringList& lines, QString* note)
{
    if (m_port.isOpen())
        return false;
    const int ignored = LoadDeviceList(lines, m_link, m_store);
    m_models = QList<int>(m_link.deviceCount(), 0);
    m_pendingSelect = -1;
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
    if (m_port.isOpen())
        return false;
    static_cast<PortSettings&>(m_link) = from;
    return true;
}

// ---- the sequence

void PollingEngine::setCode(int code)
{
    m_link.gReqCode = code;
    m_step = req::Decode(code);
    // A read, upload or download covers a channel count fixed at its start.
    if (code == req::ReadCommon || code == req::UploadCommon)
        m_channels = channelCount();
    else if (code == req::Download)
        m_channels = downloadChannels();
}

void PollingEngine::applySelection(int index)
{
    if (index < 0 || index > m_link.gMC_Last || index >= m_link.gMC_No.size())
        return;
    const int number = m_link.gMC_No[index];
    const bool changed = number != m_link.gSelMC_No;
    m_link.gSelMC_Index = index;
    m_link.gSelMC_No = number;
    m_selectedFirst = true;
    // The count of this device's own model; 6 until it has answered.
    const int channels = regmap::ChannelsOfModel(m_models.value(index));
    m_link.gChCount = channels > 0 ? channels : 6;
    if (changed) {
        // The store's parameters were another recorder's: never show them as this one's.
        clearParameters();
        // Clock frames were built for the device selected before.
        m_link.gTxFrame.removeIf([number](const QByteArray& f) { return static_cast<quint8>(f[0]) != number; });
    }
    emit selectedDeviceChanged(number);
}

void PollingEngine::startTransfer()
{
    LinkState& k = m_link;
    const int code = std::exchange(m_pendingTransfer, 0);
    k.gReqCodeNext = 0;
    const QString what = code == req::Upload ? QStringLiteral("upload") : QStringLiteral("download");
    // A transfer goes only to the device selected when it was asked for, and
    // only once its model (its channel count) is known.
    if (k.gSelMC_No != m_transferDevice) {
        emit transferFailed(QStringLiteral("Parameter %1 not started: device [%2] is no longer selected")
                                .arg(what)
                                .arg(m_transferDevice));
    } else if (m_models.value(k.gSelMC_Index) <= 0) {
        emit transferFailed(QStringLiteral("Parameter %1 not started: device [%2] does not answer")
                                .arg(what)
                                .arg(m_transferDevice));
    } else {
        m_transferFailures = 0;
        setCode(code);
    }
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
    setCode(m_models.value(m_link.gSelMC_Index) > 0 ? req::ReadCommon : req::ReadModel);
}

void PollingEngine::finishRead()
{
    // Columns past the device's channels hold nothing of it.
    if (m_channels < regmap::kMaxChannels)
        m_store.sprdP_CH.clearTexts(m_channels + 1, 1, regmap::kMaxChannels, regmap::kChannelRows);
}

void PollingEngine::onTransmitTick()
{
    LinkState& k = m_link;
    m_tx.stop();
    if (!m_port.isOpen())
        return;

    // Operator requests are taken here, between two transactions, and only
    // where the running sequence allows: a scan and a transfer run to their end.
    const Phase p = m_step.phase;
    // Live polling resumes where it was left, so that no device waits longer
    // than a round for another sequence.
    const int liveNext = k.gMC_Index;
    const auto leaveLive = qScopeGuard([this, p, liveNext] {
        if (p == Phase::Live && m_step.phase != Phase::Live)
            m_resume = liveNext;
    });
    if (p != Phase::Scan && p != Phase::Upload && p != Phase::Download) {
        if (m_pendingSelect >= 0) {
            applySelection(std::exchange(m_pendingSelect, -1));
            k.gMC_IndexNext = -1;
            beginRead();
        } else if (p != Phase::Clock && p != Phase::ReadParams) {
            if (!k.gTxFrame.isEmpty()) {
                setCode(req::ClockFrame);
            } else if (m_pendingTransfer != 0 && m_models.value(k.gSelMC_Index) <= 0 && !m_transferProbed) {
                // The transfer covers the device's own channels: learn its model first.
                m_transferProbed = true;
                beginRead();
            } else if (m_pendingTransfer != 0) {
                startTransfer();
            }
        }
    }

    if (m_step.phase == Phase::Live) {
        // Between live polls, a device out of the round may be asked again;
        // with nobody online (the port kept open) the line idles meanwhile.
        if (const int index = dueRescan(); index >= 0) {
            startRescan(index);
        } else if (k.firstOnlineIndex() < 0 && m_keepWhenNobody) {
            startTx(qMax(m_txGapMs, kTxIntervalMs)); // idling: no need to look more often
            return;
        }
    }

    QByteArray frame;
    for (int attempt = 0; !buildRequest(frame); ++attempt) {
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
            emit statusMessage(QStringLiteral("Request %1 to device [%2] could not be built and was not sent")
                                   .arg(k.gReqCode)
                                   .arg(k.gSelMC_No));
            endSequence();
        }
        if (!k.isOnline(k.gMC_Index))
            k.gMC_Index = qMax(k.firstOnlineIndex(), 0);
    }
    send(frame);
}

int PollingEngine::targetDevice() const
{
    return m_link.gMC_No.value(m_link.gMC_Index);
}

bool PollingEngine::buildRequest(QByteArray& frame)
{
    LinkState& k = m_link;
    const req::Step& s = m_step;
    if (s.phase == Phase::None)
        return false;
    if (s.phase != Phase::Live && s.phase != Phase::Scan && s.phase != Phase::Rescan) {
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
        while (!k.gTxFrame.isEmpty() && static_cast<quint8>(k.gTxFrame.first()[0]) != dev)
            k.gTxFrame.removeFirst();
        if (k.gTxFrame.isEmpty())
            return false;
        frame = k.gTxFrame.first();
        m_expected = modbus::kWriteAnswerLength;
        return true;
    }
    if (s.channel > regmap::kMaxChannels || (s.channel > 0 && s.phase != Phase::Live && s.channel > m_channels))
        return false;
    const int first = req::FirstRegister(s);
    if (info.function == modbus::kReadHolding) {
        frame = BuildReadRequest(dev, static_cast<quint16>(first), static_cast<quint16>(info.count));
        m_expected = ReadAnswerLength(info.count);
        return true;
    }
    // Download blocks come from the parameter set; one it cannot fill whole is never sent.
    if (!m_source)
        return false;
    const QByteArray data = info.perChannel ? m_source->channelData(s.channel, info.first, info.count)
                                            : m_source->commonData(info.first, info.count);
    if (data.size() != 2 * info.count)
        return false;
    frame = BuildWriteRequest(dev, static_cast<quint16>(first), data);
    m_expected = modbus::kWriteAnswerLength;
    return true;
}

void PollingEngine::send(const QByteArray& frame)
{
    // Failures in a row are counted per device: another device starts afresh.
    if (static_cast<quint8>(frame[0]) != m_device)
        m_streak = 0;
    m_port.discardInput();
    emit sending();
    m_device = static_cast<quint8>(frame[0]);
    m_function = static_cast<quint8>(frame[1]);
    WriteLogRow(QStringLiteral("SEND"), frame, m_log);
    m_rx.start();
    m_wait = Wait::Answer;
    m_port.discardInput();
    m_port.setRts(true); // a port without RTS (pseudo-terminal, many USB adapters) still sends
    m_port.write(frame);
    m_port.write(QByteArray(1, '\0'));
    if (m_link.rs485 == Rs485Mode::Rts) {
        // The driver stays on until the last stop bit has left the UART,
        // which may hold a character after its buffers are empty.
        m_port.drain();
        m_pause(m_link.charsUs(1));
    }
    m_port.setRts(false);
    emit requestSent();
}

// ---- receiving

void PollingEngine::onBytesArrived()
{
    if (m_wait == Wait::Answer) {
        if (m_port.bytesAvailable() >= m_expected)
            receive();
        return;
    }
    if (!m_port.isOpen())
        return;
    // Bytes nobody asked for: a late answer, noise, the rest of a bad frame.
    // They are logged and thrown away, and the line must fall silent again
    // before the next request, so that they are never taken for its answer.
    if (!drain())
        return;
    if (m_wait == Wait::Quiet) {
        if (++m_quietRestarts <= kMaxQuietRestarts)
            m_rx.start();
    } else {
        m_tx.stop();
        quiet();
    }
}

bool PollingEngine::drain()
{
    const QByteArray stray = m_port.readAll();
    if (stray.isEmpty())
        return false;
    m_log.markBad(WriteLogRow(QStringLiteral("RECV"), stray, m_log));
    return true;
}

void PollingEngine::quiet()
{
    m_wait = Wait::Quiet;
    m_quietRestarts = 0;
    m_rx.start();
}

void PollingEngine::startWaiting()
{
    // After a fault the line falls quiet first; after a good answer the
    // transmit tick follows at once.
    if (!m_port.isOpen())
        return;
    startTx(m_txGapMs);
}

void PollingEngine::receive()
{
    emit receiving();
    m_rx.stop();
    m_wait = Wait::None;
    const QByteArray frame = m_port.readAll();

    // Only the whole answer of the addressed device to the function asked is
    // taken: anything else (bad CRC, noise, a late answer of another device)
    // fails the transaction and is never decoded into this device's row.
    const bool good = CheckCrc(frame) && frame.size() == m_expected && static_cast<quint8>(frame[0]) == m_device
        && static_cast<quint8>(frame[1]) == m_function;
    // The gap to the next request counts from the answer, not from the log,
    // the store and the windows that follow it.
    if (good)
        startWaiting();
    const int row = WriteLogRow(QStringLiteral("RECV"), frame, m_log);
    if (!good) {
        bumpCounter(counters::CrcError);
        m_log.markBad(row);
        failed();
        if (m_port.isOpen())
            quiet();
        return;
    }
    bumpCounter(counters::Ok);
    m_streak = 0;
    const int code = m_link.gReqCode;
    const int index = m_link.gMC_Index;
    if (m_function == modbus::kReadHolding)
        handleRead(frame);
    else
        handleWrite();
    emit answerHandled(code, index);
}

void PollingEngine::handleRead(const QByteArray& frame)
{
    LinkState& k = m_link;
    const int code = k.gReqCode;
    const int index = k.gMC_Index;
    const int channelsBefore = k.gChCount;
    DecodeAnswer(k, m_store, code, frame);
    setOnline(QStringLiteral("OK"), true);
    if (m_step.block == req::Block::Live || m_step.block == req::Block::Scan) {
        // These answers begin with the model code.
        if (index < m_models.size())
            m_models[index] = GetU16BE(frame, 3);
        if (code == req::ReadModel) {
            const int channels = regmap::ChannelsOfModel(m_models.value(index));
            k.gChCount = channels > 0 ? channels : 6;
        }
    }
    const int next = req::NextCode(code, m_channels);
    switch (m_step.phase) {
    case Phase::Live:
        advanceLive(index);
        if (index == k.gSelMC_Index && k.gChCount != channelsBefore) {
            // The selected recorder has another channel count than its
            // parameters were read for: read them again.
            m_resume = k.gMC_Index;
            beginRead();
        }
        break;
    case Phase::Scan:
        if (index < k.gMC_Online.size())
            k.gMC_Online[index] = true;
        if (k.gSelMC_No == 0)
            applySelection(index);
        advanceScan(true);
        break;
    case Phase::Rescan:
        joinRound(index);
        break;
    case Phase::ReadParams:
        if (next != 0) {
            setCode(next);
        } else {
            finishRead();
            k.gCommonReadDone = true;
            endSequence();
        }
        break;
    case Phase::Upload:
        emit transferProgress(req::ProgressAfter(code, m_channels), req::ProgressMessage(code, m_channels));
        if (next != 0) {
            setCode(next);
        } else {
            finishRead();
            endSequence();
            emit uploadFinished();
        }
        break;
    default:
        break;
    }
}

void PollingEngine::handleWrite()
{
    LinkState& k = m_link;
    const int code = k.gReqCode;
    if (m_step.phase == Phase::Clock) {
        if (!k.gTxFrame.isEmpty())
            k.gTxFrame.removeFirst();
        // Queued clock frames go out in order; the read-back follows the last.
        if (k.gTxFrame.isEmpty())
            beginRead();
        return;
    }
    if (m_step.phase != Phase::Download)
        return;
    emit transferProgress(req::ProgressAfter(code, m_channels), req::ProgressMessage(code, m_channels));
    const int next = req::NextCode(code, m_channels);
    if (next != 0) {
        setCode(next);
        return;
    }
    emit transferProgress(100.0, QStringLiteral("Parameter download complete.(PC==>VQ800)"));
    endSequence();
    emit downloadFinished();
}

// ---- faults

void PollingEngine::onTimeout()
{
    m_rx.stop();
    if (m_wait == Wait::Quiet) {
        // The line has been silent long enough: the next request may go.
        m_wait = Wait::None;
        drain();
        startWaiting();
        return;
    }
    if (m_wait != Wait::Answer)
        return;
    m_wait = Wait::None;
    drain(); // a partial answer is shown, not kept
    setOnline(QStringLiteral("NG"), false);
    m_store.sprdMon.setText(regmap::mon::Comm, m_link.gMC_Index + 1, QStringLiteral("NG"));
    bumpCounter(counters::TimeOver);
    failed();
    if (m_port.isOpen())
        quiet();
}

void PollingEngine::failed()
{
    if (m_step.phase == Phase::Rescan) {
        // One question a while: no answer, and the round goes on without it.
        m_streak = 0;
        endSequence();
        return;
    }
    if (++m_streak > 2) {
        m_streak = 0;
        runFailureAction();
    }
}

void PollingEngine::runFailureAction()
{
    LinkState& k = m_link;
    emit failureAction(k.gReqCode, k.gMC_Index);
    switch (m_step.phase) {
    case Phase::Scan:
        advanceScan(false);
        break;
    case Phase::ReadParams:
        // A parameter read that a device never answers must not stop live
        // polling of the others for good: give it up and go on monitoring
        // with the next device.
        m_selectedFirst = false;
        endSequence();
        break;
    case Phase::Upload:
    case Phase::Download:
        // The block is sent again, but not for ever.
        if (++m_transferFailures >= kTransferGiveUp) {
            const bool up = m_step.phase == Phase::Upload;
            m_selectedFirst = false;
            endSequence();
            emit transferFailed(QStringLiteral("Parameter %1 stopped: device [%2] does not answer")
                                    .arg(up ? QStringLiteral("upload") : QStringLiteral("download"))
                                    .arg(k.gSelMC_No));
        }
        break;
    case Phase::Clock:
        // A frame the recorder never takes is dropped; the others still go.
        if (!k.gTxFrame.isEmpty())
            k.gTxFrame.removeFirst();
        if (k.gTxFrame.isEmpty())
            beginRead();
        break;
    case Phase::Live:
        advanceLive(k.gMC_Index);
        break;
    default:
        break;
    }
}

void PollingEngine::endSequence()
{
    // Back to live polling. After a device was selected it is polled first;
    // otherwise the round goes on from where the sequence interrupted it.
    LinkState& k = m_link;
    setCode(req::Live);
    int start = -1;
    if (std::exchange(m_selectedFirst, false) && k.isOnline(k.gSelMC_Index)) {
        start = k.gSelMC_Index;
    } else {
        start = k.isOnline(m_resume) ? m_resume : k.nextOnlineIndex(k.gSelMC_Index);
        m_resume = -1;
    }
    if (start >= 0)
        k.gMC_Index = start;
}

void PollingEngine::advanceLive(int index)
{
    // The round goes on with the next online device, or where another
    // sequence interrupted it.
    LinkState& k = m_link;
    int next = k.nextOnlineIndex(index);
    if (const int resume = std::exchange(m_resume, -1); resume != index && k.isOnline(resume))
        next = resume;
    if (next >= 0)
        k.gMC_Index = next;
}

// ---- the scan

void PollingEngine::advanceScan(bool answered)
{
    LinkState& k = m_link;
    const int index = k.gMC_Index;
    if (index >= 0 && index < m_askedAt.size())
        m_askedAt[index] = m_now();
    if (!answered) {
        emit statusMessage(QStringLiteral("Device [%1] ==> COMM.Error").arg(k.gMC_No.value(index)));
        if (index >= 0 && index < k.gMC_Online.size())
            k.gMC_Online[index] = false;
    }
    if (index + 1 <= k.gMC_Last) {
        k.gMC_Index = index + 1;
        return;
    }
    // Every device has been asked.
    if (k.firstOnlineIndex() < 0 && !m_keepWhenNobody) {
        closePort();
        return;
    }
    m_lastRescan = m_now();
    if (k.firstOnlineIndex() < 0) {
        // Unattended: the port stays open and the devices are asked again.
        setCode(req::Live);
        emit statusMessage(QStringLiteral("No device answers; asking again every %1 s").arg(m_rescanNobodyMs / 1000));
        emit portStateRequested(false);
        return;
    }
    endScan();
}

int PollingEngine::dueRescan()
{
    const LinkState& k = m_link;
    const qint64 now = m_now();
    const bool nobody = k.firstOnlineIndex() < 0;
    if (now - m_lastRescan < (nobody ? 0 : m_rescanGapMs))
        return -1;
    const int n = qMin(k.deviceCount(), static_cast<int>(m_askedAt.size()));
    for (int step = 1; step <= n; ++step) {
        const int i = (m_rescanCursor + step) % n;
        if (!k.isOnline(i) && now - m_askedAt[i] >= (nobody ? m_rescanNobodyMs : m_rescanEachMs))
            return i;
    }
    return -1;
}

void PollingEngine::startRescan(int index)
{
    m_lastRescan = m_askedAt[index] = m_now();
    m_rescanCursor = index;
    m_streak = 0;
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
    emit statusMessage(QString());
    if (k.gSelMC_No == 0 || index == k.gSelMC_Index) {
        applySelection(index);
        k.gMC_Index = index;
        beginRead();
        return;
    }
    endSequence();
}

void PollingEngine::endScan()
{
    LinkState& k = m_link;
    // The parameters are read from the selected device: a row clicked during
    // the scan if it answered, else the one selected before if it answered,
    // else the first that answered.
    int chosen = std::exchange(m_pendingSelect, -1);
    k.gMC_IndexNext = -1;
    if (!k.isOnline(chosen))
        chosen = k.isOnline(k.gSelMC_Index) && k.gMC_No.value(k.gSelMC_Index) == k.gSelMC_No ? k.gSelMC_Index
                                                                                             : k.firstOnlineIndex();
    applySelection(chosen);
    k.gMC_Index = k.firstOnlineIndex();
    beginRead();
    emit statusMessage(QString());
    emit portStateRequested(false);
}

// ---- the store

void PollingEngine::bumpCounter(int column)
{
    TextTable& t = m_store.sprdCommState;
    const int row = m_link.gMC_Index + 1;
    if (row < 1 || row > t.rowCount())
        return;
    const qint64 v = static_cast<qint64>(LeadingNumber(t.text(column, row)));
    t.setText(column, row, QString::number(v + 1));
}

void PollingEngine::setOnline(const QString& text, bool ok)
{
    const int row = m_link.gMC_Index + 1;
    if (row < 1 || row > m_store.sprdStatus.rowCount())
        return;
    m_store.sprdStatus.setText(status::Online, row, text);
    m_store.sprdStatus.setBackground(status::Online, row, ok ? kGreen : kBlack);
}
