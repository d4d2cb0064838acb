#pragma once
// "Plant Overview": every line that publishes to the broker, with its
// devices and their live values, in one tree. It only subscribes: it never
// publishes and never writes to a recorder.
#include "overview/PlantModel.h"

#include <QElapsedTimer>
#include <QWidget>
#include <memory>
#include <vector>

class MqttClient;
class QLabel;
class QLineEdit;
class QPushButton;
class PlantTreeModel;
class QModelIndex;
class QSortFilterProxyModel;
class QTimer;
class QTreeView;

class frmVQ_Overview : public QWidget {
    Q_OBJECT
public:
    // programDir: where CFG/Publish.INI names the broker when none is typed.
    explicit frmVQ_Overview(const QString& programDir, QWidget* parent = nullptr);
    ~frmVQ_Overview() override;

    // (Re)connects with the fields as they stand.
    void connectBroker();
    const PlantModel& model() const { return m_model; }
    // The overview's own clock of the model's times.
    qint64 nowMs() const { return m_clock.elapsed(); }
    // For the benchmark: ms from each message's arrival to the refresh that showed it.
    std::vector<double> takeDelaysMs() { return std::exchange(m_delays, {}); }
    int messagesTaken() const { return m_taken; }

private:
    void takeMessages();
    void refresh();
    void openDevice(const QModelIndex& index);

    const QString m_programDir;
    QLineEdit* txtBroker = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPasswordFile = nullptr;
    QLineEdit* txtCaFile = nullptr;
    QLineEdit* txtRoot = nullptr;
    QLineEdit* txtFilter = nullptr;
    QPushButton* btnConnect = nullptr;
    QLabel* lblState = nullptr;
    QTreeView* treePlant = nullptr;
    QTimer* tmrRefresh = nullptr;

    std::unique_ptr<MqttClient> m_client;
    PlantModel m_model;
    QElapsedTimer m_clock;
    PlantTreeModel* m_tree = nullptr;
    QSortFilterProxyModel* m_shown = nullptr; // filtered and sorted
    qint64 m_lastRefreshMs = -1;
    std::vector<qint64> m_pendingArrivals; // ns, steady clock
    std::vector<double> m_delays;
    int m_taken = 0;
};
