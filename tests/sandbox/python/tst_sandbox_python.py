"""The sandbox through a TDS client that is not FreeTDS (python3-tds): login, typed values,
TEXTSIZE with and without the login's fODBC flag, batches, cancel, RPC parameters, TLS, an old
TDS version; and a few raw messages, to see how the server frames the cancel acknowledgement. Arguments: the velloxa-sandbox executable and the tests' sandbox data folder.
Exits 77 (skipped) when pytds is missing."""
import datetime
import decimal
import os
import socket
import struct
import subprocess
import sys
import unittest
import uuid

SKIPPED = 77
try:
    import pytds
    import pytds.tds_base
except ImportError as missing:
    print(f"SKIP: python3-tds is not installed ({missing})")
    sys.exit(SKIPPED)
try:  # python3-tds speaks TLS through python3-openssl, which it only recommends
    import OpenSSL.SSL
    import pytds.tls
except ImportError:
    OpenSSL = None

SANDBOX, DATA = sys.argv[1], sys.argv[2]
USER, PASSWORD = "tester", "Secret#1"


class Sandbox:
    """A sandbox server on a free port for the length of a `with` block."""

    def __init__(self, *extra):
        self.arguments = [SANDBOX, "--port", "0", "--database", "Shop=" + os.path.join(DATA, "shop.sql"),
                          "--database", "Types=" + os.path.join(DATA, "types.sql"),
                          "--account", f"{USER}:{PASSWORD}", *extra]

    def __enter__(self):
        self.process = subprocess.Popen(self.arguments, stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        if not line.startswith("velloxa-sandbox listening on port "):
            self.process.kill()
            raise RuntimeError("the sandbox did not start: " + line)
        self.port = int(line.rsplit(" ", 1)[1])
        return self

    def __exit__(self, *_):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()

    def connect(self, database="Shop", **options):
        return pytds.connect("127.0.0.1", port=self.port, user=USER, password=PASSWORD, database=database,
                             autocommit=True, login_timeout=10, timeout=30, **options)


def first_row(connection, sql, parameters=None):
    with connection.cursor() as cursor:
        cursor.execute(sql, parameters)
        return cursor.fetchone()


class WithoutOdbcFlag:
    """pytds asks for the ODBC session defaults (fODBC) as FreeTDS does; a client such as
    tedious does not. Clearing the flag makes pytds log in like such a client."""

    def __enter__(self):
        self.saved = pytds.tds_base.TDS_ODBC_ON
        pytds.tds_base.TDS_ODBC_ON = 0

    def __exit__(self, *_):
        pytds.tds_base.TDS_ODBC_ON = self.saved


class WithoutCertificateCheck:
    """The sandbox makes its certificate at start; FreeTDS does not check one unless told to,
    so this client is made to skip the check as well."""

    def __enter__(self):
        self.saved = pytds.tls.create_context

        def unchecked(_cafile):
            context = OpenSSL.SSL.Context(OpenSSL.SSL.TLSv1_2_METHOD)
            context.set_verify(OpenSSL.SSL.VERIFY_NONE, lambda *_: True)
            return context

        pytds.tls.create_context = unchecked

    def __exit__(self, *_):
        pytds.tls.create_context = self.saved


class RawClient:
    """TDS by hand, to look at how the server frames its messages: LOGIN7 (without PRELOGIN,
    which a server without encryption allows), SQL batches, ATTENTION."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        fields = ["raw", USER, PASSWORD, "raw", "127.0.0.1", "", "raw", "", "Shop"]
        data, pairs = b"", b""
        for i, text in enumerate(fields):
            encoded = text.encode("utf-16-le")
            if i == 2:  # the password: nibbles swapped, then XOR 0xA5
                encoded = bytes((((b << 4) | (b >> 4)) & 0xFF) ^ 0xA5 for b in encoded)
            pairs += struct.pack("<HH", 94 + len(data), len(text))
            data += encoded
        fixed = struct.pack("<IIIIII4BiI", 94 + len(data), 0x74000004, 4096, 0, 0, 0, 0xE0, 0x03, 0, 0, 0, 0x409)
        login = fixed + pairs + b"\0" * 6 + struct.pack("<HHHHHHI", 94 + len(data), 0, 94 + len(data), 0, 94 + len(data), 0, 0) + data
        self.send(0x10, login)
        self.read_message()

    def send(self, kind, payload=b""):
        self.sock.sendall(struct.pack(">BBHHBB", kind, 1, 8 + len(payload), 0, 1, 0) + payload)

    def send_batch(self, sql):
        headers = struct.pack("<IIHQI", 22, 18, 2, 0, 1)
        self.send(0x01, headers + sql.encode("utf-16-le"))

    def read_packet(self):
        header = self.read_exactly(8)
        kind, status, length = struct.unpack(">BBH", header[:4])
        return status & 1, self.read_exactly(length - 8)

    def read_message(self):
        payload, last = b"", 0
        while not last:
            last, data = self.read_packet()
            payload += data
        return payload

    def read_exactly(self, count):
        data = b""
        while len(data) < count:
            chunk = self.sock.recv(count - len(data))
            if not chunk:
                raise ConnectionError("the server closed the connection")
            data += chunk
        return data


DONE_ATTENTION = struct.pack("<BHHQ", 0xFD, 0x20, 0, 0)


class SandboxThroughPytds(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Sandbox().__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.server.__exit__()

    def test_login_and_typed_values(self):
        with self.server.connect("Types") as connection:
            row = first_row(connection, "SELECT c_tinyint, c_bigint, c_bit, c_decimal, c_money, c_float, c_nvarchar, c_date,"
                                        " c_datetime, c_datetime2, c_guid, c_varbinary FROM AllTypes WHERE Id = 1")
        self.assertEqual(row[0:3], (200, 9000000000000000000, True))
        self.assertEqual(row[3:5], (decimal.Decimal("-12345678.91"), decimal.Decimal("-123456789.1234")))
        self.assertEqual(row[5:7], (1.5, "Ω日本 ü"))
        self.assertEqual(row[7], datetime.date(2024, 2, 29))
        self.assertEqual(row[8], datetime.datetime(2024, 2, 29, 13, 45, 30, 997000))
        self.assertEqual(row[9], datetime.datetime(2024, 2, 29, 13, 45, 30, 123456))
        self.assertEqual(row[10], uuid.UUID("6F9619FF-8B86-D011-B42D-00C04FC964FF"))
        self.assertEqual(row[11], b"\xab\xcd\xef")

    def test_textsize_follows_the_odbc_flag(self):
        query = "SELECT c_varcharmax, c_nvarcharmax, c_text FROM AllTypes WHERE Id = 1"
        with self.server.connect("Types") as connection:
            self.assertEqual([len(v) for v in first_row(connection, query)], [5005, 5007, 5005])
        with WithoutOdbcFlag(), self.server.connect("Types") as connection:
            self.assertEqual([len(v) for v in first_row(connection, query)], [4096, 2048, 4096])
            with connection.cursor() as cursor:
                cursor.execute("SET TEXTSIZE 2147483647")
            self.assertEqual([len(v) for v in first_row(connection, query)], [5005, 5007, 5005])

    def test_rpc_parameters_are_bound(self):
        with self.server.connect() as connection:
            self.assertEqual(first_row(connection, "SELECT Customer FROM Orders WHERE Id = %s", (2,)), ("Bert",))
            self.assertEqual(first_row(connection, "SELECT Id FROM Orders WHERE Customer = %s AND Total = %s",
                                       ("Anna", decimal.Decimal("10.50"))), (1,))
            self.assertEqual(first_row(connection, "SELECT COUNT(*) FROM Numbers WHERE N > %s AND %s = 1", (2 ** 40 // 2 ** 28, True)),
                             (5000 - 4096,))
            self.assertEqual(first_row(connection, "SELECT %s", (datetime.datetime(2024, 2, 29, 13, 45, 30, 500000),)),
                             ("2024-02-29 13:45:30.5",))
            with self.assertRaises(pytds.tds_base.Error) as undeclared:
                first_row(connection, "SELECT @P1")
            self.assertEqual(undeclared.exception.number, 137)
            self.assertEqual(first_row(connection, "SELECT COUNT(*) FROM Orders"), (3,))

    def test_batches_of_several_statements(self):
        with self.server.connect() as connection, connection.cursor() as cursor:
            cursor.execute("SELECT 1 AS a SELECT 2 AS b; SELECT COUNT(*) FROM Orders")
            results = [cursor.fetchall()]
            while cursor.nextset():
                results.append(cursor.fetchall())
            self.assertEqual(results, [[(1,)], [(2,)], [(3,)]])
            with self.assertRaises(pytds.tds_base.Error) as unknown:
                cursor.execute("SELECT 1\nSELECT 2\n  SELECT * FROM Nope")
                while cursor.nextset():
                    pass
            self.assertEqual((unknown.exception.number, unknown.exception.line), (208, 3))

    def test_cancel_leaves_the_connection_usable(self):
        with Sandbox("--row-delay-us", "2000") as slow, slow.connect() as connection:
            cursor = connection.cursor()
            cursor.execute("SELECT N FROM Numbers")
            self.assertEqual(cursor.fetchone(), (1,))
            cursor.cancel()
            self.assertEqual(first_row(connection, "SELECT COUNT(*) FROM Orders"), (3,))

    def test_the_attention_acknowledgement_is_a_message_of_its_own(self):
        with Sandbox("--row-delay-us", "2000") as slow:
            client = RawClient(slow.port)
            client.send_batch("SELECT N FROM Numbers")
            last, _ = client.read_packet()  # the server is sending rows
            self.assertFalse(last)
            client.send(0x06)
            while not last:  # the rest of the cut-short response
                last, data = client.read_packet()
                self.assertNotIn(DONE_ATTENTION, data)
            self.assertEqual(client.read_message(), DONE_ATTENTION)
            client.send_batch("SELECT COUNT(*) FROM Orders")
            self.assertTrue(client.read_message().endswith(struct.pack("<BHHQ", 0xFD, 0x10, 0xC1, 1)))
            client.sock.close()

    @unittest.skipIf(OpenSSL is None, "python3-openssl is not installed")
    def test_tls_for_the_whole_connection(self):
        with Sandbox("--encryption", "required") as secure, WithoutCertificateCheck():
            with secure.connect(cafile="unused", validate_host=False) as connection:
                self.assertEqual(first_row(connection, "SELECT Customer FROM Orders WHERE Id = %s", (3,)), ("Cleo",))

    def test_an_old_tds_version_is_refused_in_its_own_framing(self):
        with self.assertRaises(pytds.tds_base.Error) as refused:
            self.server.connect(tds_version=pytds.tds_base.TDS71)
        self.assertEqual(refused.exception.number, 18456)
        self.assertIn("this login asked for TDS 7.1", str(refused.exception))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
