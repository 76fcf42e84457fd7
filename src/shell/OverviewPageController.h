#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>
#include <memory>

class PageHost;
class QWidget;
namespace Ui {
class OverviewPage;
}

// The first page: introduces the product, tells the state of the system from
// the stored times of the last scan and removal, and offers Scan Now.
class OverviewPageController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OverviewPageController)

public:
    using Clock = std::function<QDateTime()>;

    OverviewPageController(QWidget* page, PageHost& host, QObject* parent = nullptr);
    ~OverviewPageController() override;

    // Fixed texts, images and tool tip, then the status.
    void overviewPageCreateUI();
    // Status, suggestion and last-scan line, recomputed from the user defaults.
    void scanStatusStuff();
    // Puts the Scan Now button back to its normal picture.
    void drawOverviewPage();
    void overviewPageScanNowClick();

    // The time the age of the last scan is measured against; an empty clock is the system's.
    void setClock(Clock clock);

private:
    PageHost& m_host;
    std::unique_ptr<Ui::OverviewPage> m_ui;
    QWidget* m_page;
    Clock m_clock;
};
