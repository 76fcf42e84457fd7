#pragma once

#include <QObject>

#include <memory>

class PageHost;
class QWidget;
namespace Ui {
class OptionsPage;
}

// The Options page: whether Velmora starts at login, and the way to the
// About panel. On the first run it registers the program as a login item.
class OptionsPageController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OptionsPageController)

public:
    OptionsPageController(QWidget* page, PageHost& host, QObject* parent = nullptr);
    ~OptionsPageController() override;

    // Sets texts and images, registers the login item on the first run, and
    // ticks the check box when a login item for the program exists.
    void optionsPageCreateUI();
    // Adds or removes the login item as the check box's new state says.
    void optionsPageAddtoStartupClick();
    void optionsPageShowAboutPanel();

private:
    void registerOnFirstRun();

    PageHost& m_host;
    std::unique_ptr<Ui::OptionsPage> m_ui;
    QWidget* m_page;
};
