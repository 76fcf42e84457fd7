#pragma once

#include <QObject>

#include <memory>

class QDialog;
namespace Ui {
class AboutPanel;
}

// The About panel: edition, notice of rights, legal warning, a link to the
// project's web site and a Close button that hides the panel.
class AboutPageController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutPageController)

public:
    explicit AboutPageController(QDialog* panel, QObject* parent = nullptr);
    ~AboutPageController() override;

    // Fills the panel; doing it again gives the same panel.
    void aboutPanelCreateUI();
    void aboutPageOKButtonClick();

    // Where the project lives, shown and linked on the panel.
    static QString projectAddress();

private:
    std::unique_ptr<Ui::AboutPanel> m_ui;
    QDialog* m_panel;
};
