#include "BrowserResponder.h"
#include "ColumnType.h"
#include "LoginLanguage.h"
#include "PacketAssembler.h"
#include "PacketWriter.h"
#include "RawTdsClient.h"
#include "RequestParser.h"
#include "RowSpool.h"
#include "RpcParameter.h"
#include "SqlDateTime.h"
#include "SqlTranslator.h"
#include "TextCodec.h"

#include <QTest>
#include <random>

using namespace tovik::sampleserver;
using tovik::test::RawTdsClient;
using tovik::test::TdsLogin;

namespace {

ByteView view(const QByteArray &bytes)
{
    return ByteView(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
        static_cast<std::size_t>(bytes.size()));
}

QByteArray packet(quint8 type, quint8 status, const QByteArray &body)
{
    QByteArray out;
    out.append(static_cast<char>(type));
    out.append(static_cast<char>(status));
    const int length = body.size() + 8;
    out.append(static_cast<char>(length >> 8));
    out.append(static_cast<char>(length & 0xFF));
    out.append(QByteArray("\x00\x00\x01\x00", 4));
    return out + body;
}

QString text(const std::string &utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace

// The request parsing and the conversions, called directly on bytes and texts.
class tst_SampleServerUnits : public QObject
{
    Q_OBJECT

private slots:
    void parsesLogin7();
    void login7SurvivesDamage();
    void login7CarriesTheSecurityToken_data();
    void login7CarriesTheSecurityToken();
    void parsesBatchAndRpc();
    void readsNullableRpcParameters_data();
    void readsNullableRpcParameters();
    void assemblesPacketsIntoMessages();
    void refusesMalformedPackets_data();
    void refusesMalformedPackets();
    void framesRepliesAtPacketSize();
    void convertsDateTimes_data();
    void convertsDateTimes();
    void mapsDeclaredTypes_data();
    void mapsDeclaredTypes();
    void widensTypesForValues_data();
    void widensTypesForValues();
    void translatesBatches_data();
    void translatesBatches();
    void readsDateLiteralsInTheSessionLanguage_data();
    void readsDateLiteralsInTheSessionLanguage();
    void answersBrowserRequests_data();
    void answersBrowserRequests();
    void truncatesWithoutSplittingSurrogates();
    void spoolsRowsInOrder_data();
    void spoolsRowsInOrder();
};

void tst_SampleServerUnits::parsesLogin7()
{
    TdsLogin login;
    login.user = "monitor";
    login.password = "Pa;ss=wörd";
    login.database = "ATR_Report_7";
    login.packetSize = 8192;
    const QByteArray payload = RawTdsClient::login7Payload(login);
    const auto parsed = RequestParser::parseLogin7(view(payload));
    QVERIFY(parsed);
    QCOMPARE(text(parsed->userName), login.user);
    QCOMPARE(text(parsed->password), login.password);
    QCOMPARE(text(parsed->database), login.database);
    QCOMPARE(parsed->tdsVersion, login.tdsVersion);
    QCOMPARE(parsed->packetSize, login.packetSize);
    QCOMPARE(parsed->integratedSecurity, false);
    QCOMPARE(text(parsed->appName), QString("raw-tds-test"));
}

void tst_SampleServerUnits::login7SurvivesDamage()
{
    const QByteArray payload = RawTdsClient::login7Payload(TdsLogin());
    for (int length = 0; length < payload.size(); ++length) {
        const auto parsed = RequestParser::parseLogin7(view(payload.left(length)));
        // A cut LOGIN7 loses at least the database name at its end.
        QVERIFY(!parsed || parsed->database.size() < 11);
    }
    std::mt19937 random(7);
    int parsedCount = 0;
    for (int round = 0; round < 5000; ++round) {
        QByteArray damaged = payload;
        for (int flips = 0; flips < 4; ++flips)
            damaged[random() % damaged.size()] = static_cast<char>(random());
        if (RequestParser::parseLogin7(view(damaged)))
            ++parsedCount;
    }
    QVERIFY(parsedCount < 5000);
}

void tst_SampleServerUnits::login7CarriesTheSecurityToken_data()
{
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<bool>("lengthLong");

    QTest::newRow("SQL login: none") << QByteArray() << false;
    QTest::newRow("Kerberos AP-REQ") << QByteArray("\x60\x82\x02\x10krb5-token", 15) << false;
    QTest::newRow("length in cbSSPILong") << QByteArray(70000, 'k') << true;
}

void tst_SampleServerUnits::login7CarriesTheSecurityToken()
{
    QFETCH(QByteArray, token);
    QFETCH(bool, lengthLong);
    TdsLogin login;
    login.integrated = !token.isEmpty();
    login.sspi = token;
    login.sspiLengthLong = lengthLong;
    const QByteArray payload = RawTdsClient::login7Payload(login);

    const auto parsed = RequestParser::parseLogin7(view(payload));
    QVERIFY(parsed);
    QCOMPARE(parsed->integratedSecurity, !token.isEmpty());
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(parsed->sspi.data()),
                 qsizetype(parsed->sspi.size())),
        token);
    QCOMPARE(text(parsed->database), login.database);
    // A token that runs past the message's end is no token.
    if (!token.isEmpty())
        QVERIFY(!RequestParser::parseLogin7(view(payload.chopped(1))));
}

void tst_SampleServerUnits::parsesBatchAndRpc()
{
    const auto batch = RequestParser::parseSqlBatch(
        view(RawTdsClient::sqlBatchPayload("SELECT name from sys.tables")));
    QVERIFY(batch);
    QCOMPARE(text(batch->text), QString("SELECT name from sys.tables"));
    const auto byId = RequestParser::parseRpc(view(RawTdsClient::rpcPayload(13)));
    QVERIFY(byId);
    QCOMPARE(text(byId->procedure), QString("sp_prepexec"));
    const auto byName = RequestParser::parseRpc(view(RawTdsClient::rpcPayload(QString("sp_who2"))));
    QVERIFY(byName);
    QCOMPARE(text(byName->procedure), QString("sp_who2"));
    QVERIFY(!RequestParser::parseSqlBatch(view(QByteArray("\x30\x00\x00\x00", 4))));
    QVERIFY(!RequestParser::parseRpc(view(QByteArray("\x16\x00\x00", 3))));
}

void tst_SampleServerUnits::readsNullableRpcParameters_data()
{
    // An unnamed input parameter: name length 0, status 0, then TYPE_INFO and the value.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("logText");
    const auto row = [](const char *name, const char *bytes, int size, bool read, QString log) {
        QTest::newRow(name) << QByteArray("\x00\x00", 2) + QByteArray(bytes, size) << read << log;
    };
    row("int", "\x26\x04\x04\x2a\x00\x00\x00", 7, true, "(unnamed) int=42");
    row("smallint in an int", "\x26\x04\x02\xff\xff", 5, true, "(unnamed) int=-1");
    row("int NULL", "\x26\x08\x00", 3, true, "(unnamed) bigint=NULL");
    row("datetime", "\x6f\x08\x08\x00\x00\x00\x00\x00\x00\x00\x00", 11, true,
        "(unnamed) datetime='1900-01-01 00:00:00'");
    row("smalldatetime", "\x6f\x04\x04\x01\x00\x3c\x00", 7, true,
        "(unnamed) smalldatetime='1900-01-02 01:00:00'");
    row("float", "\x6d\x08\x08\x00\x00\x00\x00\x00\x00\xf8\x3f", 11, true, "(unnamed) float=1.5");
    row("bit", "\x68\x01\x01\x01", 4, true, "(unnamed) bit=1");
    row("datetime of two bytes", "\x6f\x02\x02\x2e\x6f", 5, false, {});
    row("datetime declared of eight, sent in two", "\x6f\x08\x02\x2e\x6f", 5, false, {});
    row("float of two bytes", "\x6d\x02\x02\x00\x00", 5, false, {});
    row("int of three bytes", "\x26\x04\x03\x01\x02\x03", 6, false, {});
    row("int of sixteen bytes",
        "\x26\x10\x10"
        "0123456789abcdef",
        19, false, {});
    row("bit of two bytes", "\x68\x02\x02\x01\x00", 5, false, {});
    row("value longer than declared", "\x26\x02\x04\x01\x00\x00\x00", 7, false, {});
    row("value cut short", "\x26\x04\x04\x01\x00", 5, false, {});
}

void tst_SampleServerUnits::readsNullableRpcParameters()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, read);
    QFETCH(QString, logText);
    ByteReader reader(view(bytes));
    const auto parameter = RpcParameter::read(reader);
    QCOMPARE(parameter.has_value(), read);
    if (parameter)
        QCOMPARE(text(parameter->logText()), logText);
}

void tst_SampleServerUnits::assemblesPacketsIntoMessages()
{
    PacketAssembler assembler;
    const QByteArray first = packet(0x01, 0x00, "ab");
    const QByteArray last = packet(0x01, 0x01, "cd");
    const QByteArray ignored = packet(0x01, 0x03, "xx");
    const QByteArray attention = packet(0x06, 0x01, "");
    const QByteArray stream = first + last + ignored + attention;
    // Fed one byte at a time, as a slow network might deliver it.
    QList<QByteArray> payloads;
    QList<int> types;
    for (char byte : stream) {
        assembler.feed(view(QByteArray(1, byte)));
        while (const auto message = assembler.nextMessage()) {
            payloads << QByteArray(reinterpret_cast<const char *>(message->payload.data()),
                static_cast<qsizetype>(message->payload.size()));
            types << static_cast<int>(message->type);
        }
    }
    QVERIFY(!assembler.failed());
    QCOMPARE(payloads, (QList<QByteArray> {"abcd", ""}));
    QCOMPARE(types, (QList<int> {0x01, 0x06}));
}

void tst_SampleServerUnits::refusesMalformedPackets_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("reply type from a client") << packet(0x04, 0x01, "x");
    QTest::newRow("unknown type") << packet(0x55, 0x01, "x");
    QTest::newRow("unknown status") << packet(0x01, 0x80, "x");
    QTest::newRow("length below header") << QByteArray("\x01\x01\x00\x07\x00\x00\x01\x00", 8);
    QTest::newRow("length above maximum") << QByteArray("\x01\x01\x80\x00\x00\x00\x01\x00", 8);
    QTest::newRow("type change") << packet(0x01, 0x00, "a") + packet(0x03, 0x01, "b");
}

void tst_SampleServerUnits::refusesMalformedPackets()
{
    QFETCH(QByteArray, bytes);

    PacketAssembler assembler;
    assembler.feed(view(bytes));
    QVERIFY(!assembler.nextMessage());
    QVERIFY(assembler.failed());
    QVERIFY(!assembler.failure().empty());
}

void tst_SampleServerUnits::framesRepliesAtPacketSize()
{
    Bytes body(1500);
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<std::uint8_t>(i);
    const Bytes framed = PacketWriter::frame(body, 51, 512, 1, true);
    // 1500 bytes in packets of 504 payload bytes: 504, 504, 492.
    QCOMPARE(framed.size(), std::size_t(1500 + 3 * 8));
    QCOMPARE(framed[1], std::uint8_t(0x00));
    QCOMPARE(framed[512 + 1], std::uint8_t(0x00));
    QCOMPARE(framed[1024 + 1], std::uint8_t(0x01));
    QCOMPARE((framed[2] << 8) | framed[3], 512);
    QCOMPARE((framed[1024 + 2] << 8) | framed[1024 + 3], 500);
    QCOMPARE((framed[4] << 8) | framed[5], 51);
    QCOMPARE(framed[6], std::uint8_t(1));
    QCOMPARE(framed[512 + 6], std::uint8_t(2));
}

void tst_SampleServerUnits::convertsDateTimes_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("days");
    QTest::addColumn<uint>("ticks");

    QTest::newRow("epoch of DATETIME") << "1900-01-01 00:00:00" << true << 0 << 0u;
    QTest::newRow("day after") << "1900-01-02" << true << 1 << 0u;
    QTest::newRow("before 1900") << "1899-12-31 12:00:00" << true << -1 << 12u * 3600 * 300;
    QTest::newRow("sample time") << "2026-12-07 13:00:00" << true << 46361 << 13u * 3600 * 300;
    QTest::newRow("milliseconds round to 1/300 s")
        << "2026-12-07 00:00:00.005" << true << 46361 << 2u;
    QTest::newRow("last millisecond rounds to next day")
        << "2026-12-07 23:59:59.999" << true << 46362 << 0u;
    QTest::newRow("T separator") << "2026-12-07T00:00:01" << true << 46361 << 300u;
    QTest::newRow("minutes only") << "2026-12-07 00:01" << true << 46361 << 60u * 300;
    QTest::newRow("leap day") << "2024-02-29 00:00:00" << true << 45349 << 0u;
    QTest::newRow("no leap day") << "2026-02-29 00:00:00" << false << 0 << 0u;
    QTest::newRow("month 13") << "2026-13-01 00:00:00" << false << 0 << 0u;
    QTest::newRow("hour 24") << "2026-12-07 24:00:00" << false << 0 << 0u;
    QTest::newRow("before 1753") << "1752-12-31 00:00:00" << false << 0 << 0u;
    QTest::newRow("empty") << "" << false << 0 << 0u;
    QTest::newRow("trailing text") << "2026-12-07 13:00:00 CET" << false << 0 << 0u;
    QTest::newRow("number") << "1733576400" << false << 0 << 0u;
}

void tst_SampleServerUnits::convertsDateTimes()
{
    QFETCH(QString, input);
    QFETCH(bool, valid);
    QFETCH(int, days);
    QFETCH(uint, ticks);

    const auto parsed = SqlDateTime::parse(input.toStdString());
    QCOMPARE(parsed.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(parsed->days, days);
    QCOMPARE(parsed->ticks, ticks);
}

void tst_SampleServerUnits::mapsDeclaredTypes_data()
{
    QTest::addColumn<QString>("declared");
    QTest::addColumn<int>("expected");

    const int none = -1;
    QTest::newRow("INTEGER") << "INTEGER" << int(ColumnType::Int);
    QTest::newRow("int") << "int" << int(ColumnType::Int);
    QTest::newRow("BIGINT") << "BIGINT" << int(ColumnType::BigInt);
    QTest::newRow("SMALLINT") << "SMALLINT" << int(ColumnType::SmallInt);
    QTest::newRow("REAL") << "REAL" << int(ColumnType::Float);
    QTest::newRow("FLOAT") << "FLOAT" << int(ColumnType::Float);
    QTest::newRow("DOUBLE PRECISION") << "DOUBLE PRECISION" << int(ColumnType::Float);
    QTest::newRow("DATETIME") << "DATETIME" << int(ColumnType::DateTime);
    QTest::newRow("TEXT") << "TEXT" << int(ColumnType::NVarChar);
    QTest::newRow("VARCHAR(20)") << "VARCHAR(20)" << int(ColumnType::NVarChar);
    QTest::newRow("NVARCHAR (50)") << "NVARCHAR (50)" << int(ColumnType::NVarChar);
    QTest::newRow("NUMERIC: by value") << "NUMERIC" << none;
    QTest::newRow("no type") << "" << none;
}

void tst_SampleServerUnits::mapsDeclaredTypes()
{
    QFETCH(QString, declared);
    QFETCH(int, expected);

    const auto type = ColumnTypeRules::fromDeclaredType(declared.toStdString());
    QCOMPARE(type ? int(*type) : -1, expected);
}

void tst_SampleServerUnits::widensTypesForValues_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<int>("expected");

    const int undeclared = -1;
    QTest::newRow("int keeps int")
        << int(ColumnType::Int) << QVariantList {1, 2} << int(ColumnType::Int);
    QTest::newRow("int to bigint")
        << int(ColumnType::Int) << QVariantList {1, Q_INT64_C(5000000000)}
        << int(ColumnType::BigInt);
    QTest::newRow("smallint to int")
        << int(ColumnType::SmallInt) << QVariantList {40000} << int(ColumnType::Int);
    QTest::newRow("int to float") << int(ColumnType::Int) << QVariantList {1, 2.5}
                                  << int(ColumnType::Float);
    QTest::newRow("int to nvarchar")
        << int(ColumnType::Int) << QVariantList {1, QString("abc")} << int(ColumnType::NVarChar);
    QTest::newRow("datetime keeps datetime")
        << int(ColumnType::DateTime) << QVariantList {QString("2026-12-07 13:00:00"), QVariant()}
        << int(ColumnType::DateTime);
    QTest::newRow("datetime to nvarchar")
        << int(ColumnType::DateTime) << QVariantList {QString("yesterday")}
        << int(ColumnType::NVarChar);
    QTest::newRow("expression of integers")
        << undeclared << QVariantList {QVariant(), 3} << int(ColumnType::Int);
    QTest::newRow("expression of reals")
        << undeclared << QVariantList {1.5} << int(ColumnType::Float);
    QTest::newRow("expression, only NULL")
        << undeclared << QVariantList {QVariant()} << int(ColumnType::NVarChar);
}

void tst_SampleServerUnits::widensTypesForValues()
{
    QFETCH(int, start);
    QFETCH(QVariantList, values);
    QFETCH(int, expected);

    std::optional<ColumnType> type;
    if (start >= 0)
        type = static_cast<ColumnType>(start);
    for (const QVariant &value : values) {
        CellValue cell;
        if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
            cell = static_cast<std::int64_t>(value.toLongLong());
        else if (value.typeId() == QMetaType::Double)
            cell = value.toDouble();
        else if (value.typeId() == QMetaType::QString)
            cell = value.toString().toStdString();
        type = ColumnTypeRules::widened(type, cell);
    }
    QCOMPARE(int(ColumnTypeRules::finalType(type)), expected);
}

void tst_SampleServerUnits::translatesBatches_data()
{
    QTest::addColumn<QString>("batch");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("name");

    const int statements = int(BatchKind::Statements);
    QTest::newRow("plain query unchanged")
        << "SELECT report_id FROM ATR_Reports WHERE table_name = 'CRATR-MIB|CRCpuEntry'"
        << statements
        << "SELECT report_id FROM ATR_Reports WHERE table_name = 'CRATR-MIB|CRCpuEntry'"
        << "";
    QTest::newRow("sys.tables") << "SELECT name from sys.tables" << statements
                                << "SELECT name from temp.\"sys.tables\""
                                << "";
    QTest::newRow("sys . databases, brackets")
        << "SELECT name FROM [sys] . [Databases]" << statements
        << "SELECT name FROM temp.\"sys.databases\""
        << "";
    QTest::newRow("inside a string") << "SELECT 'sys.tables'" << statements << "SELECT 'sys.tables'"
                                     << "";
    QTest::newRow("inside a comment")
        << "SELECT 1 -- sys.tables" << statements << "SELECT 1 -- sys.tables"
        << "";
    QTest::newRow("N literal") << "SELECT N'ü''s'" << statements << "SELECT 'ü''s'"
                               << "";
    QTest::newRow("dbo prefix") << "SELECT * FROM dbo.ATR_Nodes" << statements
                                << "SELECT * FROM ATR_Nodes"
                                << "";
    QTest::newRow("procedure") << "sp_datatype_info_100 11" << int(BatchKind::ProcedureCall) << ""
                               << "sp_datatype_info_100";
    QTest::newRow("EXEC") << "  EXEC sp_who" << int(BatchKind::ProcedureCall) << ""
                          << "sp_who";
    QTest::newRow("USE") << "USE [ATR_Report_7]" << int(BatchKind::UseDatabase) << ""
                         << "ATR_Report_7";
    QTest::newRow("SET") << "SET QUOTED_IDENTIFIER ON" << int(BatchKind::SetOptions) << ""
                         << "";
    QTest::newRow("empty") << " /* nothing */ " << int(BatchKind::Empty) << ""
                           << "";
}

void tst_SampleServerUnits::translatesBatches()
{
    QFETCH(QString, batch);
    QFETCH(int, kind);
    QFETCH(QString, sql);
    QFETCH(QString, name);

    const TranslatedBatch translated = SqlTranslator::translate(batch.toStdString());
    QCOMPARE(int(translated.kind), kind);
    QCOMPARE(text(translated.sql), sql);
    QCOMPARE(text(translated.name), name);
}

void tst_SampleServerUnits::readsDateLiteralsInTheSessionLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>("sql"); // empty: error 242

    QTest::newRow("mdy dashed") << "us_english"
                                << "hist_time >= '2026-12-07 13:00:00'"
                                << "hist_time >= '2026-12-07 13:00:00'";
    QTest::newRow("dmy dashed is year-day-month") << "Deutsch"
                                                  << "hist_time < '2026-12-07 13:00:00'"
                                                  << "hist_time < '2026-07-12 13:00:00'";
    QTest::newRow("dmy date only") << "British"
                                   << "'2026-02-01' = hist_time"
                                   << "'2026-01-02 00:00:00' = hist_time";
    QTest::newRow("dmy day past 12") << "Fran\u00e7ais"
                                     << "hist_time >= '2026-12-13 01:00:00'"
                                     << "";
    QTest::newRow("dmy ISO form") << "Deutsch"
                                  << "hist_time >= N'2026-12-13T01:00:00'"
                                  << "hist_time >= '2026-12-13 01:00:00'";
    QTest::newRow("dmy unseparated") << "Deutsch"
                                     << "hist_time >= '20261213 01:00:00.5'"
                                     << "hist_time >= '2026-12-13 01:00:00.500'";
    QTest::newRow("between") << "Deutsch"
                             << "hist_time BETWEEN '2026-01-02 00:00' AND '2026-03-04 00:00'"
                             << "hist_time BETWEEN '2026-02-01 00:00:00' AND '2026-04-03 00:00:00'";
    QTest::newRow("mdy impossible date") << "us_english"
                                         << "hist_time = '2026-02-30'"
                                         << "";
    QTest::newRow("hour 24") << "us_english"
                             << "hist_time = '2026-02-03 24:00:00'"
                             << "";
    QTest::newRow("text column untouched") << "Deutsch"
                                           << "node_name = '2026-12-13 01:00:00'"
                                           << "node_name = '2026-12-13 01:00:00'";
    QTest::newRow("no date shape untouched") << "Deutsch"
                                             << "hist_time >= ''"
                                             << "hist_time >= ''";
    QTest::newRow("before 1753") << "us_english"
                                 << "hist_time > '1752-12-31'"
                                 << "";
}

void tst_SampleServerUnits::readsDateLiteralsInTheSessionLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, batch);
    QFETCH(QString, sql);

    const auto found = LoginLanguage::find(language.toStdString());
    QVERIFY(found);
    TranslationContext context {
        found->dateOrder, [](std::string_view column) { return column == "hist_time"; }};
    const QString where = "SELECT 1 FROM t WHERE ";
    const TranslatedBatch translated
        = SqlTranslator::translate((where + batch).toStdString(), context);
    if (sql.isEmpty()) {
        QVERIFY(translated.error);
        QCOMPARE(translated.error->number, 242);
        QCOMPARE(int(translated.error->severity), 16);
        QCOMPARE(int(translated.error->state), 3);
        QCOMPARE(QString::fromStdString(translated.error->text),
            "The conversion of a varchar data type to a datetime data type resulted in an "
            "out-of-range value.");
    } else {
        QVERIFY(!translated.error);
        QCOMPARE(text(translated.sql), where + sql);
    }
}

void tst_SampleServerUnits::answersBrowserRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("answered");

    QTest::newRow("our instance") << QByteArray("\x04SNMPCONLINE\x00", 13) << true;
    QTest::newRow("our instance, other case") << QByteArray("\x04snmpconline\x00", 13) << true;
    QTest::newRow("other instance") << QByteArray("\x04OTHER\x00", 7) << false;
    QTest::newRow("all instances") << QByteArray("\x03", 1) << true;
    QTest::newRow("broadcast") << QByteArray("\x02", 1) << true;
    QTest::newRow("unknown request") << QByteArray("\x09", 1) << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void tst_SampleServerUnits::answersBrowserRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(bool, answered);

    const BrowserResponder responder("testhost", "SNMPCONLINE", 50123);
    const auto reply = responder.reply(view(request));
    QCOMPARE(reply.has_value(), answered);
    if (!answered)
        return;
    const QByteArray bytes(
        reinterpret_cast<const char *>(reply->data()), static_cast<qsizetype>(reply->size()));
    QCOMPARE(bytes[0], '\x05');
    QCOMPARE((static_cast<quint8>(bytes[2]) << 8) | static_cast<quint8>(bytes[1]),
        int(bytes.size() - 3));
    const QString body = QString::fromLatin1(bytes.mid(3));
    QVERIFY2(body.startsWith("ServerName;testhost;InstanceName;SNMPCONLINE;"), qPrintable(body));
    QVERIFY2(body.endsWith(";tcp;50123;;"), qPrintable(body));
}

void tst_SampleServerUnits::truncatesWithoutSplittingSurrogates()
{
    const std::u16string text = u"ab\U0001F600c";
    QCOMPARE(TextCodec::truncated(text, 3).size(), std::size_t(2));
    QCOMPARE(TextCodec::truncated(text, 4).size(), std::size_t(4));
    QCOMPARE(TextCodec::truncated(text, 10).size(), text.size());
    QCOMPARE(TextCodec::toUtf8(TextCodec::toUtf16("Grüße ✓ 😀")), std::string("Grüße ✓ 😀"));
    QCOMPARE(TextCodec::toUtf16("\xFF"
                                "a"),
        std::u16string(u"\uFFFDa"));
}

void tst_SampleServerUnits::spoolsRowsInOrder_data()
{
    QTest::addColumn<int>("memoryBytes");
    QTest::addColumn<int>("rows");
    QTest::newRow("in memory") << int(RowSpool::kMemoryBytes) << 3000;
    QTest::newRow("a temporary file, then memory") << 1000 << 3000;
    QTest::newRow("every row spills") << 0 << 50;
    QTest::newRow("no rows") << 0 << 0;
}

// Rows come back as they went in, whichever way they were kept: every kind of value, texts with
// a NUL, empty and long.
void tst_SampleServerUnits::spoolsRowsInOrder()
{
    QFETCH(int, memoryBytes);
    QFETCH(int, rows);

    const auto rowAt = [](int i) {
        return RowSpool::Row {std::int64_t(i) * 1000003, i * 0.5,
            i % 7 == 0 ? CellValue {} : CellValue {std::string(std::size_t(i % 300), 'a' + i % 26)},
            std::string("nul\0inside", 10)};
    };
    RowSpool spool(static_cast<std::size_t>(memoryBytes));
    for (int i = 0; i < rows; ++i)
        QVERIFY(spool.append(rowAt(i)));
    QCOMPARE(spool.size(), std::size_t(rows));
    RowSpool::Reader reader = spool.reader();
    RowSpool::Row row;
    for (int i = 0; i < rows; ++i) {
        QVERIFY2(reader.next(row), qPrintable(QString::number(i)));
        QVERIFY2(row == rowAt(i), qPrintable(QString::number(i)));
    }
    QVERIFY(!reader.next(row));
}

QTEST_GUILESS_MAIN(tst_SampleServerUnits)

#include "tst_sampleserverunits.moc"
