#include "link/PollingEngine.h"

#include "link/CommLog.h"
#include "link/DataStore.h"
#include "link/Decoder.h"
#include "link/Framing.h"
#include "link/LinkState.h"
#include "link/Numbers.h"
#include "link/ParamSource.h"
#include "link/PortFile.h"
#include "link/RegisterMap.h"
#include "link/SerialPort.h"

#include <QColor>

namespace {
const QColor kGreen(0, 255, 0);
const QColor kBlack(0, 0, 0);

bool isParamRead(int code) { return code >= 100 && code <= 112; }
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

bool PollingEngine::openPort(QString* error)
{
    if (m_port.isOpen())
        return true;
    QString why;
    if (!m_port.open(PortSettingsOf(m_link), &why)) {
        const QString text = QStringLiteral("Port %1 cannot be opened: %2").arg(m_link.gCommPort, why);
        emit statusMessage(text);
        if (error)
            *error = text;
        return false;
    }
    m_log.clear();
    m_link.gReqCodeNext = 99;
    m_link.gMC_IndexNext = 0;
    m_streak = 0;
    m_awaiting = false;
    emit statusMessage(QString());
    emit portOpened();
    m_tx.start();
    return true;
}

void PollingEngine::closePort()
{
    m_tx.stop();
    m_rx.stop();
    m_awaiting = false;
    const bool wasOpen = m_port.isOpen();
    m_port.close();
    m_link.gMC_IndexNext = -1;
    m_link.gReqCodeNext = 0;
    if (wasOpen)
        emit portClosed();
    emit portStateRequested(true);
}

void PollingEngine::portLost(const QString& why)
{
    if (!m_port.isOpen() && !m_awaiting && !m_tx.isActive())
        return;
    closePort();
    emit statusMessage(QStringLiteral("Port %1 was lost: %2").arg(m_link.gCommPort, why));
}

bool PollingEngine::buildRequest(QByteArray& frame)
{
    LinkState& k = m_link;
    const int code = k.gReqCode;
    if (code == 11 || code == 99) {
        if (k.gMC_Index < 0 || k.gMC_Index > k.gMC_Last)
            return false;
        const int count = code == 11 ? regmap::kInputCount : 2;
        frame = BuildReadRequest(static_cast<quint8>(k.gMC_No[k.gMC_Index]), regmap::kInputFirst, count);
        m_expected = ReadAnswerLength(count);
        return true;
    }
    // Every other request goes to the selected device.
    k.gMC_Index = k.gSelMC_Index;
    const auto dev = static_cast<quint8>(k.gSelMC_No);
    const int c = code % 100;
    if ((code >= 100 && code <= 112) || (code >= 200 && code <= 212)) {
        if (c == 0)
            frame = BuildReadRequest(dev, regmap::kCommonFirst, regmap::kCommonCount);
        else
            frame = BuildReadRequest(dev, static_cast<quint16>(regmap::ChannelBase(c) + 1), regmap::kChannelRegs);
        m_expected = ReadAnswerLength(c == 0 ? regmap::kCommonCount : regmap::kChannelRegs);
        return true;
    }
    m_expected = modbus::kWriteAnswerLength;
    if (code == 601) {
        if (k.gTxFrame.isEmpty())
            return false;
        frame = k.gTxFrame.first();
        return frame.size() >= 4;
    }
    if (!m_source)
        return false;
    const int n = downloadChannels();
    // A block the source cannot fill whole is never sent.
    auto write = [&](int reg, int count, const QByteArray& data) {
        if (data.size() != 2 * count)
            return false;
        frame = BuildWriteRequest(dev, static_cast<quint16>(reg), data);
        return true;
    };
    if (code >= 501 && code <= 500 + n)
        return write(regmap::ChannelBase(code - 500) + 10, 1, m_source->channelData(code - 500, 10, 1));
    if (code >= 521 && code <= 520 + n)
        return write(regmap::ChannelBase(code - 520) + 1, 9, m_source->channelData(code - 520, 1, 9));
    if (code >= 541 && code <= 540 + n)
        return write(regmap::ChannelBase(code - 540) + 11, 83, m_source->channelData(code - 540, 11, 83));
    if (code == 553)
        return write(40031, 44, m_source->commonData(40031, 44));
    if (code == 554)
        return write(40001, 16, m_source->commonData(40001, 16));
    return false;
}

void PollingEngine::onTransmitTick()
{
    LinkState& k = m_link;
    m_tx.stop();
    if (k.gMC_IndexNext > -1) {
        k.gMC_Index = k.gMC_IndexNext;
        k.gMC_IndexNext = -1;
    }
    if (k.gReqCodeNext > 0) {
        k.gReqCode = k.gReqCodeNext;
        k.gReqCodeNext = 0;
    }
    if (!m_port.isOpen())
        return;

    QByteArray frame;
    if (!buildRequest(frame)) {
        if (k.gReqCode == 99) {
            // Nobody to scan: the scan ends at once with no device online.
            emit statusMessage(QStringLiteral("No device is enabled in the device list"));
            closePort();
            return;
        }
        if (k.gReqCode == 601) {
            // Nothing left to send: read the parameters back as after a clock frame.
            k.gReqCode = 100;
        } else if (k.gReqCode != 11) {
            // A request that cannot be built (no parameter set for a download,
            // a block it cannot fill) ends the sequence; polling goes on.
            emit statusMessage(QStringLiteral("Request %1 to device [%2] could not be built and was not sent")
                                   .arg(k.gReqCode)
                                   .arg(k.gSelMC_No));
            k.gReqCode = 11;
        }
        if (k.gReqCode == 11 && (k.gMC_Index < 0 || k.gMC_Index > k.gMC_Last || !k.isOnline(k.gMC_Index)))
            k.gMC_Index = qMax(k.firstOnlineIndex(), 0);
        if (!buildRequest(frame))
            return;
    }
    m_port.discardInput();
    emit sending();
    m_device = static_cast<quint8>(frame[0]);
    m_function = static_cast<quint8>(frame[1]);
    if (k.gReqCode != 601) // the clock window logs its frames itself
        WriteLogRow(QStringLiteral("SEND"), frame, m_log);
    m_rx.start();
    m_awaiting = true;
    m_port.discardInput();
    m_port.setRts(true); // a port without RTS (pseudo-terminal, many USB adapters) still sends
    m_port.write(frame);
    m_port.write(QByteArray(1, '\0'));
    m_port.setRts(false);
}

void PollingEngine::onBytesArrived()
{
    // Late bytes after a time-out wait for the discard before the next request.
    if (!m_awaiting)
        return;
    if (m_port.bytesAvailable() < m_expected)
        return;
    receive();
}

void PollingEngine::receive()
{
    emit receiving();
    m_rx.stop();
    m_awaiting = false;
    const QByteArray frame = m_port.readAll();
    m_recvRow = WriteLogRow(QStringLiteral("RECV"), frame, m_log);

    // Only the whole answer of the addressed device to the function asked is
    // taken: anything else (bad CRC, noise, a late answer of another device)
    // fails the transaction and is never decoded into this device's row.
    const bool good = CheckCrc(frame) && frame.size() == m_expected && static_cast<quint8>(frame[0]) == m_device
        && static_cast<quint8>(frame[1]) == m_function;
    if (!good) {
        bumpCounter(counters::CrcError);
        m_log.markBad(m_recvRow);
        failed();
        m_port.discardInput();
        if (m_port.isOpen())
            m_tx.start();
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
    m_port.discardInput();
    if (m_port.isOpen())
        m_tx.start();
}

void PollingEngine::handleRead(const QByteArray& frame)
{
    LinkState& k = m_link;
    const int code = k.gReqCode;
    DecodeAnswer(k, m_store, code, frame);
    setOnline(QStringLiteral("OK"), kGreen);
    const int n = channelCount();
    if (code == 11) {
        const int next = k.nextOnlineIndex(k.gMC_Index);
        if (next >= 0)
            k.gMC_Index = next;
    } else if (code == 99) {
        if (k.gSelMC_No == 0)
            select(k.gMC_Index);
        k.gMC_Online[k.gMC_Index] = true;
        // The scan answer carries the model code: size the parameter read by it.
        const int model = GetU16BE(frame, 3);
        if (k.gMC_Index == k.gSelMC_Index && model >= 10 && model <= 29)
            k.gChCount = (model / 10) * 6;
        const int next = k.gMC_Index + 1 > k.gMC_Last ? 0 : k.gMC_Index + 1;
        k.gMC_IndexNext = next;
        if (next != 0) {
            k.gMC_Index = next;
            k.gReqCodeNext = 99;
        } else {
            endScan();
            k.gReqCode = 100;
        }
    } else if (code >= 100 && code <= 112) {
        if (code - 100 < n) {
            k.gReqCode = code + 1;
        } else {
            k.gCommonReadDone = true;
            k.gReqCode = 11;
        }
    } else if (code >= 200 && code <= 212) {
        const double total = 74 + 193.0 * n;
        if (code - 200 < n) {
            emit transferProgress(((code - 200) * 193 + 74) / total * 100.0,
                                  QStringLiteral("Parameter uploading...(VQ800==>PC)"));
            k.gReqCode = code + 1;
        } else {
            emit transferProgress(100.0, QStringLiteral("Parameter upload complete.(VQ800==>PC)"));
            k.gReqCode = 11;
            emit uploadFinished();
        }
    }
}

void PollingEngine::handleWrite()
{
    LinkState& k = m_link;
    const int code = k.gReqCode;
    if (code == 601) {
        if (!k.gTxFrame.isEmpty())
            k.gTxFrame.removeFirst();
        // Queued clock frames go out in order; the read-back follows the last.
        k.gReqCode = k.gTxFrame.isEmpty() ? 100 : 601;
        return;
    }
    const int n = downloadChannels();
    const double total = n * 93.0 + 60;
    auto progress = [&](double value, const char* message) {
        emit transferProgress(value / total * 100.0, QString::fromLatin1(message));
    };
    if (code >= 501 && code <= 512) {
        progress(code - 500, "Parameter downloading...(PC==>VQ800)");
        k.gReqCode = (code + 1 - 500 > n) ? 521 : code + 1;
    } else if (code >= 521 && code <= 532) {
        progress((code - 520) * 9 + n, "Parameter downloading(PC==>VQ800)");
        k.gReqCode = (code + 1 - 520 > n) ? 541 : code + 1;
    } else if (code >= 541 && code <= 552) {
        progress((code - 540) * 83 + n * 10, "Parameter downloading...(PC==>VQ800)");
        k.gReqCode = (code + 1 - 540 > n) ? 553 : code + 1;
    } else if (code == 553) {
        progress(n * 10 + 16 + n * 83, "Parameter Downloading(PC==>VQ800)");
        k.gReqCode = 554;
    } else if (code == 554) {
        progress(n * 10 + 60 + n * 83, "Parameter Downloading(PC==>VQ800)");
        emit transferProgress(100.0, QStringLiteral("Parameter download complete.(PC==>VQ800)"));
        k.gReqCode = 11;
        emit downloadFinished();
    }
}

void PollingEngine::onTimeout()
{
    m_rx.stop();
    if (!m_awaiting)
        return;
    m_awaiting = false;
    setOnline(QStringLiteral("NG"), kBlack);
    m_store.sprdMon.setText(regmap::mon::Comm, m_link.gMC_Index + 1, QStringLiteral("NG"));
    bumpCounter(counters::TimeOver);
    failed();
    if (m_port.isOpen())
        m_tx.start();
}

void PollingEngine::failed()
{
    if (++m_streak > 2) {
        m_streak = 0;
        runFailureAction();
    }
}

void PollingEngine::runFailureAction()
{
    LinkState& k = m_link;
    const int code = k.gReqCode;
    const int index = k.gMC_Index;
    emit failureAction(code, index);
    if (code == 99) {
        emit statusMessage(QStringLiteral("Device [%1] ==> COMM.Error").arg(k.gMC_No.value(index)));
        if (index >= 0 && index < k.gMC_Online.size())
            k.gMC_Online[index] = false;
        const int next = index + 1 > k.gMC_Last ? 0 : index + 1;
        k.gMC_IndexNext = next;
        if (next != 0) {
            k.gMC_Index = next;
            k.gReqCodeNext = 99;
        } else if (k.firstOnlineIndex() < 0) {
            closePort();
        } else {
            endScan();
            k.gReqCodeNext = 100;
        }
        return;
    }
    const int next = k.nextOnlineIndex(index);
    if (next >= 0)
        k.gMC_IndexNext = next;
    // A parameter read that a device never answers must not stop live polling
    // of the others for good: give it up and go on monitoring.
    if (isParamRead(code))
        k.gReqCode = 11;
}

void PollingEngine::endScan()
{
    LinkState& k = m_link;
    emit statusMessage(QString());
    emit portStateRequested(false);
    // The parameters are read from the selected device: one chosen before the
    // port opened but silent now would stall the read, so take one that answered.
    if (!k.isOnline(k.gSelMC_Index) || k.gMC_No.value(k.gSelMC_Index) != k.gSelMC_No)
        select(k.firstOnlineIndex());
    k.gMC_Index = k.firstOnlineIndex();
}

void PollingEngine::select(int index)
{
    if (index < 0 || index > m_link.gMC_Last)
        return;
    m_link.gSelMC_Index = index;
    m_link.gSelMC_No = m_link.gMC_No[index];
    emit selectedDeviceChanged(m_link.gSelMC_No);
}

void PollingEngine::bumpCounter(int column)
{
    TextTable& t = m_store.sprdCommState;
    const int row = m_link.gMC_Index + 1;
    const qint64 v = static_cast<qint64>(LeadingNumber(t.text(column, row)));
    t.setText(column, row, QString::number(v + 1));
}

void PollingEngine::setOnline(const QString& text, const QColor& colour)
{
    const int row = m_link.gMC_Index + 1;
    m_store.sprdStatus.setText(status::Online, row, text);
    m_store.sprdStatus.setBackground(status::Online, row, colour);
}
