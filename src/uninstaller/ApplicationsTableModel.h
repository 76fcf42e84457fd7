#pragma once

#include <QAbstractTableModel>

#include <functional>

class ToolsPageController;

// The applications table's view of the tools page: the rows' rich-text
// labels, their kinds and their installed sizes, asked of the page controller.
class ApplicationsTableModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ApplicationsTableModel)

public:
    enum Column { NameColumn, KindColumn, SizeColumn, ColumnCount };

    explicit ApplicationsTableModel(const ToolsPageController& source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The controller's rows changed: show them afresh.
    void reloadData();
    // More sizes are known: the size column is drawn anew.
    void reloadSizes();
    // The controller adds `count` rows at the end in `append`. Unlike a reload,
    // this keeps the row the user selected meanwhile.
    void appendRows(int count, const std::function<void()>& append);

private:
    const ToolsPageController& m_source;
};
