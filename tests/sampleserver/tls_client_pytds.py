#!/usr/bin/python3
"""Logs in to the sample server through pytds and prints the rows of one query, one JSON array of
texts a line. On failure: the error on standard error and exit code 1."""

import argparse
import json
import socket
import ssl
import sys

import pytds


def strict_socket(host, port, cafile):
    context = ssl.create_default_context(cafile=cafile)
    context.set_alpn_protocols(["tds/8.0"])
    connection = socket.create_connection((host, port), 10)
    tls = context.wrap_socket(connection, server_hostname=host)
    if tls.selected_alpn_protocol() != "tds/8.0":
        raise ssl.SSLError(f"the server agreed on {tls.selected_alpn_protocol()}, not tds/8.0")
    return tls


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", default="localhost")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--cafile", help="trusted CAs (PEM): encrypt, checking the host name")
    parser.add_argument("--login-only", action="store_true", help="encrypt the login only")
    parser.add_argument("--strict", action="store_true",
                        help="TDS 8.0: TLS (checked against --cafile) before any TDS")
    parser.add_argument("--query", required=True)
    arguments = parser.parse_args()
    options = {}
    try:
        if arguments.strict:
            # pytds knows no strict mode, but talks TDS over any socket it is given.
            options["sock"] = strict_socket(arguments.host, arguments.port, arguments.cafile)
        elif arguments.cafile:
            options["cafile"] = arguments.cafile
        if arguments.login_only:
            options["enc_login_only"] = True
        with pytds.connect(arguments.host, database="SNMPCONLINE", user="sa", password="",
                           port=arguments.port, autocommit=True, login_timeout=10,
                           **options) as connection:
            with connection.cursor() as cursor:
                cursor.execute(arguments.query)
                for row in cursor.fetchall():
                    print(json.dumps([None if value is None else str(value) for value in row]))
    except Exception as error:  # the caller reads the reason, whatever its type
        print(f"{type(error).__name__}: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
