#!/usr/bin/env python3
"""Writes the large seed inputs (too big to keep in the repository) into DIR/<target>/."""
import os
import sys

out = sys.argv[1]
for t in ("templates", "mounttable"):
    os.makedirs(os.path.join(out, t), exist_ok=True)

names = ["Dokumenter", "Bilder", "Økonomi", "Skole", "Årsrapport", "Kjøkken", "Hytta"]
lines = []
for i in range(10000):
    n = names[i % len(names)]
    lines.append('"%s %05d","C:\\Brukere\\Ola\\%s %d\\","D:\\Sikring\\%s\\",%s,%s,"",%s'
                 % (n, i, n, i, n, "-1" if i % 2 else "0", "-1" if i % 3 else "0", "-1" if i % 5 else "0"))
with open(os.path.join(out, "templates", "ti-tusen-maler.txt"), "wb") as f:
    f.write(("\r\n".join(lines) + "\r\n").encode("cp1252"))

with open(os.path.join(out, "mounttable", "tjue-tusen-linjer.txt"), "wb") as f:
    for i in range(20000):
        f.write(b"%d 22 0:%d / /mnt/v%d rw - ext4 /dev/x%d rw\n" % (100 + i, i % 97, i % 19990, i))
