#include "results/ReviewPageController.h"

#include "platform/Images.h"
#include "platform/Localization.h"
#include "results/ImageAndTextCell.h"
#include "results/OutlineViewSupport.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleTreeNode.h"
#include "widgets/Accessibility.h"
#include "widgets/MTUButton.h"
#include "widgets/PageHost.h"
#include "ui_ReviewPage.h"

ReviewPageController::ReviewPageController(QWidget* page, PageHost& host, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_ui(std::make_unique<Ui::ReviewPage>())
    , m_model(new ResultsTreeModel(this))
    , m_cell(new ImageAndTextCell(this))
{
    m_ui->setupUi(page);
    OutlineViewSupport::setUp(*m_ui->reviewOutlineView, *m_model, *m_cell);
    connect(m_ui->reviewPageFixNowButton, &QPushButton::clicked, this,
        &ReviewPageController::reviewPageFixNowButtonClick);
}

ReviewPageController::~ReviewPageController() = default;

QTreeView* ReviewPageController::reviewOutlineView() const
{
    return m_ui->reviewOutlineView;
}
QLabel* ReviewPageController::reviewPageTitleText() const
{
    return m_ui->reviewPageTitleText;
}
MTUButton* ReviewPageController::reviewPageFixNowButton() const
{
    return m_ui->reviewPageFixNowButton;
}

void ReviewPageController::reviewPageCreateUI()
{
    MTUButton* button = m_ui->reviewPageFixNowButton;
    Accessibility::setTitle(
        button, Localization::text(QStringLiteral("REVIEWPAGE_FIXNOW_TEXT"), QStringLiteral("Fix Now!")));
    button->setToolTip(
        Localization::text(QStringLiteral("CLICK_TO_FIXNOW"), QStringLiteral("Click to Fix Now!")));
    button->setNormalImageName(QStringLiteral("BackToScan"));
    button->setHoverImageName(QStringLiteral("BackToScan-hover"));
    // The button changes its picture only on hover; until then it shows the normal one.
    button->setIcon(Images::named(QStringLiteral("BackToScan")));
}

void ReviewPageController::updateTitleText()
{
    // What the stored results list, whichever run of the program scanned them.
    const int count = m_model->leafCount();
    m_ui->reviewPageTitleText->setText(
        formatText(Localization::text(QStringLiteral("REVIEWPAGE_TITLE_TEXT"),
                       QStringLiteral("%@ has found %d Junk Items on your system")),
            { QStringLiteral("Velmora"), QString::number(count) }));
}

void ReviewPageController::populateReviewPage()
{
    bool securedJunkItemsFound = false;
    m_treeData = SimpleTreeNode::treeFromResultsFile(&securedJunkItemsFound);
    if (securedJunkItemsFound)
        m_host.setSecuredJunkItemsFound(true);
    m_model->setRoot(m_treeData);
    OutlineViewSupport::spanGroupRows(*m_ui->reviewOutlineView);
    expandAll();
}

void ReviewPageController::reviewPageFixNowButtonClick()
{
    m_host.showFixPage();
}

void ReviewPageController::expandAll()
{
    OutlineViewSupport::expandAll(*m_ui->reviewOutlineView);
}

void ReviewPageController::collapseAll()
{
    OutlineViewSupport::collapseAll(*m_ui->reviewOutlineView);
}
