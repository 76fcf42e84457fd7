#pragma once

#include <QString>

#include <functional>

class QWidget;

// The one modal message of the program: information style, one "OK" button.
class Alert final {
public:
    static void show(const QString& message, QWidget* parent = nullptr);

    // Tests record the messages instead of showing them; an empty handler restores the dialog.
    using Handler = std::function<void(const QString& message)>;
    static void setHandler(Handler handler);
};
