#include "line_report_model.h"

#include "report_output.h"

namespace {

qint64 figure(const ChannelFigures &row, int column)
{
    switch (column) {
    case LineReportModel::Channel: return row.channel;
    case LineReportModel::Lowest: return row.lowest;
    case LineReportModel::Highest: return row.highest;
    case LineReportModel::Changes: return row.changes;
    case LineReportModel::LargestStep: return row.largestStep;
    case LineReportModel::Spikes: return row.spikes;
    case LineReportModel::FirstChange: return row.firstChangeMs.value_or(-1);
    case LineReportModel::LastChange: return row.lastChangeMs.value_or(-1);
    }
    return 0;
}

} // namespace

// The same channels as before: the figures change in place, and a view
// keeps its order, selection and scroll.
void LineReportModel::setRows(const QVector<ChannelFigures> &rows)
{
    const bool sameChannels = rows.size() == m_rows.size()
        && std::equal(rows.begin(), rows.end(), m_rows.begin(),
                      [](const ChannelFigures &a, const ChannelFigures &b) { return a.channel == b.channel; });
    if (!sameChannels) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
        return;
    }
    m_rows = rows;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1));
}

int LineReportModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int LineReportModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LineReportModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const ChannelFigures &row = m_rows[index.row()];
    const qint64 value = figure(row, index.column());
    switch (role) {
    case kSortRole:
        return value;
    case Qt::TextAlignmentRole:
        return int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::DisplayRole:
        if (index.column() >= FirstChange)
            return value < 0 ? QString() : secondsText(value);
        return QString::number(value);
    default:
        return {};
    }
}

QVariant LineReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const captions[ColumnCount] = {"Channel", "Min",    "Max",          "Changes",
                                                      "Largest step", "Spikes", "First change (s)", "Last change (s)"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(captions[section]) : QVariant();
}
