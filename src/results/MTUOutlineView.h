#pragma once

#include <QTreeView>

#include <optional>

class TreeNode;

// The fix page's outline: a click on a leaf's check box ticks or unticks the
// leaf, and the click still does everything an outline click does. Rows are
// selected together as in any outline; Space, or Tick and Untick from a row's
// menu, then sets the ticks of every path selected or lying below a selected
// category. A category has no check box of its own: clicking it ticks nothing.
class MTUOutlineView final : public QTreeView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MTUOutlineView)

public:
    explicit MTUOutlineView(QWidget* parent = nullptr);

    // Flips the tick of the leaf whose check box lies under the point (in
    // viewport coordinates); false when there is no check box there.
    bool toggleCheckBoxAt(const QPoint& point);
    // Ticks (or unticks) every path selected or below a selected category;
    // without a value, unticks them when all are ticked and ticks them otherwise.
    // False when the selection holds no path.
    bool setSelectedTicks(std::optional<bool> ticked = std::nullopt);

Q_SIGNALS:
    void checkBoxToggled(const QModelIndex& index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool toggle(const QModelIndex& index);
};
