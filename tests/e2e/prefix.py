"""Prepares (create) or stops (stop) the Wine prefix the end-to-end tests share."""
import sys

import winekit

action, path = sys.argv[1], sys.argv[2]
prefix = winekit.Prefix(path)
if action == "create":
    prefix.create()
    prefix.set_version("win7")
elif action == "stop":
    prefix.stop()
else:
    sys.exit("usage: prefix.py create|stop PREFIX")
