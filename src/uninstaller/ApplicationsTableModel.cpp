#include "uninstaller/ApplicationsTableModel.h"

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
    return parent.isValid() ? 0 : 1;
}

QVariant ApplicationsTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
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
