#!/usr/bin/env python3
"""Each folder of src/ may include only folders below it: the graph of
`#include "<Folder>/..."` between folders must have no cycle. Prints the
folders from the bottom up, or the includes that close a cycle."""
import os
import re
import sys

src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', '..', 'src')
folders = sorted(d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d)))
include = re.compile(r'\s*#\s*include\s*"([A-Za-z]+)/([^"]+)"')
edges = {f: {} for f in folders}
for folder in folders:
    for name in sorted(os.listdir(os.path.join(src, folder))):
        path = os.path.join(src, folder, name)
        if not os.path.isfile(path):
            continue
        with open(path, encoding='utf-8', errors='replace') as text:
            for number, line in enumerate(text, 1):
                m = include.match(line)
                if m and m.group(1) in edges and m.group(1) != folder:
                    edges[folder].setdefault(m.group(1), []).append(f'{folder}/{name}:{number} includes {m.group(1)}/{m.group(2)}')

# Peel folders that include nothing left; whatever remains lies on a cycle.
order, left = [], set(folders)
while True:
    ready = sorted(f for f in left if not (set(edges[f]) & left))
    if not ready:
        break
    order += ready
    left -= set(ready)
if left:
    print('The folders of src/ include each other in a cycle; these includes point upwards or sideways:')
    for folder in sorted(left):
        for target in sorted(set(edges[folder]) & left):
            for where in edges[folder][target]:
                print('  ' + where)
    sys.exit(1)
print('Folders from the bottom up: ' + ' < '.join(order))
