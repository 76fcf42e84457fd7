#include "uninstaller/SupportFileChoices.h"

#include "platform/Localization.h"
#include "results/PathSizeCalculator.h"

SupportFileChoices::SupportFileChoices(const QString& application, qint64 applicationSize, QObject* parent)
    : QAbstractListModel(parent)
{
    m_items.append({ application, applicationSize, true, false });
}

void SupportFileChoices::addSupportFile(const QString& path, bool shared)
{
    beginInsertRows(QModelIndex(), int(m_items.size()), int(m_items.size()));
    m_items.append({ path, PathSizeCalculator::sizeOfPath(path), !shared, shared });
    endInsertRows();
}

QStringList SupportFileChoices::tickedSupportFiles() const
{
    QStringList ticked;
    for (qsizetype i = 1; i < m_items.size(); ++i) {
        if (m_items.at(i).ticked)
            ticked.append(m_items.at(i).path);
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
    return index.row() == 0 ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsUserCheckable;
}
