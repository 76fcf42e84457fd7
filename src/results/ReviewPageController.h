#pragma once

#include <QObject>

class QWidget;

// Placeholder until the page is built: the operations the application controller sends.
class ReviewPageController final : public QObject {
    Q_OBJECT
public:
    explicit ReviewPageController(QWidget* page, QObject* parent = nullptr);
    void reviewPageCreateUI();
    void updateTitleText();
    void populateReviewPage();

private:
    QWidget* m_page;
};
