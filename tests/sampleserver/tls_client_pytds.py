#!/usr/bin/python3
"""Logs in to the sample server through pytds and prints the rows of one query, one JSON array of
texts a line. On failure: the error on standard error and exit code 1."""

import argparse
import json
import sys

import pytds


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", default="localhost")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--cafile", help="trusted CAs (PEM): encrypt, checking the host name")
    parser.add_argument("--login-only", action="store_true", help="encrypt the login only")
    parser.add_argument("--query", required=True)
    arguments = parser.parse_args()
    options = {}
    if arguments.cafile:
        options["cafile"] = arguments.cafile
    if arguments.login_only:
        options["enc_login_only"] = True
    try:
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
