#!/usr/bin/python3
"""The sample server through pytds (python3-tds), a TDS client independent of FreeTDS."""

import datetime
import os
import select
import sqlite3
import subprocess
import tempfile
import time
import unittest

import pytds

SERVER = os.environ.get("TOVIK_SAMPLE_SERVER", "")
END = "2026-12-07 14:30:00"
HOUR_START = "2026-12-07 13:00:00"
HOUR_END = "2026-12-07 14:00:00"
START_TIMEOUT = 10.0


class SampleServer:
    """`tovik-sample-server serve` as a child process, stopped by stop()."""

    def __init__(self, data_dir, *options, browser=False):
        self.work = tempfile.TemporaryDirectory()
        self.log_path = os.path.join(self.work.name, "server.log")
        self.arguments = [SERVER, "serve", "--data", data_dir, "--port", "0",
                          "--browser-port", "1434" if browser else "0",
                          "--log", self.log_path, *options]
        self.process = None
        self.port = None
        deadline = time.monotonic() + START_TIMEOUT
        # The browser port is one per machine: wait while another server holds it.
        while not self._start(deadline):
            if not browser or time.monotonic() > deadline:
                self.cleanup()
                raise RuntimeError("the sample server did not start: " + self.errors)
            time.sleep(0.2)

    def _start(self, deadline):
        self.process = subprocess.Popen(self.arguments, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.process.stdout], [], [], 0.1)
            if ready:
                line = self.process.stdout.readline()
                if line.startswith("listening on "):
                    self.port = int(line.rsplit(":", 1)[1])
                    return True
                if not line:
                    break
        self.errors = self.process.stderr.read() if self.process.poll() is not None else ""
        self.stop()
        return False

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(5)
        if self.process:
            self.process.stdout.close()
            self.process.stderr.close()

    def cleanup(self):
        self.stop()
        self.work.cleanup()

    def log(self):
        with open(self.log_path, encoding="utf-8") as log:
            return log.read()


def connect(port, database="SNMPCONLINE", user="sa", password="", **options):
    return pytds.connect("127.0.0.1", database=database, user=user, password=password,
                         port=port, autocommit=True, login_timeout=10, **options)


def direct_rows(path, sql):
    with sqlite3.connect("file:" + path + "?mode=ro", uri=True) as db:
        return [tuple(row) for row in db.execute(sql).fetchall()]


class PytdsClientTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()
        cls.data = cls.work.name
        subprocess.run([SERVER, "generate", "--data", cls.data, "--nodes", "25", "--hours", "6",
                        "--end", END], check=True, capture_output=True)
        with sqlite3.connect(os.path.join(cls.data, "TypesDb.sqlite")) as db:
            db.executescript("""
                CREATE TABLE Types (id INTEGER, g INTEGER, b BIGINT, s SMALLINT, r REAL,
                                    f FLOAT, d DATETIME, t TEXT, v VARCHAR(20));
                INSERT INTO Types VALUES (1, -7, 9007199254740993, 32767, 0.25, -1234.5678,
                                          '2026-12-07 13:45:30.5', 'Grüße ✓ 😀', 'plain');
                INSERT INTO Types (id) VALUES (2);
            """)
        cls.server = SampleServer(cls.data, "--login", "sa:", "--login", "monitor:Secret!")

    @classmethod
    def tearDownClass(cls):
        cls.server.cleanup()
        cls.work.cleanup()

    def main_file(self):
        return os.path.join(self.data, "SNMPCONLINE.sqlite")

    def query(self, sql, database="SNMPCONLINE", port=None):
        with connect(port or self.server.port, database) as connection:
            with connection.cursor() as cursor:
                cursor.execute(sql)
                return [tuple(row) for row in cursor.fetchall()]

    def test_login(self):
        cases = [("sa", "", "SNMPCONLINE", None),
                 ("monitor", "Secret!", "SNMPCONLINE", None),
                 ("sa", "", "master", None),
                 ("sa", "wrong", "SNMPCONLINE", 18456),
                 ("monitor", "secret!", "SNMPCONLINE", 18456),
                 ("nobody", "", "SNMPCONLINE", 18456),
                 ("sa", "", "NoSuchDb", 18456)]
        for user, password, database, error in cases:
            with self.subTest(user=user, password=password, database=database):
                if error is None:
                    with connect(self.server.port, database, user, password) as connection:
                        with connection.cursor() as cursor:
                            cursor.execute("SELECT COUNT(*) FROM sys.tables")
                            self.assertEqual(len(cursor.fetchall()), 1)
                else:
                    with self.assertRaises(pytds.OperationalError) as raised:
                        connect(self.server.port, database, user, password)
                    self.assertEqual(raised.exception.msg_no, error)
                    if database == "NoSuchDb":
                        self.assertIn('Cannot open database "NoSuchDb"', str(raised.exception))

    def test_reaches_server_by_instance_and_by_port(self):
        browser = SampleServer(self.data, browser=True)
        try:
            for dsn, port in [("127.0.0.1\\SNMPCONLINE", None), ("127.0.0.1", browser.port)]:
                with self.subTest(dsn=dsn):
                    with pytds.connect(dsn, database="SNMPCONLINE", user="sa", password="",
                                       port=port, autocommit=True, login_timeout=10) as connection:
                        with connection.cursor() as cursor:
                            cursor.execute("SELECT COUNT(*) FROM ATR_Reports")
                            self.assertEqual(cursor.fetchall()[0][0], 5)
        finally:
            browser.cleanup()

    def test_reads_every_type_and_null(self):
        rows = self.query("SELECT g, b, s, r, f, d, t, v FROM Types ORDER BY id", "TypesDb")
        self.assertEqual(rows[0], (-7, 9007199254740993, 32767, 0.25, -1234.5678,
                                   datetime.datetime(2026, 12, 7, 13, 45, 30, 500000),
                                   "Grüße ✓ 😀", "plain"))
        self.assertEqual(rows[1], (None,) * 8)

    def test_program_queries_answer_as_sqlite(self):
        node_query = ("SELECT DISTINCT node_id FROM ATR_Report_7_RAW WHERE hist_time >= '{}' "
                      "AND hist_time < '{}' AND ProcessorLoad >= '{}'")
        count_query = ("SELECT COUNT(node_id) FROM ATR_Report_7_RAW WHERE node_id = '12' AND "
                       "hist_time >= '{}' AND hist_time < '{}' AND ProcessorLoad >= '{}'")
        queries = ["SELECT report_id, report_name, table_name, pollint FROM ATR_Reports "
                   "WHERE table_name = 'CRATR-MIB|CRCpuEntry'",
                   node_query.format(HOUR_START, HOUR_END, 4),
                   node_query.format("", "", 4),
                   count_query.format(HOUR_START, HOUR_END, 4),
                   count_query.format("", "", 4),
                   "SELECT node_name, address, trapcomm FROM ATR_Nodes WHERE node_id = '12'"]
        for sql in queries:
            with self.subTest(sql=sql):
                self.assertEqual(self.query(sql), direct_rows(self.main_file(), sql))
        self.assertEqual(self.query(count_query.format("", "", 4)), [(0,)])
        self.assertTrue(self.query(node_query.format(HOUR_START, HOUR_END, 4)))

    def test_missing_table_gives_208_and_connection_stays(self):
        with connect(self.server.port) as connection:
            with connection.cursor() as cursor:
                with self.assertRaises(pytds.ProgrammingError) as raised:
                    cursor.execute("SELECT * FROM ATR_Report_99_RAW")
                self.assertEqual(raised.exception.msg_no, 208)
                self.assertEqual(str(raised.exception), "Invalid object name 'ATR_Report_99_RAW'.")
                cursor.execute("SELECT COUNT(*) FROM ATR_Nodes")
                self.assertEqual(cursor.fetchall(), [(25,)])

    def test_sqlite_forms_get_sql_servers_number_level_and_state(self):
        cases = [
            ("SELECT node_id FROM ATR_Nodes LIMIT 3", 102, 15, 1,
             "Incorrect syntax near 'LIMIT'."),
            ("SELECT strftime('%H', 'now')", 195, 15, 10,
             "'strftime' is not a recognized built-in function name."),
            ("SELECT node_id FROM ATR_Nodes WHERE node_id = %s GROUP BY 1", 164, 15, 1,
             "Each GROUP BY expression must contain at least one column that is not an outer "
             "reference."),
            ("SELECT \"x\" FROM ATR_Nodes", 207, 16, 1, "Invalid column name 'x'."),
        ]
        with connect(self.server.port) as connection:
            with connection.cursor() as cursor:
                for sql, number, level, state, text in cases:
                    with self.subTest(sql=sql):
                        with self.assertRaises(pytds.DatabaseError) as raised:
                            cursor.execute(sql, (1,) if "%s" in sql else None)
                        error = raised.exception
                        self.assertEqual((error.msg_no, error.severity, error.state, str(error)),
                                         (number, level, state, text))

    def test_catalog_views(self):
        tables = [row[0] for row in direct_rows(
            self.main_file(), "SELECT name FROM sqlite_schema WHERE type = 'table'")]
        self.assertEqual([row[0] for row in self.query("SELECT name from sys.tables")], tables)
        self.assertEqual([row[0] for row in self.query("SELECT name from sys.databases")],
                         ["master", "tempdb", "model", "msdb", "SNMPCONLINE", "TypesDb"])
        self.assertEqual(self.query("SELECT name from sys.tables", "master"), [])

    def test_writes_are_refused(self):
        before = direct_rows(self.main_file(), "SELECT COUNT(*), MAX(node_name) FROM ATR_Nodes")
        for sql in ["INSERT INTO ATR_Nodes (node_id) VALUES (999)",
                    "UPDATE ATR_Nodes SET node_name = 'x'",
                    "DROP TABLE ATR_Nodes"]:
            with self.subTest(sql=sql):
                with self.assertRaises(pytds.DatabaseError) as raised:
                    self.query(sql)
                self.assertEqual(raised.exception.msg_no, 3906)
        self.assertEqual(direct_rows(self.main_file(),
                                     "SELECT COUNT(*), MAX(node_name) FROM ATR_Nodes"), before)

    def test_parameters_are_bound(self):
        expected = direct_rows(self.main_file(),
                               "SELECT node_name FROM ATR_Nodes WHERE node_id = 12")
        with connect(self.server.port) as connection:
            with connection.cursor() as cursor:
                cursor.execute("SELECT node_name FROM ATR_Nodes WHERE node_id = %s", (12,))
                self.assertEqual([tuple(row) for row in cursor.fetchall()],
                                 [tuple(row) for row in expected])
                cursor.execute("SELECT COUNT(*) FROM ATR_Nodes")
                self.assertEqual(cursor.fetchall(), [(25,)])

    def test_transactions_of_a_non_autocommit_connection(self):
        with pytds.connect("127.0.0.1", database="SNMPCONLINE", user="sa", password="",
                           port=self.server.port, autocommit=False) as connection:
            with connection.cursor() as cursor:
                cursor.execute("SELECT COUNT(*) FROM ATR_Reports")
                self.assertEqual(cursor.fetchall(), [(5,)])
            connection.commit()
            connection.rollback()
        self.assertIn("TRANSACTION begin", self.server.log())

    def test_timeout_cancels_delayed_reply(self):
        delayed = SampleServer(self.data, "--delay-ms", "400")
        try:
            with connect(delayed.port, timeout=0.1) as connection:
                with connection.cursor() as cursor:
                    with self.assertRaises(pytds.TimeoutError):
                        cursor.execute("SELECT COUNT(*) FROM ATR_Nodes")
                # pytds keeps its query timeout on the socket; lift it for the next query, which
                # first collects the acknowledgement of the cancel.
                connection._conn.sock.settimeout(10)
                with connection.cursor() as cursor:
                    cursor.execute("SELECT COUNT(*) FROM ATR_Reports")
                    self.assertEqual(cursor.fetchall(), [(5,)])
            self.assertIn("ATTENTION during delay", delayed.log())
        finally:
            delayed.cleanup()

if __name__ == "__main__":
    unittest.main(verbosity=2)
