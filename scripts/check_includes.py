#!/usr/bin/env python3
"""Checks every #include under src/ against the one-way folder order written in src/LAYERS.

Usage: check_includes.py [SRC_DIR]   (default: the src/ folder beside this script's folder)
Prints one line per offending include and exits 1 when there is any; exits 0 and prints nothing otherwise.
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCE_SUFFIXES = ('.h', '.hpp', '.cpp', '.cc')


class Layers:
    def __init__(self, text):
        self.rank = {}  # folder -> line number among the folder lines
        self.exceptions = set()  # (file relative to src/, included header as written)
        self.errors = []
        rank = 0
        for number, raw in enumerate(text.splitlines(), 1):
            line = raw.split('#', 1)[0].split()
            if not line:
                continue
            if line[0] == 'except':
                if len(line) != 3:
                    self.errors.append(f'LAYERS:{number}: an exception names a file and a header: {raw.strip()}')
                else:
                    self.exceptions.add((line[1], line[2]))
                continue
            for folder in line:
                if folder in self.rank:
                    self.errors.append(f'LAYERS:{number}: {folder} is placed twice')
                self.rank[folder] = rank
            rank += 1


def folder_of(rel):
    """The layer folder of a path relative to src/ (the program's main.cpp belongs to app)."""
    parts = rel.split('/')
    return 'app' if len(parts) == 1 else parts[0]


def resolve(src_dir, including_dir, quote, name):
    """The included file relative to src/, or None when it is not one of src/'s own files."""
    bases = [including_dir, src_dir] if quote == '"' else [src_dir]
    for base in bases:
        path = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(path):
            rel = os.path.relpath(path, src_dir)
            return None if rel.startswith('..') else rel.replace(os.sep, '/')
    return None


def check(src_dir, layers_text):
    layers = Layers(layers_text)
    errors = list(layers.errors)
    used_exceptions = set()
    src_dir = os.path.abspath(src_dir)
    for entry in sorted(os.listdir(src_dir)):
        if os.path.isdir(os.path.join(src_dir, entry)) and entry not in layers.rank:
            errors.append(f'src/{entry}/ is not placed in src/LAYERS')
    for root, dirs, files in os.walk(src_dir):
        dirs.sort()
        for file in sorted(files):
            if not file.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(root, file)
            rel = os.path.relpath(path, src_dir).replace(os.sep, '/')
            own = folder_of(rel)
            if own not in layers.rank:
                continue  # reported above as an unplaced folder
            with open(path, encoding='utf-8', errors='replace') as f:
                lines = f.readlines()
            for number, line in enumerate(lines, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                quote, name = m.groups()
                target = resolve(src_dir, root, quote, name)
                if target is None:
                    if quote == '"' and not name.endswith('.moc') and not name.startswith('moc_'):
                        errors.append(f'src/{rel}:{number}: "{name}" is not a file under src/')
                    continue
                other = folder_of(target)
                if other == own:
                    continue
                if other not in layers.rank:
                    continue  # reported above as an unplaced folder
                if layers.rank[other] < layers.rank[own]:
                    continue
                if (rel, name) in layers.exceptions:
                    used_exceptions.add((rel, name))
                    continue
                why = 'is its peer' if layers.rank[other] == layers.rank[own] else 'stands above it'
                errors.append(f'src/{rel}:{number}: includes {name}, but {own} may not include {other} '
                              f'({other} {why} in src/LAYERS)')
    for rel, name in sorted(layers.exceptions - used_exceptions):
        errors.append(f'src/LAYERS: the exception "{rel} {name}" no longer occurs: remove it')
    return errors


def main(argv):
    src_dir = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src')
    layers_path = os.path.join(src_dir, 'LAYERS')
    try:
        with open(layers_path, encoding='utf-8') as f:
            text = f.read()
    except OSError as e:
        print(f'{layers_path}: {e.strerror}', file=sys.stderr)
        return 2
    errors = check(src_dir, text)
    for e in errors:
        print(e)
    return 1 if errors else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
