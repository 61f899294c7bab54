#!/usr/bin/env python3
"""Lists the includes between the program's folders and fails on one that
runs the wrong way.

The folders of app/ form layers, each using only those below it:

    base        paths, message boxes, text helpers
    serverlist  the server table and the list files       (base)
    settings    the registry store and AppData             (base, serverlist)
    refresh     the refresh engine                         (base, settings, serverlist)
    launch      the game and the messenger                 (base, settings)
    net         the web and the UDP masters                (base, settings, serverlist)
    ui          windows, dialogs, views                    (all of the above, resources)

The files at app/'s top (the start-up and the program entry) and the tests
may include anything. Usage: tools/scripts/check-layers.py [APP_FOLDER]
"""
import os
import re
import sys

ALLOWED = {
    "base": set(),
    "resources": set(),
    "serverlist": {"base"},
    "settings": {"base", "serverlist"},
    "refresh": {"base", "settings", "serverlist"},
    "launch": {"base", "settings"},
    "net": {"base", "settings", "serverlist"},
    "ui": {"base", "settings", "serverlist", "refresh", "launch", "net", "resources"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def main():
    app = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "app")
    app = os.path.normpath(app)
    folders = sorted(f for f in os.listdir(app) if os.path.isdir(os.path.join(app, f)))
    uses = {}
    bad = []
    for folder in folders:
        if folder not in ALLOWED:
            if folder != "tests":
                bad.append(f"{folder}/: a folder the layers do not name (add it to {__file__})")
            continue
        for root, _, files in os.walk(os.path.join(app, folder)):
            if os.path.relpath(root, app).split(os.sep)[1:2] in (["tests"], ["fuzz"]):
                continue  # tests beside the code may include anything
            for name in sorted(files):
                if not name.endswith((".h", ".cpp", ".c", ".rc")):
                    continue
                path = os.path.join(root, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m or "/" not in m.group(1):
                            continue
                        target = m.group(1).split("/")[0]
                        if target not in folders or target == folder:
                            continue
                        uses.setdefault(folder, set()).add(target)
                        if target not in ALLOWED[folder]:
                            rel = os.path.relpath(path, app)
                            bad.append(f"app/{rel}:{number}: {folder}/ includes {m.group(1)}")
    for folder in folders:
        if folder in ALLOWED:
            print(f"{folder + '/':12} includes {', '.join(sorted(uses.get(folder, []))) or '-'}")
    if bad:
        print("\nIncludes that run the wrong way:", file=sys.stderr)
        for line in bad:
            print("  " + line, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
