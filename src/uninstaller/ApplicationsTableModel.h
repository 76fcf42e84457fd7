#pragma once

#include <QAbstractTableModel>

class ToolsPageController;

// The applications table's view of the tools page: one column, whose cells
// are the rows' rich-text labels, asked of the page controller.
class ApplicationsTableModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ApplicationsTableModel)

public:
    explicit ApplicationsTableModel(const ToolsPageController& source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The controller's rows changed: show them afresh.
    void reloadData();

private:
    const ToolsPageController& m_source;
};
