#pragma once

#include "line_tally.h"

#include <QAbstractTableModel>
#include <QVector>

// The line report as a table for a view: one row a channel, the report's
// columns in the command line's order. Each cell gives its figure as text
// to show and as a number under kSortRole, so that a sorting proxy orders
// 100 after 20 and a channel that never changed first.
class LineReportModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kSortRole = Qt::UserRole;
    enum Column { Channel, Lowest, Highest, Changes, LargestStep, Spikes, FirstChange, LastChange, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(const QVector<ChannelFigures> &rows);
    const QVector<ChannelFigures> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVector<ChannelFigures> m_rows;
};
