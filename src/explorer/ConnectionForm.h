#pragma once

#include "db/ConnectionChoice.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tovik {

// The explorer's connection: the fields of the tester's window and how the connection is
// protected. Once a sweep has run it can fold to one line naming the server and database, so that
// the sweep's settings and the views get the room.
class ConnectionForm : public QWidget
{
    Q_OBJECT

public:
    // The fields open at the connection's defaults.
    explicit ConnectionForm(QWidget *parent = nullptr);

    ConnectionChoice choice() const;
    void setChoice(const ConnectionChoice &choice);
    // The line "server / database" in place of the fields, with a button to unfold them again.
    void fold();
    void unfold();
    bool isFolded() const;
    // The fields in the order Tab moves through them.
    QList<QWidget *> tabOrder() const;

private:
    QGroupBox *buildFields();
    void addSecurityRows(QFormLayout *form);
    QWidget *buildFoldedLine();

    QGroupBox *m_fields = nullptr;
    QWidget *m_foldedLine = nullptr;
    QLabel *m_foldedText = nullptr;
    QPushButton *m_unfold = nullptr;
    QComboBox *m_auth = nullptr;
    QLineEdit *m_server = nullptr;
    QLineEdit *m_port = nullptr;
    QLineEdit *m_database = nullptr;
    QSpinBox *m_loginTimeout = nullptr;
    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
    QComboBox *m_encryption = nullptr;
    QCheckBox *m_trustCertificate = nullptr;
    QLineEdit *m_caFile = nullptr;
    QLineEdit *m_hostNameInCertificate = nullptr;
};

} // namespace tovik
