"""Builds the seed database from its SQL script: make_seed_db.py SCRIPT OUTPUT.

The file is written beside OUTPUT and renamed into place, so a failed run leaves no
half-made database behind.
"""
import os
import sqlite3
import sys


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_seed_db.py SCRIPT OUTPUT")
    script, output = sys.argv[1], sys.argv[2]
    with open(script, encoding="utf-8") as f:
        sql = f.read()
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    temp = output + ".tmp"
    if os.path.exists(temp):
        os.remove(temp)
    db = sqlite3.connect(temp)
    try:
        db.executescript(sql)
        db.commit()
    finally:
        db.close()
    os.replace(temp, output)


if __name__ == "__main__":
    main()
