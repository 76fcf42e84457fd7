#include "widgets/Accessibility.h"

#include <QAbstractButton>
#include <QString>

void Accessibility::setTitle(QAbstractButton* button, const QString& title)
{
    button->setText(title);
    button->setAccessibleName(withoutMnemonics(title));
}

void Accessibility::setName(QWidget* widget, const QString& name)
{
    widget->setAccessibleName(name);
}

QString Accessibility::withoutMnemonics(const QString& title)
{
    QString plain;
    plain.reserve(title.size());
    for (qsizetype i = 0; i < title.size(); ++i) {
        if (title.at(i) == u'&' && i + 1 < title.size())
            ++i;
        plain.append(title.at(i));
    }
    return plain;
}
