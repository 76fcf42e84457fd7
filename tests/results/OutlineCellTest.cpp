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

const QSizeF kImage(16, 16);
const QSizeF kNoImage;

} // namespace

TEST(OutlineCellGeometry, TheImageStripTextFrameAndSizeFollowTheImage)
{
    struct Case {
        const char* what;
        QRectF frame;
        QSizeF image;
        QRectF imageRect;
        QRectF titleRect;
        QRectF textFrame;
        qreal widthAdded;
    };
    const Case cases[] = {
        { "16 x 16 image", { 20, 0, 200, 18 }, kImage, { 23, 1, 16, 16 }, { 39, 0, 181, 18 },
            { 39, 0, 181, 18 }, 19 },
        { "odd free height rounds up", { 0, 40, 100, 19 }, kImage, { 3, 42, 16, 16 }, { 19, 40, 81, 19 },
            { 19, 40, 81, 19 }, 19 },
        { "wide image", { 0, 0, 100, 20 }, { 40, 10 }, { 3, 5, 40, 10 }, { 43, 0, 57, 20 }, { 43, 0, 57, 20 },
            43 },
        { "no image", { 20, 0, 200, 18 }, kNoImage, {}, {}, { 20, 0, 200, 18 }, 3 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ImageAndTextCell::imageRectForBounds(c.frame, c.image), c.imageRect) << c.what;
        EXPECT_EQ(ImageAndTextCell::titleRectForBounds(c.frame, c.image), c.titleRect) << c.what;
        EXPECT_EQ(ImageAndTextCell::textFrame(c.frame, c.image), c.textFrame) << c.what;
        EXPECT_EQ(ImageAndTextCell::cellSize(QSizeF(50, 17), c.image), QSizeF(50 + c.widthAdded, 17))
            << c.what;
    }
}

TEST(OutlineCellGeometry, TheImageIsCompositedCentredInEitherOrientation)
{
    struct Case {
        qreal frameHeight;
        bool flipped;
        qreal yBelowTop;
    };
    const Case cases[]
        = { { 18, true, 17 }, { 18, false, 1 }, { 19, true, 18 }, { 19, false, 2 }, { 16, true, 16 } };
    for (const Case& c : cases) {
        const QPointF point
            = ImageAndTextCell::compositePoint({ 20, 100, 200, c.frameHeight }, kImage, c.flipped);
        EXPECT_EQ(point, QPointF(23, 100 + c.yBelowTop)) << c.frameHeight << (c.flipped ? " flipped" : "");
    }
}

TEST(OutlineCellGeometry, TheHitBoxIsWhereTheImageIsDrawn)
{
    const QRectF frame(20, 0, 200, 18);
    const QRectF box = ImageAndTextCell::checkBoxHitBox(frame, kImage);
    EXPECT_EQ(box, ImageAndTextCell::imageRectForBounds(frame, kImage));
    struct Case {
        QPointF point;
        bool inside;
    };
    const Case cases[] = {
        { { 23, 1 }, true },
        { { 38.9, 16.9 }, true },
        { { 39, 8 }, false }, // the first point of the text
        { { 22.9, 8 }, false },
        { { 30, 0.5 }, false },
        { { 30, 17 }, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ImageAndTextCell::mouseInRect(c.point, box), c.inside) << c.point.x() << "," << c.point.y();
}

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

TEST_F(OutlineViewClicks, ClicksBesideTheBoxSelectWithoutTicking)
{
    const QRect name = view.visualRect(indexOf("/b"));
    click(QPoint(name.left() + 60, name.center().y()));
    EXPECT_TRUE(data("/b").isSelected());
    EXPECT_EQ(view.currentIndex().siblingAtColumn(0), indexOf("/b")) << "the outline still selects the row";

    const QRect size = view.visualRect(indexOf("/b", ResultsTreeModel::SizeColumn));
    click(QPoint(size.left() + 8, size.center().y()));
    EXPECT_TRUE(data("/b").isSelected()) << "no box is drawn in the size column";

    const QRect group = view.visualRect(indexOf("Cookies"));
    click(QPoint(group.left() + 8, group.center().y()));
    EXPECT_TRUE(data("Cookies").isSelected());
    EXPECT_TRUE(data("Cookies").iconRep().isNull());

    data("/a").setIconRep(QIcon());
    click(boxCentre("/a"));
    EXPECT_TRUE(data("/a").isSelected()) << "a leaf without its box";

    const QRect last = view.visualRect(indexOf("/b"));
    ASSERT_TRUE(view.selectionModel()->hasSelection());
    click(QPoint(last.left() + 8, last.bottom() + 40));
    EXPECT_FALSE(view.selectionModel()->hasSelection())
        << "below the last row the outline clears its selection";
    EXPECT_TRUE(data("/b").isSelected());
}

TEST_F(OutlineViewClicks, SpaceTicksTheCurrentLeaf)
{
    view.setCurrentIndex(indexOf("/b"));
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_FALSE(data("/b").isSelected());
    view.setCurrentIndex(indexOf("Cookies"));
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_TRUE(data("Cookies").isSelected());
}
