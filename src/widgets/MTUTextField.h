#pragma once

#include <QLabel>

// A text field that shows a pointing hand anywhere over it, for texts that
// act as links.
class MTUTextField final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MTUTextField)

public:
    explicit MTUTextField(QWidget* parent = nullptr);
};
