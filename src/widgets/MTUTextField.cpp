#include "widgets/MTUTextField.h"

MTUTextField::MTUTextField(QWidget* parent)
    : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
}
