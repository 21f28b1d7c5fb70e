#pragma once

#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace tovik::FormParts {

// A box named for the value it holds, so that tests and saved arrangements find it.
template<class Box = QSpinBox>
Box *spinBox(const char *name, int min, int max, const QString &suffix = {})
{
    auto *box = new Box;
    box->setObjectName(QLatin1String(name));
    box->setRange(min, max);
    box->setSuffix(suffix);
    return box;
}

QLineEdit *lineEdit(const char *name);
// A row whose field is a layout gets no buddy from QFormLayout, which would show the "&" instead
// of taking it as the shortcut to the row's first control.
QLabel *buddyLabel(const QString &text, QWidget *buddy);
QDateTimeEdit *hourEdit(const char *name);

} // namespace tovik::FormParts
