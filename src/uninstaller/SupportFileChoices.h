#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QStringList>

// What an uninstall would remove, one check box each: the application first,
// then its support files. Only what is ticked when the user confirms goes.
class SupportFileChoices final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SupportFileChoices)

public:
    struct Item {
        QString path;
        qint64 size = -1; // -1: not measured
        bool ticked = true;
        bool shared = false;
    };

    // The application's own row cannot be unticked: Cancel is the way to keep it.
    SupportFileChoices(const QString& application, qint64 applicationSize, QObject* parent = nullptr);

    // Shared items come unticked; sizes are measured here.
    void addSupportFile(const QString& path, bool shared);

    const QList<Item>& items() const { return m_items; }
    // The support files ticked now, in the order shown.
    QStringList tickedSupportFiles() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QList<Item> m_items;
};
