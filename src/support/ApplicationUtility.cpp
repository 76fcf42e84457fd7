#include "support/ApplicationUtility.h"

// Link and title styling.
#include "shell/Hyperlink.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QUrl>

void ApplicationUtility::setHyperlinkOnTextField(QLabel* textField, const QString& link)
{
    if (!textField)
        return;
    textField->setTextFormat(Qt::RichText);
    // Selectable, and a click on the link opens it with the desktop's handler.
    textField->setTextInteractionFlags(Qt::TextBrowserInteraction);
    textField->setOpenExternalLinks(true);
    textField->setText(Hyperlink::hyperlinkFromString(link, QUrl(link, QUrl::StrictMode)));
    // Screen readers would otherwise read the markup's plain text only by chance.
    textField->setAccessibleName(link);
}

void ApplicationUtility::setUnderLineOnButton(QAbstractButton* button, const QString& buttonName)
{
    if (!button)
        return;
    // Qt fonts know one underline thickness; the title is underlined with the font's own.
    QFont font = QApplication::font();
    font.setPointSizeF(10.0);
    font.setUnderline(true);
    button->setFont(font);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, QColor(Qt::blue));
    button->setPalette(palette);
    button->setText(buttonName);
}

// File and text helpers.
