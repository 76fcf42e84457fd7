#include "uninstaller/UninstallConfirmation.h"

#include "platform/Localization.h"
#include "uninstaller/SupportFileChoices.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
UninstallConfirmation::Handler& handler()
{
    static UninstallConfirmation::Handler current;
    return current;
}
} // namespace

UninstallConfirmation::UninstallConfirmation(SupportFileChoices& choices, QWidget* parent)
    : QDialog(parent)
{
    // A bundle or an AppImage is named by its file, a package by its row.
    const QString application = choices.application().startsWith(u'/')
        ? QFileInfo(choices.application()).fileName()
        : choices.application();
    setWindowTitle(application.isEmpty()
            ? Localization::text("UNINSTALL_LEFTOVERS_TITLE", "Remove what packages left behind?")
            : formatText(Localization::text("UNINSTALL_CONFIRMATION_TITLE", "Uninstall %@?"), { application }));
    auto* layout = new QVBoxLayout(this);
    const QString items = application.isEmpty()
        ? Localization::text("UNINSTALL_CONFIRMATION_MESSAGE",
              "These items will be removed. Untick what you want to keep.")
        : formatText(Localization::text("UNINSTALL_APPLICATION_MESSAGE",
                         "%@ and these items will be removed. Untick what you want to keep."),
              { application });
    auto* message = new QLabel(
        items + u' ' + Localization::text("UNINSTALL_CANNOT_BE_UNDONE", "The removal cannot be undone."), this);
    message->setObjectName(QStringLiteral("uninstallConfirmationMessage"));
    message->setWordWrap(true);
    layout->addWidget(message);
    auto* list = new QListView(this);
    list->setObjectName(QStringLiteral("uninstallConfirmationList"));
    list->setModel(&choices);
    list->setMinimumWidth(520);
    layout->addWidget(list);
    auto* total = new QLabel(this);
    total->setObjectName(QStringLiteral("uninstallConfirmationTotal"));
    const auto showTotal = [total, &choices] {
        total->setText(Localization::text("UNINSTALL_CONFIRMATION_TOTAL", "Together: %1")
                           .arg(formattedSize(std::max<qint64>(choices.tickedSize(), 0))));
    };
    showTotal();
    connect(&choices, &SupportFileChoices::dataChanged, total, showTotal);
    layout->addWidget(total);

    auto* buttons = new QDialogButtonBox(this);
    m_remove = buttons->addButton(
        Localization::text("UNINSTALL_CONFIRMATION_REMOVE", "Remove"), QDialogButtonBox::DestructiveRole);
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    m_remove->setAutoDefault(false);
    m_cancel->setDefault(true);
    m_cancel->setFocus();
    layout->addWidget(buttons);
    connect(m_remove, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool UninstallConfirmation::confirm(SupportFileChoices& choices, QWidget* parent)
{
    if (handler())
        return handler()(choices);
    UninstallConfirmation dialog(choices, parent);
    return dialog.exec() == QDialog::Accepted;
}

void UninstallConfirmation::setHandler(Handler newHandler)
{
    handler() = std::move(newHandler);
}
