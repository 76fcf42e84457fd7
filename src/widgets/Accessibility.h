#pragma once

class QAbstractButton;
class QString;
class QWidget;

// Gives screen readers and AT-SPI automation the words a sighted user sees.
// Pages call these where they set a text, so that a translated title is the
// translated accessible name as well.
class Accessibility final {
public:
    // Sets the button's title and the same words, without mnemonic marks, as its accessible name.
    static void setTitle(QAbstractButton* button, const QString& title);
    // For a control that shows only a picture: what it is or what it does.
    static void setName(QWidget* widget, const QString& name);
    // The title as it reads aloud: "&&" stands for "&", a single "&" marks the shortcut key.
    static QString withoutMnemonics(const QString& title);
};
