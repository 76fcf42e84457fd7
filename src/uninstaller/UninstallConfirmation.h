#pragma once

#include <QDialog>

#include <functional>

class QPushButton;
class SupportFileChoices;

// Asks before an uninstall, showing every item it would remove with a check
// box and a size. Cancel is the default button: Return must never delete.
class UninstallConfirmation final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UninstallConfirmation)

public:
    UninstallConfirmation(SupportFileChoices& choices, QWidget* parent = nullptr);

    QPushButton* removeButton() const { return m_remove; }
    QPushButton* cancelButton() const { return m_cancel; }

    // True when the user chose Remove; the choices then hold the ticks to honour.
    static bool confirm(SupportFileChoices& choices, QWidget* parent = nullptr);

    // Tests answer in place of the user (and may change the ticks); an empty handler restores the dialog.
    using Handler = std::function<bool(SupportFileChoices& choices)>;
    static void setHandler(Handler handler);

private:
    QPushButton* m_remove;
    QPushButton* m_cancel;
};
