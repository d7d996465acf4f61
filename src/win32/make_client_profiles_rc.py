#!/usr/bin/env python3
"""Writes the initialisation data of the client-profile list (combo box 1022) as a resource of type
240, read from the profile table in ClientPosition.h so that the list and the reader never differ:

    python3 make_client_profiles_rc.py ClientPosition.h ClientProfiles.rc

Each item is the text the window adds to the list, in code page 936 (the Chinese ANSI code page
the texts were written for) with its terminating zero; the window decodes it with that code page.
The data is a sequence of (control ID, message, byte count, bytes), ended by a zero word; the
message 0x0403 means "add a string to the combo box".
"""

import re
import sys

COMBO_ID = 1022
ADD_STRING = 0x0403
DIALOG_ID = 102
RESOURCE_TYPE = 240


def main():
    header, output = sys.argv[1], sys.argv[2]
    with open(header, encoding="utf-8") as f:
        texts = re.findall(r'ClientProfile\{"([^"]*)"', f.read())
    if not texts:
        sys.exit("no ClientProfile entries found in " + header)
    lines = ["// Made by make_client_profiles_rc.py from ClientPosition.h; do not edit.",
             "%d %d" % (DIALOG_ID, RESOURCE_TYPE), "BEGIN"]
    for text in texts:
        data = text.encode("cp936") + b"\0"
        octal = "".join("\\%03o" % byte for byte in data)
        lines.append('    %d, 0x%04x, %dL, "%s",' % (COMBO_ID, ADD_STRING, len(data), octal))
    lines += ["    0", "END", ""]
    with open(output, "w", encoding="ascii") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main()
