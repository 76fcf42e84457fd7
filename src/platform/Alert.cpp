#include "platform/Alert.h"

#include <QMessageBox>
#include <QPushButton>

namespace {
Alert::Handler& handler()
{
    static Alert::Handler current;
    return current;
}
} // namespace

void Alert::show(const QString& message, QWidget* parent)
{
    if (handler()) {
        handler()(message);
        return;
    }
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(QStringLiteral("Velmora"));
    box.setText(message);
    // "OK" is the same in every language, as the design wants.
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.exec();
}

void Alert::setHandler(Handler newHandler)
{
    handler() = std::move(newHandler);
}
