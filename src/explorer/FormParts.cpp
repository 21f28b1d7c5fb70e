#include "explorer/FormParts.h"

#include "common/TimeFormats.h"

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
    edit->setDisplayFormat(TimeFormats::kHourEntry);
    edit->setCalendarPopup(true);
    return edit;
}

} // namespace tovik::FormParts
