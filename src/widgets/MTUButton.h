#pragma once

#include <QPointer>
#include <QPushButton>
#include <QString>

// The pages' action button: shows the image named hoverImageName while the
// mouse is over it and normalImageName when the mouse leaves. Hover is
// followed through one registration with the window the button is in,
// renewed whenever the button moves into another window.
class MTUButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MTUButton)

public:
    explicit MTUButton(QWidget* parent = nullptr);
    ~MTUButton() override;

    QString normalImageName() const { return m_normalImageName; }
    QString hoverImageName() const { return m_hoverImageName; }
    // Only the names change; the picture shown changes on the next hover or when a page sets it.
    void setNormalImageName(const QString& name);
    void setHoverImageName(const QString& name);

    // The tag of the button's current hover registration; 0 when it has none.
    int trackingTag() const { return m_trackingTag; }
    // How many hover registrations are held for the button: 0 or 1.
    static int trackingRegistrationCount(const MTUButton* button);

    // Drops the old registration, if any, and registers with the current window.
    void viewDidMoveToWindow();
    void mouseEntered();
    void mouseExited();

protected:
    bool event(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void removeTrackingRegistration();

    int m_trackingTag = 0;
    QString m_normalImageName;
    QString m_hoverImageName;
    QPointer<QWidget> m_trackedWindow;
};
