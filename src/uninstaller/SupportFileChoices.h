#pragma once

#include "results/PathSizeCalculator.h"

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QStringList>

// What an uninstall would remove, one check box each: the application first,
// then its support files; or what packages left behind, every row ticked
// and each one's to untick. Only what is ticked when the user confirms goes.
class SupportFileChoices final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SupportFileChoices)

public:
    struct Item {
        QString path;
        qint64 size = -1; // -1: not measured
        bool ticked = true;
        bool shared = false;
        PathSizeCalculator::Footprint footprint; // what the size counted
    };

    // The application's own row cannot be unticked: Cancel is the way to keep it.
    SupportFileChoices(const QString& application, qint64 applicationSize, QObject* parent = nullptr);
    // Rows of leftovers only, added with addItem.
    explicit SupportFileChoices(QObject* parent = nullptr);

    // Shared items come unticked; sizes are measured here.
    void addSupportFile(const QString& path, bool shared);
    // A ticked row measured before.
    void addItem(const QString& label, const PathSizeCalculator::Footprint& footprint);

    const QList<Item>& items() const { return m_items; }
    // The application's row as it is shown; empty for leftovers.
    QString application() const { return m_firstIsApplication ? m_items.constFirst().path : QString(); }
    // The support files ticked now, in the order shown.
    QStringList tickedSupportFiles() const;
    // The rows ticked now.
    QList<int> tickedRows() const;
    // What the ticked rows add up to, a file with several links counted once.
    qint64 tickedSize() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void append(const Item& item);

    QList<Item> m_items;
    bool m_firstIsApplication = false;
};
