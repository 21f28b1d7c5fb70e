#include "explorer/ConnectionForm.h"

#include "db/ConnectionDefaults.h"
#include "explorer/FormParts.h"
#include "sweep/SweepChoice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tovik {

ConnectionForm::ConnectionForm(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("connectionForm"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildFields());
    layout->addWidget(buildFoldedLine());
    setChoice(SweepChoice().connection);
    unfold();
}

QGroupBox *ConnectionForm::buildFields()
{
    m_fields = new QGroupBox(tr("Connection"));
    auto *form = new QFormLayout(m_fields);
    m_auth = new QComboBox;
    m_auth->setObjectName(QStringLiteral("auth"));
    m_auth->addItems(ConnectionDefaults::authChoices());
    // The longest choice would set the column's width; the open list shows it whole.
    m_auth->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_auth->setMinimumContentsLength(16);
    m_server = FormParts::lineEdit("server");
    m_port = FormParts::lineEdit("port");
    m_port->setMaxLength(5);
    m_port->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    m_database = FormParts::lineEdit("database");
    m_loginTimeout = FormParts::spinBox("loginTimeout", 0, 3600, tr(" s"));
    m_user = FormParts::lineEdit("user");
    m_password = FormParts::lineEdit("password");
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(tr("&Authentication:"), m_auth);
    auto *serverRow = new QHBoxLayout;
    serverRow->addWidget(m_server, 1);
    serverRow->addWidget(new QLabel(tr("Port:")));
    serverRow->addWidget(m_port);
    form->addRow(FormParts::buddyLabel(tr("&Server:"), m_server), serverRow);
    // The timeout on a row of its own, so that a narrow column still shows the database's name.
    form->addRow(tr("&Database:"), m_database);
    form->addRow(tr("Timeout:"), m_loginTimeout);
    form->addRow(tr("&User name:"), m_user);
    form->addRow(tr("Pass&word:"), m_password);
    addSecurityRows(form);
    return m_fields;
}

void ConnectionForm::addSecurityRows(QFormLayout *form)
{
    m_encryption = new QComboBox;
    m_encryption->setObjectName(QStringLiteral("encryption"));
    // In the order of EncryptionMode.
    const QList<std::pair<QString, QString>> modes {
        {tr("Optional"),
            tr("Encrypts what the server asks for, at least the login when it can; the server's "
               "certificate is not checked.")},
        {tr("Mandatory"), tr("Encrypts the whole connection, or does not connect.")},
        {tr("Strict"),
            tr("Encrypts from the first byte on (TDS 8.0); needs a driver that supports it.")},
    };
    for (const auto &[label, explanation] : modes) {
        m_encryption->addItem(label);
        m_encryption->setItemData(m_encryption->count() - 1, explanation, Qt::ToolTipRole);
    }
    // On two lines, so that the line does not widen the column.
    m_trustCertificate = new QCheckBox(tr("Trust the server's certificate\nwithout chec&king it"));
    m_trustCertificate->setObjectName(QStringLiteral("trustServerCertificate"));
    m_caFile = FormParts::lineEdit("caFile");
    m_caFile->setPlaceholderText(tr("the system's"));
    m_hostNameInCertificate = FormParts::lineEdit("hostNameInCertificate");
    m_hostNameInCertificate->setPlaceholderText(tr("the server's host name"));
    form->addRow(tr("&Encryption:"), m_encryption);
    form->addRow(m_trustCertificate);
    form->addRow(tr("Certificate authorit&ies:"), m_caFile);
    form->addRow(tr("&Name in certificate:"), m_hostNameInCertificate);
}

QWidget *ConnectionForm::buildFoldedLine()
{
    m_foldedLine = new QGroupBox(tr("Connection"));
    auto *row = new QHBoxLayout(m_foldedLine);
    m_foldedText = new QLabel;
    m_foldedText->setObjectName(QStringLiteral("connectionLine"));
    m_foldedText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_unfold = new QPushButton(tr("Change..."));
    m_unfold->setObjectName(QStringLiteral("changeConnection"));
    m_unfold->setToolTip(tr("Show the connection's fields"));
    row->addWidget(m_foldedText, 1);
    row->addWidget(m_unfold);
    connect(m_unfold, &QPushButton::clicked, this, &ConnectionForm::unfold);
    return m_foldedLine;
}

ConnectionChoice ConnectionForm::choice() const
{
    ConnectionChoice choice;
    ConnectionFields &fields = choice.fields;
    fields.SqlConnType = m_auth->currentText();
    fields.SqlDbServer = m_server->text();
    fields.SqlDbPort = m_port->text();
    fields.SqlDatabase = m_database->text();
    fields.SqlDbUser = m_user->text();
    fields.SqlDbPass = m_password->text();
    choice.loginTimeoutSeconds = m_loginTimeout->value();
    ConnectionSecurity &security = choice.security;
    security.encryption = EncryptionMode(m_encryption->currentIndex());
    security.trustServerCertificate = m_trustCertificate->isChecked();
    security.caFile = m_caFile->text();
    security.hostNameInCertificate = m_hostNameInCertificate->text();
    return choice;
}

void ConnectionForm::setChoice(const ConnectionChoice &choice)
{
    const ConnectionFields &fields = choice.fields;
    m_auth->setCurrentIndex(
        std::max<qsizetype>(0, ConnectionDefaults::authChoices().indexOf(fields.SqlConnType)));
    m_server->setText(fields.SqlDbServer);
    m_port->setText(fields.SqlDbPort);
    m_database->setText(fields.SqlDatabase);
    m_user->setText(fields.SqlDbUser);
    m_password->setText(fields.SqlDbPass);
    m_loginTimeout->setValue(choice.loginTimeoutSeconds);
    const ConnectionSecurity &security = choice.security;
    m_encryption->setCurrentIndex(int(security.encryption));
    m_trustCertificate->setChecked(security.trustServerCertificate);
    m_caFile->setText(security.caFile);
    m_hostNameInCertificate->setText(security.hostNameInCertificate);
}

void ConnectionForm::fold()
{
    const QString port = m_port->text().trimmed();
    const QString server = port.isEmpty() ? m_server->text() : m_server->text() + u',' + port;
    m_foldedText->setText(tr("%1 / %2").arg(server, m_database->text()));
    m_foldedText->setToolTip(m_auth->currentText());
    const bool focusInside = m_fields->isAncestorOf(focusWidget());
    m_fields->hide();
    m_foldedLine->show();
    if (focusInside)
        m_unfold->setFocus();
}

void ConnectionForm::unfold()
{
    m_foldedLine->hide();
    m_fields->show();
}

bool ConnectionForm::isFolded() const
{
    return m_fields->isHidden();
}

QList<QWidget *> ConnectionForm::tabOrder() const
{
    return {m_unfold, m_auth, m_server, m_port, m_database, m_loginTimeout, m_user, m_password,
        m_encryption, m_trustCertificate, m_caFile, m_hostNameInCertificate};
}

} // namespace tovik
