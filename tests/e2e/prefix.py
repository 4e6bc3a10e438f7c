"""Prepares (create) or stops (stop) the Wine prefix the end-to-end tests share, or checks
(wow64) that it can run the 32-bit product, saying in one line why not and what to do."""
import sys

import winekit

HOW = ("run scripts/install-deps.sh test as root (scripts/test.sh does), "
       "or configure with -DLAUNCHER_PRODUCT_TESTS=OFF to leave the product's cases out")


def wow64_problem(prefix):
    problem = winekit.wine32_problem()
    if problem:
        return "%s; %s" % (problem, HOW)
    if not prefix.has_wow64():
        return "the prefix %s has no 32-bit half; delete it and run again" % prefix.path
    return None


action, path = sys.argv[1], sys.argv[2]
prefix = winekit.Prefix(path)
if action == "create":
    prefix.create()
    prefix.set_version("win7")
elif action == "stop":
    prefix.stop()
elif action == "wow64":
    problem = wow64_problem(prefix)
    if problem:
        sys.exit("FAIL: the 32-bit product cannot run under Wine here: " + problem)
    print("ok: 32-bit programs run, and the prefix has its WoW64 half")
else:
    sys.exit("usage: prefix.py create|stop|wow64 PREFIX")
