#include "widgets/MTUButton.h"

#include "platform/Images.h"

#include <QEvent>
#include <QHash>

#include <limits>

namespace {

// Live hover registrations by tag. Widgets live on the main thread only, so
// no lock is needed.
QHash<int, const MTUButton*>& registrations()
{
    static QHash<int, const MTUButton*> live;
    return live;
}

int nextTag()
{
    static int last = 0;
    // Tags are never 0, which means "none"; after wrapping, skip tags still in use.
    do {
        last = last == std::numeric_limits<int>::max() ? 1 : last + 1;
    } while (registrations().contains(last));
    return last;
}

} // namespace

MTUButton::MTUButton(QWidget* parent)
    : QPushButton(parent)
{
}

MTUButton::~MTUButton()
{
    removeTrackingRegistration();
}

void MTUButton::setNormalImageName(const QString& name)
{
    if (name != m_normalImageName)
        m_normalImageName = name;
}

void MTUButton::setHoverImageName(const QString& name)
{
    if (name != m_hoverImageName)
        m_hoverImageName = name;
}

int MTUButton::trackingRegistrationCount(const MTUButton* button)
{
    int count = 0;
    for (const MTUButton* registered : std::as_const(registrations()))
        count += registered == button ? 1 : 0;
    return count;
}

void MTUButton::viewDidMoveToWindow()
{
    removeTrackingRegistration();
    m_trackingTag = nextTag();
    registrations().insert(m_trackingTag, this);
    m_trackedWindow = window();
}

void MTUButton::removeTrackingRegistration()
{
    if (m_trackingTag != 0)
        registrations().remove(m_trackingTag);
    m_trackingTag = 0;
}

void MTUButton::mouseEntered()
{
    setIcon(Images::named(m_hoverImageName));
}

void MTUButton::mouseExited()
{
    setIcon(Images::named(m_normalImageName));
}

bool MTUButton::event(QEvent* event)
{
    // Qt has no "moved into a window" notice; a new parent or the first
    // showing are the moments the window can have changed.
    if ((event->type() == QEvent::ParentChange || event->type() == QEvent::Show)
        && window() != m_trackedWindow)
        viewDidMoveToWindow();
    return QPushButton::event(event);
}

void MTUButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    if (m_trackingTag != 0)
        mouseEntered();
}

void MTUButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    if (m_trackingTag != 0)
        mouseExited();
}
