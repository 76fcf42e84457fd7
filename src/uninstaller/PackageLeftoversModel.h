#pragma once

#include "uninstaller/PackageLeftover.h"

#include <QAbstractTableModel>
#include <QList>

// The Tools page's section of what packages leave behind: what each is, and its size.
class PackageLeftoversModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PackageLeftoversModel)

public:
    enum Column { ItemColumn, SizeColumn, ColumnCount };

    explicit PackageLeftoversModel(QObject* parent = nullptr);

    const QList<PackageLeftover>& leftovers() const { return m_leftovers; }
    void append(const QList<PackageLeftover>& leftovers);
    void remove(const QList<int>& rows);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<PackageLeftover> m_leftovers;
};
