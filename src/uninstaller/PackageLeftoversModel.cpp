#include "uninstaller/PackageLeftoversModel.h"

#include "platform/Localization.h"

#include <algorithm>

PackageLeftoversModel::PackageLeftoversModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void PackageLeftoversModel::append(const QList<PackageLeftover>& leftovers)
{
    if (leftovers.isEmpty())
        return;
    beginInsertRows(QModelIndex(), int(m_leftovers.size()), int(m_leftovers.size() + leftovers.size() - 1));
    m_leftovers += leftovers;
    endInsertRows();
}

void PackageLeftoversModel::remove(const QList<int>& rows)
{
    QList<int> descending = rows;
    std::sort(descending.begin(), descending.end(), std::greater<>());
    for (const int row : std::as_const(descending)) {
        beginRemoveRows(QModelIndex(), row, row);
        m_leftovers.removeAt(row);
        endRemoveRows();
    }
}

int PackageLeftoversModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_leftovers.size());
}

int PackageLeftoversModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PackageLeftoversModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const PackageLeftover& leftover = m_leftovers.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return index.column() == ItemColumn ? leftover.label()
                                            : formattedSize(leftover.footprint().size);
    if (role == Qt::TextAlignmentRole && index.column() == SizeColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant PackageLeftoversModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == ItemColumn ? Localization::text("TOOLSPAGE_LEFTOVERS_ITEM", "Left behind by packages")
                                 : Localization::text("TOOLSPAGE_LEFTOVERS_SIZE", "Size");
}
