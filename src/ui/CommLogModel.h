#pragma once
// Shows the frame log: the row header holds the direction, cell i the byte i
// as two hex digits; answers are light green, failed answers red. The time
// of a row is its tooltip.
#include <QAbstractTableModel>

class CommLog;

class CommLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CommLogModel(CommLog* log, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    CommLog* m_log;
};
