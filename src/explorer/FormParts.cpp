#include "explorer/FormParts.h"

namespace tovik::FormParts {

QLineEdit *lineEdit(const char *name)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    return edit;
}

QLabel *buddyLabel(const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QDateTimeEdit *hourEdit(const char *name)
{
    auto *edit = new QDateTimeEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:00"));
    edit->setCalendarPopup(true);
    return edit;
}

} // namespace tovik::FormParts
