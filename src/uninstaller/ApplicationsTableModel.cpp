#include "uninstaller/ApplicationsTableModel.h"

#include "platform/Localization.h"
#include "uninstaller/ToolsPageController.h"

#include <QTextDocument>

ApplicationsTableModel::ApplicationsTableModel(const ToolsPageController& source, QObject* parent)
    : QAbstractTableModel(parent)
    , m_source(source)
{
}

int ApplicationsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_source.numberOfRowsInTableView();
}

int ApplicationsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ApplicationsTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ApplicationDetails* row = m_source.applicationAt(index.row());
    if (index.column() != NameColumn) {
        if (role == Qt::TextAlignmentRole && index.column() == SizeColumn)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (!row || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
            return {};
        return index.column() == KindColumn ? row->kindLabel() : formattedSize(m_source.installedSize(*row));
    }
    switch (role) {
    case Qt::DisplayRole:
        return m_source.tableView(index.column(), index.row());
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole: {
        // The label without its image, for screen readers and the tool tip.
        QTextDocument label;
        label.setHtml(m_source.tableView(index.column(), index.row()));
        return label.toPlainText().remove(QChar::ObjectReplacementCharacter).trimmed();
    }
    default:
        return {};
    }
}

QVariant ApplicationsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NameColumn:
        return Localization::text(QStringLiteral("TOOLSPAGE_APPLICATION_COLUMN"), QStringLiteral("Application"));
    case KindColumn:
        return Localization::text(QStringLiteral("TOOLSPAGE_KIND_COLUMN"), QStringLiteral("Kind"));
    case SizeColumn:
        return Localization::text(QStringLiteral("TOOLSPAGE_LEFTOVERS_SIZE"), QStringLiteral("Size"));
    default:
        return {};
    }
}

void ApplicationsTableModel::reloadSizes()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, SizeColumn), index(rowCount() - 1, SizeColumn));
}

void ApplicationsTableModel::reloadData()
{
    beginResetModel();
    endResetModel();
}

void ApplicationsTableModel::appendRows(int count, const std::function<void()>& append)
{
    if (count <= 0)
        return;
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + count - 1);
    append();
    endInsertRows();
}
