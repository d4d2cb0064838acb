#pragma once
// The plant as a two-level item model for the overview's tree: lines, and
// their devices below them. Texts are made when the view asks for them, so
// that a refresh costs one change signal per line, not a text per cell.
#include "overview/PlantModel.h"

#include <QAbstractItemModel>
#include <QStringList>
#include <functional>

class PlantTreeModel : public QAbstractItemModel {
public:
    enum Column { ColName, ColDescription, ColState, ColLast, ColFirstChannel, ColumnCount = ColFirstChannel + 12 };
    static constexpr int kLineRole = Qt::UserRole, kDeviceRole = Qt::UserRole + 1;

    PlantTreeModel(const PlantModel& plant, std::function<qint64()> nowMs, QObject* parent = nullptr);

    // Adds what is new in the plant and tells the view that everything else may have changed.
    void refresh();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const PlantLine* line(int row) const;
    QVariant lineData(const PlantLine& l, int column, int role) const;
    QVariant deviceData(const PlantLine& l, const PlantDevice& d, int column, int role) const;

    const PlantModel& m_plant;
    std::function<qint64()> m_now;
    QStringList m_lines;              // in the order they came
    QList<QList<int>> m_devices;      // per line, device numbers in the order they came
};
