#include "overview/frmVQ_Overview.h"

#include "overview/PlantTreeModel.h"
#include "publish/MqttClient.h"
#include "publish/PublishSettings.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFormLayout>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>
#include <array>
#include <chrono>

namespace {

constexpr int kRefreshMs = 200;
QSettings UserSettings()
{
    return QSettings(QStringLiteral("vq800"), QStringLiteral("overview"));
}

// The device window: its live values as the text monitor shows them.
class DeviceValues : public QDialog {
public:
    DeviceValues(frmVQ_Overview* overview, const QString& prefix, int number)
        : QDialog(overview)
    {
        setObjectName(QStringLiteral("frmVQ_OverviewDevice"));
        setWindowTitle(QStringLiteral("%1 / device %2").arg(prefix).arg(number, 2, 10, QLatin1Char('0')));
        auto* grid = new QGridLayout(this);
        m_state = new QLabel(this);
        m_state->setObjectName(QStringLiteral("lblState"));
        grid->addWidget(m_state, 0, 0, 1, 4);
        for (int c = 0; c < 12; ++c) {
            auto* box = new QLabel(this);
            box->setObjectName(QStringLiteral("lblCh%1").arg(c + 1, 2, 10, QLatin1Char('0')));
            box->setAlignment(Qt::AlignCenter);
            box->setFrameShape(QFrame::Panel);
            box->setMinimumSize(150, 70);
            m_boxes[c] = box;
            grid->addWidget(box, 1 + c / 4, c % 4);
        }
        auto* timer = new QTimer(this);
        const auto show = [this, overview, prefix, number] {
            const auto line = overview->model().lines().constFind(prefix);
            if (line == overview->model().lines().cend() || !line->devices.contains(number))
                return;
            const PlantDevice& d = line->devices[number];
            // Whose values, and how fresh: the boxes grey when they are old.
            const qint64 now = overview->nowMs();
            QStringList state;
            if (!d.description.isEmpty())
                state << d.description;
            state << (line->statusKnown && !line->online ? QStringLiteral("line offline")
                                                         : d.online ? QStringLiteral("online") : QStringLiteral("not answering"));
            if (d.lastLiveMs >= 0)
                state << QStringLiteral("values of %1").arg(QDateTime::currentDateTime().addMSecs(d.lastLiveMs - now).toString(QStringLiteral("HH:mm:ss")));
            m_state->setText(state.join(QStringLiteral(" · ")));
            for (int c = 0; c < 12; ++c) {
                QLabel* box = m_boxes[c];
                box->setVisible(c < d.channelCount);
                const PlantChannel& ch = d.channels[c];
                const QString name = ch.name.isEmpty() ? QStringLiteral("CH%1").arg(c + 1, 2, 10, QLatin1Char('0')) : ch.name;
                box->setText(QStringLiteral("<small>%1</small><br><big><b>%2</b></big> %3")
                                 .arg(name.toHtmlEscaped(), d.valueText(c).toHtmlEscaped(), ch.unit.toHtmlEscaped()));
                box->setStyleSheet(ch.alarm ? QStringLiteral("color: #c01010") : QString());
                box->setEnabled(!d.stale(now) && (line->online || !line->statusKnown));
            }
        };
        connect(timer, &QTimer::timeout, this, show);
        timer->start(kRefreshMs);
        show();
    }

private:
    QLabel* m_state = nullptr;
    std::array<QLabel*, 12> m_boxes{};
};

} // namespace

frmVQ_Overview::frmVQ_Overview(const QString& programDir, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_programDir(programDir)
{
    setObjectName(QStringLiteral("frmVQ_Overview"));
    setWindowTitle(QStringLiteral("Plant Overview"));
    m_clock.start();

    auto* layout = new QVBoxLayout(this);
    auto* form = new QGridLayout;
    auto field = [&](const QString& label, const char* name, int row, int col) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        auto* l = new QLabel(label, this);
        l->setBuddy(box);
        form->addWidget(l, row, col);
        form->addWidget(box, row, col + 1);
        return box;
    };
    txtBroker = field(QStringLiteral("&Broker:"), "txtBroker", 0, 0);
    txtBroker->setPlaceholderText(QStringLiteral("mqtt://host:1883 or mqtts://host:8883"));
    txtRoot = field(QStringLiteral("&Topics:"), "txtRoot", 0, 2);
    txtUser = field(QStringLiteral("&User name:"), "txtUser", 1, 0);
    txtPasswordFile = field(QStringLiteral("Pass&word file:"), "txtPasswordFile", 1, 2);
    txtCaFile = field(QStringLiteral("C&A file:"), "txtCaFile", 2, 0);
    btnConnect = new QPushButton(QStringLiteral("&Connect"), this);
    btnConnect->setObjectName(QStringLiteral("btnConnect"));
    form->addWidget(btnConnect, 2, 3, Qt::AlignRight);
    layout->addLayout(form);

    auto* row = new QHBoxLayout;
    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(QStringLiteral("a line, device number or description"));
    auto* filterLabel = new QLabel(QStringLiteral("&Filter:"), this);
    filterLabel->setBuddy(txtFilter);
    lblState = new QLabel(this);
    lblState->setObjectName(QStringLiteral("lblState"));
    row->addWidget(filterLabel);
    row->addWidget(txtFilter, 1);
    row->addWidget(lblState, 2);
    layout->addLayout(row);

    m_tree = new PlantTreeModel(m_model, [this] { return m_clock.elapsed(); }, this);
    m_shown = new QSortFilterProxyModel(this);
    m_shown->setSourceModel(m_tree);
    m_shown->setRecursiveFilteringEnabled(true);
    m_shown->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_shown->setFilterKeyColumn(-1);
    // Re-sorted when rows come, not on every value: the values change five times a second.
    m_shown->setDynamicSortFilter(false);
    treePlant = new QTreeView(this);
    treePlant->setObjectName(QStringLiteral("treePlant"));
    treePlant->setModel(m_shown);
    treePlant->setSortingEnabled(true);
    treePlant->sortByColumn(PlantTreeModel::ColName, Qt::AscendingOrder);
    treePlant->setUniformRowHeights(true);
    treePlant->header()->setSectionResizeMode(QHeaderView::Interactive);
    treePlant->header()->setDefaultSectionSize(92);
    treePlant->setColumnWidth(PlantTreeModel::ColName, 220);
    connect(m_tree, &QAbstractItemModel::rowsInserted, this, [this] {
        m_shown->invalidate();
        treePlant->expandAll();
    });
    layout->addWidget(treePlant, 1);

    // Fields as this user left them, else the broker this program folder publishes to.
    QSettings user = UserSettings();
    const PublishSettings publish = ReadPublishSettings(programDir);
    txtBroker->setText(user.value(QStringLiteral("broker"), publish.broker).toString());
    txtUser->setText(user.value(QStringLiteral("username"), publish.username).toString());
    txtPasswordFile->setText(user.value(QStringLiteral("password_file"), publish.passwordFile).toString());
    txtCaFile->setText(user.value(QStringLiteral("ca_file"), publish.caFile).toString());
    txtRoot->setText(user.value(QStringLiteral("root"), QStringLiteral("vq800/#")).toString());

    tmrRefresh = new QTimer(this);
    tmrRefresh->setObjectName(QStringLiteral("tmrRefresh"));
    tmrRefresh->setInterval(kRefreshMs);
    connect(tmrRefresh, &QTimer::timeout, this, &frmVQ_Overview::refresh);
    tmrRefresh->start();
    connect(btnConnect, &QPushButton::clicked, this, &frmVQ_Overview::connectBroker);
    connect(txtFilter, &QLineEdit::textChanged, m_shown, &QSortFilterProxyModel::setFilterFixedString);
    connect(treePlant, &QTreeView::doubleClicked, this, &frmVQ_Overview::openDevice);
    resize(1180, 640);
    if (!txtBroker->text().trimmed().isEmpty())
        QTimer::singleShot(0, this, &frmVQ_Overview::connectBroker);
}

frmVQ_Overview::~frmVQ_Overview() = default;

void frmVQ_Overview::connectBroker()
{
    m_client.reset();
    QString why;
    const auto address = ParseBroker(txtBroker->text().trimmed(), &why);
    if (!address) {
        lblState->setText(QStringLiteral("Broker: %1").arg(why));
        return;
    }
    MqttOptions o;
    o.host = address->host;
    o.port = address->port;
    o.tls = address->tls;
    o.caFile = txtCaFile->text().trimmed();
    o.username = txtUser->text().trimmed();
    if (const QString file = txtPasswordFile->text().trimmed(); !file.isEmpty()) {
        const auto password = ReadPasswordFile(file, &why);
        if (!password) {
            lblState->setText(why);
            return;
        }
        o.password = *password;
    }
    // A client id of its own: never one of the loggers', whose sessions it would end.
    o.clientId = QStringLiteral("vq800-overview-%1").arg(QCoreApplication::applicationPid());
    QSettings user = UserSettings();
    user.setValue(QStringLiteral("broker"), txtBroker->text().trimmed());
    user.setValue(QStringLiteral("username"), o.username);
    user.setValue(QStringLiteral("password_file"), txtPasswordFile->text().trimmed());
    user.setValue(QStringLiteral("ca_file"), o.caFile);
    user.setValue(QStringLiteral("root"), txtRoot->text().trimmed());
    auto client = std::make_unique<MqttClient>();
    client->setSubscription(txtRoot->text().trimmed().isEmpty() ? QStringLiteral("vq800/#") : txtRoot->text().trimmed());
    connect(client.get(), &MqttClient::connected, this,
            [this, o] { lblState->setText(QStringLiteral("Connected to %1:%2").arg(o.host).arg(o.port)); });
    connect(client.get(), &MqttClient::troubled, this, [this](const QString& text) {
        lblState->setText(QStringLiteral("%1; trying again").arg(text));
    });
    connect(client.get(), &MqttClient::messagesArrived, this, &frmVQ_Overview::takeMessages);
    lblState->setText(QStringLiteral("Connecting to %1:%2…").arg(o.host).arg(o.port));
    if (!client->start(o, &why)) {
        lblState->setText(why);
        return;
    }
    m_client = std::move(client);
}

void frmVQ_Overview::takeMessages()
{
    if (!m_client)
        return;
    const qint64 now = m_clock.elapsed();
    for (const MqttClient::Message& m : m_client->takeMessages()) {
        m_model.take(m.topic, m.payload, now);
        m_pendingArrivals.push_back(m.arrivedNs);
        ++m_taken;
    }
    // Shown at once when the last picture is old enough; otherwise by the timer.
    if (now - m_lastRefreshMs >= kRefreshMs)
        refresh();
}

void frmVQ_Overview::refresh()
{
    m_lastRefreshMs = m_clock.elapsed();
    if (m_model.takeChanges() > 0 || m_tree->rowCount() > 0)
        m_tree->refresh();
    // What was taken since the last picture is on screen now.
    const qint64 shownNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
    for (qint64 at : m_pendingArrivals)
        m_delays.push_back((shownNs - at) / 1e6);
    m_pendingArrivals.clear();
}

void frmVQ_Overview::openDevice(const QModelIndex& index)
{
    if (!index.isValid() || !index.parent().isValid())
        return;
    auto* d = new DeviceValues(this, index.data(PlantTreeModel::kLineRole).toString(),
                               index.data(PlantTreeModel::kDeviceRole).toInt());
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->show();
}
