#include "uninstaller/SupportFileChoices.h"

#include "platform/Localization.h"
#include "results/PathSizeCalculator.h"

SupportFileChoices::SupportFileChoices(const QString& application, qint64 applicationSize, QObject* parent)
    : QAbstractListModel(parent)
    , m_firstIsApplication(true)
{
    m_items.append({ application, applicationSize, true, false, { applicationSize, {} } });
}

SupportFileChoices::SupportFileChoices(QObject* parent)
    : QAbstractListModel(parent)
{
}

void SupportFileChoices::addSupportFile(const QString& path, bool shared)
{
    const PathSizeCalculator::Footprint footprint = PathSizeCalculator::footprintOfPath(path);
    append({ path, footprint.size, !shared, shared, footprint });
}

void SupportFileChoices::addItem(const QString& label, const PathSizeCalculator::Footprint& footprint)
{
    append({ label, footprint.size, true, false, footprint });
}

void SupportFileChoices::append(const Item& item)
{
    beginInsertRows(QModelIndex(), int(m_items.size()), int(m_items.size()));
    m_items.append(item);
    endInsertRows();
}

QList<int> SupportFileChoices::tickedRows() const
{
    QList<int> rows;
    for (int row = 0; row < m_items.size(); ++row) {
        if (m_items.at(row).ticked)
            rows.append(row);
    }
    return rows;
}

qint64 SupportFileChoices::tickedSize() const
{
    QList<PathSizeCalculator::Footprint> ticked;
    for (const int row : tickedRows())
        ticked.append(m_items.at(row).footprint);
    return PathSizeCalculator::totalOf(ticked);
}

QStringList SupportFileChoices::tickedSupportFiles() const
{
    QStringList ticked;
    for (const int row : tickedRows()) {
        if (row > 0 || !m_firstIsApplication)
            ticked.append(m_items.at(row).path);
    }
    return ticked;
}

int SupportFileChoices::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant SupportFileChoices::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Item& item = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        // A path may hold a line break; the row shows it as a visible mark.
        QString text = item.path;
        text.replace(u'\n', QChar(0x21B5));
        if (item.size >= 0)
            text += QStringLiteral("  (%1)").arg(formattedSize(item.size));
        if (item.shared)
            text += u' '
                + Localization::text("UNINSTALL_SHARED_SUPPORT_FILE", "shared with another application");
        return text;
    }
    case Qt::CheckStateRole:
        return item.ticked ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

bool SupportFileChoices::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !(flags(index) & Qt::ItemIsUserCheckable))
        return false;
    m_items[index.row()].ticked = value.value<Qt::CheckState>() == Qt::Checked;
    Q_EMIT dataChanged(index, index, { Qt::CheckStateRole });
    return true;
}

Qt::ItemFlags SupportFileChoices::flags(const QModelIndex& index) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return Qt::NoItemFlags;
    return index.row() == 0 && m_firstIsApplication ? Qt::ItemIsEnabled
                                                    : Qt::ItemIsEnabled | Qt::ItemIsUserCheckable;
}
