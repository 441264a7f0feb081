#!/usr/bin/env python3
"""Two rules on the includes of src/, read as the compiler reads them ("" next
to the including file first, then src/; <> from src/; every subfolder):

- folders: the graph of includes between the top folders of src/ has no cycle;
- libraries: quaverloom_core < quaverloom_ui < the control panel's objects, as
  the target_sources lists of src/**/CMakeLists.txt place each file; no file
  includes one of a library above its own.

Prints the folders from the bottom up, or each include that breaks a rule.
Usage: folder_layers.py [SRC]"""
import os
import re
import sys

LIBRARIES = {'quaverloom_core': 0, 'quaverloom_ui': 1, 'quaverloom_control_panel_objects': 2}
LIBRARY_NAMES = ['core', 'ui', 'control panel']
# The control-panel headers the program may include: the module's door, used
# through its factory and virtual functions only (the module is loaded at run
# time), and the headers the door itself includes for the types it names.
MODULE_DOOR = 'ControlPanel/ControlPanelModule.h'
SOURCE_SUFFIXES = ('.h', '.hh', '.hpp', '.hxx', '.h.in', '.c', '.cc', '.cpp', '.cxx', '.inl', '.ipp', '.tpp')
INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*([<"])([^>"\n]+)[>"]', re.M)
BLOCK_COMMENT = re.compile(r'/\*.*?\*/', re.S)
TARGET_SOURCES = re.compile(r'\btarget_sources\s*\(\s*([A-Za-z0-9_]+)([^)]*)\)', re.S | re.I)
CMAKE_KEYWORDS = {'PRIVATE', 'PUBLIC', 'INTERFACE'}


def source_files(src):
    """Every source file under src, as a path relative to src with / between parts."""
    for root, dirs, names in os.walk(src):
        dirs.sort()
        for name in sorted(names):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.relpath(os.path.join(root, name), src).replace(os.sep, '/')


def includes(src, rel):
    """(line, as written, resolved path relative to src) for each include that
    names a file of src; comments are blanked first, keeping the line count."""
    with open(os.path.join(src, rel), encoding='utf-8', errors='replace') as f:
        text = f.read()
    text = BLOCK_COMMENT.sub(lambda m: '\n' * m.group(0).count('\n'), text)
    here = os.path.dirname(rel)
    for m in INCLUDE.finditer(text):
        delimiter, name = m.group(1), m.group(2).strip()
        candidates = ([os.path.join(here, name)] if delimiter == '"' else []) + [name]
        for candidate in candidates:
            resolved = os.path.normpath(candidate).replace(os.sep, '/')
            if not resolved.startswith('../') and os.path.isfile(os.path.join(src, resolved)):
                line = text.count('\n', 0, m.start()) + 1
                closing = '>' if delimiter == '<' else '"'
                yield line, delimiter + name + closing, resolved
                break


def listed_libraries(src):
    """The library of each file a target_sources list of src/**/CMakeLists.txt
    names (relative to src); headers join the library of their .cpp."""
    placed = {}
    project = os.path.dirname(os.path.abspath(src))
    for root, dirs, names in os.walk(src):
        dirs.sort()
        if 'CMakeLists.txt' not in names:
            continue
        with open(os.path.join(root, 'CMakeLists.txt'), encoding='utf-8') as f:
            text = re.sub(r'#[^\n]*', '', f.read())
        for m in TARGET_SOURCES.finditer(text):
            if m.group(1) not in LIBRARIES:
                continue
            for word in m.group(2).split():
                if word in CMAKE_KEYWORDS:
                    continue
                word = word.replace('${CMAKE_CURRENT_SOURCE_DIR}', root).replace('${PROJECT_SOURCE_DIR}', project)
                path = os.path.relpath(os.path.normpath(os.path.join(root, word)), src).replace(os.sep, '/')
                if '$' not in path and not path.startswith('../'):
                    placed[path] = LIBRARIES[m.group(1)]
    for path, level in list(placed.items()):
        stem, suffix = os.path.splitext(path)
        if suffix in ('.cpp', '.cc', '.cxx'):
            for header in ('.h', '.hh', '.hpp'):
                placed.setdefault(stem + header, level)
    return placed


def fewest_upward(cyclic, edges):
    """The order of the folders on a cycle that the fewest includes point
    upwards against, and those includes (exact over every order, by subsets)."""
    if len(cyclic) > 16:
        return [w for f in cyclic for t in sorted(set(edges[f]) & set(cyclic)) for w in edges[f][t]], cyclic
    count = [[len(edges[a].get(b, [])) for b in cyclic] for a in cyclic]
    best = {0: (0, None)}  # folders placed so far, bottom first -> (upward includes, folder placed last)
    for placed in range(1 << len(cyclic)):
        if placed not in best:
            continue
        for top in range(len(cyclic)):
            if placed >> top & 1:
                continue
            cost = best[placed][0] + sum(count[below][top] for below in range(len(cyclic)) if placed >> below & 1)
            if (placed | 1 << top) not in best or cost < best[placed | 1 << top][0]:
                best[placed | 1 << top] = (cost, top)
    order, placed = [], (1 << len(cyclic)) - 1
    while placed:
        top = best[placed][1]
        order.insert(0, cyclic[top])
        placed &= ~(1 << top)
    return [w for i, f in enumerate(order) for t in order[:i] for w in edges[t].get(f, [])], order


def check(src):
    """(problems, folders from the bottom up); no problems means both rules hold."""
    files = list(source_files(src))
    graph = {rel: list(includes(src, rel)) for rel in files}
    problems = []

    folders = sorted(d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d)))
    edges = {f: {} for f in folders}
    for rel, found in graph.items():
        folder = rel.split('/')[0]
        if folder not in edges:
            continue
        for line, written, target in found:
            other = target.split('/')[0]
            if other in edges and other != folder:
                edges[folder].setdefault(other, []).append(f'{rel}:{line} includes {written}')
    # Peel folders that include nothing left; whatever remains lies on a cycle.
    order, left = [], set(folders)
    while True:
        ready = sorted(f for f in left if not (set(edges[f]) & left))
        if not ready:
            break
        order += ready
        left -= set(ready)
    if left:
        upward, ordered = fewest_upward(sorted(left), edges)
        problems.append('The folders of src/ include each other in a cycle; the fewest includes that break it point '
                        'upwards in ' + ' < '.join(ordered) + ':')
        problems += ['  ' + where for where in upward]

    # A file no list names (a header alone, say) sits as low as what it includes allows.
    placed = listed_libraries(src)
    level, why = {}, {}

    def level_of(rel):
        if rel in placed:
            return placed[rel]
        if rel not in level:
            level[rel] = 0  # an include cycle among headers ends here
            for _, _, target in graph.get(rel, []):
                if level_of(target) > level[rel]:
                    level[rel], why[rel] = level_of(target), target
        return level[rel]

    door = {MODULE_DOOR} | {target for _, _, target in graph.get(MODULE_DOOR, [])}
    wrong = []
    for rel in files:
        if rel not in placed:
            continue
        for line, written, target in graph[rel]:
            allowed = 2 if target in door and placed[rel] >= 1 else placed[rel]
            if level_of(target) > allowed:
                chain, step = [], target
                while step in why and why[step] not in chain:
                    step = why[step]
                    chain.append(step)
                via = f' (through {" -> ".join(chain)})' if chain else ''
                wrong.append(f'  {rel}:{line} ({LIBRARY_NAMES[placed[rel]]}) includes {written}, '
                             f'which is {LIBRARY_NAMES[level_of(target)]}{via}')
    if wrong:
        problems.append('Files include files of a library above their own (core < ui < control panel):')
        problems += wrong
    return problems, order


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', '..', 'src')
    problems, order = check(src)
    if problems:
        print('\n'.join(problems))
        sys.exit(1)
    print('Folders from the bottom up: ' + ' < '.join(order))
    print('No file includes one of a library above its own (core < ui < control panel).')


if __name__ == '__main__':
    main()
