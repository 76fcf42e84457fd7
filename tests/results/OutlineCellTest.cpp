#include "platform/Images.h"
#include "results/ImageAndTextCell.h"
#include "results/MTUOutlineView.h"
#include "results/OutlineViewSupport.h"
#include "results/ResultsFixture.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"
#include "results/SimpleTreeNode.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

class OutlineViewClicks : public ResultsFixture {
protected:
    OutlineViewClicks()
    {
        tree = SimpleTreeNode::treeFromDictionary(results({ { "Cookies", { "/a", "/b" } } }));
        model.setRoot(tree);
        OutlineViewSupport::setUp(view, model, cell);
        OutlineViewSupport::spanGroupRows(view);
        view.resize(400, 300);
        view.show();
        OutlineViewSupport::expandAll(view);
        for (const char* name : { "/a", "/b" })
            data(name).setIconRep(Images::named("checked"));
    }

    SimpleNodeData& data(const QString& name) { return *ResultsTreeModel::payloadOf(findNode(*tree, name)); }
    QModelIndex indexOf(const QString& name, int column = 0)
    {
        return model.indexForNode(findNode(*tree, name), column);
    }
    QPoint boxCentre(const QString& name)
    {
        return ImageAndTextCell::checkBoxHitBox(
            QRectF(view.visualRect(indexOf(name))), QSizeF(view.iconSize()))
            .center()
            .toPoint();
    }
    void click(const QPoint& point) { QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point); }
    bool showsChecked(const QString& name)
    {
        return data(name).iconRep().cacheKey() == Images::named("checked").cacheKey();
    }

    std::shared_ptr<SimpleTreeNode> tree;
    ResultsTreeModel model;
    ImageAndTextCell cell;
    MTUOutlineView view;
};

} // namespace

TEST_F(OutlineViewClicks, ACheckBoxClickFlipsTickAndImageTogether)
{
    QSignalSpy toggled(&view, &MTUOutlineView::checkBoxToggled);
    click(boxCentre("/a"));
    EXPECT_FALSE(data("/a").isSelected());
    EXPECT_EQ(data("/a").iconRep().cacheKey(), Images::named("unchecked").cacheKey());
    EXPECT_TRUE(data("/b").isSelected());
    click(boxCentre("/a"));
    EXPECT_TRUE(data("/a").isSelected());
    EXPECT_TRUE(showsChecked("/a"));
    EXPECT_EQ(toggled.count(), 2);

    // The second click of a quick pair counts as a click of its own.
    const QPoint box = boxCentre("/b");
    click(box);
    QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(box), view.viewport()->mapToGlobal(QPointF(box)),
        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &second);
    EXPECT_TRUE(data("/b").isSelected());
    EXPECT_TRUE(showsChecked("/b"));
    EXPECT_EQ(toggled.count(), 4);
}

TEST_F(OutlineViewClicks, ClicksBesideTheBoxOrOnAGroupSelectWithoutTicking)
{
    const QRect name = view.visualRect(indexOf("/b"));
    const QRect size = view.visualRect(indexOf("/b", ResultsTreeModel::SizeColumn));
    const QRect group = view.visualRect(indexOf("Cookies"));
    for (const QPoint& point :
        { QPoint(name.left() + 60, name.center().y()), QPoint(size.left() + 8, size.center().y()),
            QPoint(group.left() + 8, group.center().y()), QPoint(name.left() + 8, name.bottom() + 40) })
        click(point);
    EXPECT_TRUE(data("/b").isSelected() && data("Cookies").isSelected());
    EXPECT_TRUE(data("Cookies").iconRep().isNull());
    data("/a").setIconRep(QIcon());
    click(boxCentre("/a"));
    EXPECT_TRUE(data("/a").isSelected()) << "a leaf without its box";

    view.setCurrentIndex(indexOf("Cookies"));
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_TRUE(data("Cookies").isSelected());
    view.setCurrentIndex(indexOf("/b"));
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_FALSE(data("/b").isSelected()) << "space ticks the current leaf";
}
