#!/usr/bin/env python3
"""Cases for scripts/check_includes.py: each builds a small src/ tree and names the faults the check must find."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'scripts'))
import check_includes  # noqa: E402

LAYERS = 'data\nwidgets\nrates ledger\napp\n'

# (case, files {path under src/: text}, extra LAYERS lines, substrings of the expected errors, in order)
CASES = [
    ('downward include', {'app/a.cpp': '#include "data/d.h"\n', 'data/d.h': ''}, '', []),
    ('upward include', {'data/d.cpp': '#include "widgets/w.h"\n', 'widgets/w.h': ''}, '',
     ['src/data/d.cpp:1: includes widgets/w.h']),
    ('peers', {'rates/r.cpp': '\n#include "ledger/l.h"\n', 'ledger/l.h': ''}, '', ['ledger is its peer']),
    ('relative and angled paths', {'widgets/ui/w.cpp': '#include "../../app/a.h"\n#include <ledger/l.h>\n',
                                   'app/a.h': '', 'ledger/l.h': ''}, '',
     ['widgets/ui/w.cpp:1:', 'widgets/ui/w.cpp:2:']),
    ('main.cpp is app', {'main.cpp': '#include "app/a.h"\n', 'app/a.h': '', 'data/d.cpp': '#include "main.cpp"\n'},
     '', ['data may not include app']),
    ('spaces after the hash', {'data/d.cpp': '#  include "app/a.h"\n', 'app/a.h': ''}, '', ['data/d.cpp:1:']),
    ('a header that is not there', {'app/a.cpp': '#include "tools/t.h"\n#include "a.moc"\n'}, '',
     ['"tools/t.h" is not a file under src/']),
    ('unplaced folder', {'extra/x.cpp': '#include "app/a.h"\n', 'app/a.h': ''}, '', ['src/extra/ is not placed']),
    ('exception in use', {'data/d.cpp': '#include "app/a.h"\n', 'app/a.h': ''}, 'except data/d.cpp app/a.h\n', []),
    ('stale exception', {'data/d.cpp': '', 'app/a.h': ''}, 'except data/d.cpp app/a.h\n',
     ['"data/d.cpp app/a.h" no longer occurs']),
]


class CheckIncludes(unittest.TestCase):
    def test_cases(self):
        for name, files, extra, expected in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as src:
                for path, text in files.items():
                    os.makedirs(os.path.dirname(os.path.join(src, path)), exist_ok=True)
                    with open(os.path.join(src, path), 'w', encoding='utf-8') as f:
                        f.write(text)
                errors = check_includes.check(src, LAYERS + extra)
                self.assertEqual(len(errors), len(expected), errors)
                for error, part in zip(errors, expected):
                    self.assertIn(part, error)


if __name__ == '__main__':
    unittest.main()
