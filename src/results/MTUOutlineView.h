#pragma once

#include <QTreeView>

class TreeNode;

// The fix page's outline: a click on a leaf's check box ticks or unticks the
// leaf, and the click still does everything an outline click does.
class MTUOutlineView final : public QTreeView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MTUOutlineView)

public:
    explicit MTUOutlineView(QWidget* parent = nullptr);

    // Flips the tick of the leaf whose check box lies under the point (in
    // viewport coordinates); false when there is no check box there.
    bool toggleCheckBoxAt(const QPoint& point);

Q_SIGNALS:
    void checkBoxToggled(const QModelIndex& index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool toggle(const QModelIndex& index);
};
