#!/usr/bin/env python3
"""folder_layers.py catches each wrong include planted in a small tree of its
own, in every form the compiler reads, and passes on the real src/.
Usage: folder_layers_test.py SRC"""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import folder_layers  # noqa: E402

REAL_SRC = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'src')

# Platform < UI < Reminders < ControlPanel < Panel < App, with core, ui and
# control-panel files in the folders that hold them in the real tree.
FIXTURE = {
    'Platform/CMakeLists.txt': 'target_sources(quaverloom_core PRIVATE\n  Log.cpp\n)\n'
                               'target_sources(quaverloom_ui PRIVATE Screens.h)\n',
    'Platform/Log.h': '#pragma once\n',
    'Platform/Log.cpp': '#include "Platform/Log.h"\n',
    'Platform/Screens.h': '#pragma once\n#include <QScreen>\n',
    'UI/CMakeLists.txt': '# The shared pieces.\ntarget_sources(quaverloom_ui PRIVATE Motion.cpp)\n',
    'UI/Motion.h': '#pragma once\n#include "Platform/Log.h"\n',
    'UI/Motion.cpp': '#include "UI/Motion.h"\n// #include "Panel/ContentView.h"\n/* #include "Panel/ContentView.h"\n*/\n',
    'Reminders/CMakeLists.txt': 'target_sources(quaverloom_core PRIVATE Scheduler.cpp Math/Geometry.cpp)\n'
                                'target_sources(quaverloom_ui PRIVATE\n  Flight.cpp\n  ${PROJECT_SOURCE_DIR}/assets/r.qrc\n)\n',
    'Reminders/Presenting.h': '#pragma once\n#include "Platform/Log.h"\n',
    'Reminders/Scheduler.h': '#pragma once\n#include "Presenting.h"\n',
    'Reminders/Scheduler.cpp': '#include "Reminders/Scheduler.h"\n',
    'Reminders/Math/Geometry.h': '#pragma once\n',
    'Reminders/Math/Geometry.cpp': '#include "Geometry.h"\n#include "../Scheduler.h"\n',
    'Reminders/Flight.h': '#pragma once\n#include "UI/Motion.h"\n#include "Reminders/Presenting.h"\n',
    'Reminders/Flight.cpp': '#include "Reminders/Flight.h"\n',
    'ControlPanel/CMakeLists.txt': 'target_sources(quaverloom_core PRIVATE ViewModel.cpp)\n'
                                   'target_sources(quaverloom_control_panel_objects PRIVATE\n'
                                   '  Coordinator.cpp ControlPanelModule.cpp Page.cpp\n)\n',
    'ControlPanel/ViewModel.h': '#pragma once\n#include "Reminders/Scheduler.h"\n',
    'ControlPanel/ViewModel.cpp': '#include "ViewModel.h"\n',
    'ControlPanel/Coordinator.h': '#pragma once\n#include "ControlPanel/ViewModel.h"\n#include "UI/Motion.h"\n',
    'ControlPanel/Coordinator.cpp': '#include "ControlPanel/Coordinator.h"\n#include "ControlPanel/Page.h"\n',
    'ControlPanel/Page.h': '#pragma once\n#include "UI/Motion.h"\n',
    'ControlPanel/Page.cpp': '#include "Page.h"\n',
    'ControlPanel/ControlPanelModule.h': '#pragma once\n#include "ControlPanel/Coordinator.h"\n',
    'ControlPanel/ControlPanelModule.cpp': '#include "ControlPanel/ControlPanelModule.h"\n',
    'Panel/CMakeLists.txt': 'target_sources(quaverloom_ui PRIVATE ContentView.cpp Rows/RowView.cpp)\n',
    'Panel/ContentView.h': '#pragma once\n#include "UI/Motion.h"\n#include "Reminders/Flight.h"\n',
    'Panel/ContentView.cpp': '#include "ContentView.h"\n#include "Rows/RowView.h"\n#include "ControlPanel/ViewModel.h"\n',
    'Panel/Rows/RowView.h': '#pragma once\n#include "../../UI/Motion.h"\n',
    'Panel/Rows/RowView.cpp': '#include "RowView.h"\n#include <Panel/ContentView.h>\n',
    'App/CMakeLists.txt': 'target_sources(quaverloom_ui PRIVATE ModuleLoader.cpp)\n',
    'App/ModuleLoader.h': '#pragma once\n#include "Panel/ContentView.h"\n',
    'App/ModuleLoader.cpp': '#include "App/ModuleLoader.h"\n#include "ControlPanel/ControlPanelModule.h"\n'
                            '#include <ControlPanel/Coordinator.h>\n',
    'main.cpp': '#include "App/ModuleLoader.h"\n',
}


class FolderLayers(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.src = os.path.join(self.directory.name, 'src')
        for path, text in FIXTURE.items():
            self.write(path, text)

    def tearDown(self):
        self.directory.cleanup()

    def rebuild(self):
        self.tearDown()
        self.setUp()

    def write(self, path, text):
        full = os.path.join(self.src, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, 'w') as f:
            f.write(text)

    def plant(self, path, line):
        """Adds an include as the file's next line; returns where it stands."""
        text = FIXTURE.get(path, '#pragma once\n')
        self.write(path, text + line + '\n')
        return f'{path}:{text.count(chr(10)) + 1} '

    def assertCaught(self, where, heading):
        problems, _ = folder_layers.check(self.src)
        report = '\n'.join(problems)
        self.assertIn(heading, report)
        self.assertIn(where, report)

    def test_the_fixture_passes_as_built(self):
        problems, order = folder_layers.check(self.src)
        self.assertEqual(problems, [])
        self.assertEqual(order, ['Platform', 'UI', 'Reminders', 'ControlPanel', 'Panel', 'App'])

    def test_an_upward_include_in_any_form_closes_a_cycle(self):
        forms = [
            ('UI/Motion.cpp', '#include "Panel/ContentView.h"'),
            ('UI/Motion.cpp', '#include <Panel/ContentView.h>'),
            ('UI/Motion.cpp', '#include "../Panel/ContentView.h"'),
            ('UI/Motion.cpp', '  #  include\t"Panel/Rows/RowView.h"'),
            ('UI/Widgets/Knob.h', '#include "../../Panel/ContentView.h"'),
            ('UI/Widgets/Knob.h', '#include "Panel/Rows/RowView.h"'),
            ('Platform/Log.cpp', '#include "../Reminders/Math/Geometry.h"'),
        ]
        for path, line in forms:
            with self.subTest(line=line, path=path):
                self.rebuild()
                self.assertCaught(self.plant(path, line), 'cycle')

    def test_a_core_file_including_ui_or_control_panel_is_caught(self):
        # None of these closes a folder cycle: only the library rule sees them.
        cases = [
            ('Reminders/Scheduler.cpp', '#include "UI/Motion.h"'),
            ('Reminders/Scheduler.cpp', '#include "Flight.h"'),
            ('Reminders/Math/Geometry.cpp', '#include <UI/Motion.h>'),
            ('Platform/Log.cpp', '#include "Screens.h"'),
            ('ControlPanel/ViewModel.cpp', '#include "Page.h"'),
            ('ControlPanel/ViewModel.h', '#include "ControlPanel/ControlPanelModule.h"'),
        ]
        for path, line in cases:
            with self.subTest(line=line, path=path):
                self.rebuild()
                self.assertCaught(self.plant(path, line), 'library above')

    def test_a_header_no_list_names_carries_what_it_includes(self):
        self.plant('Reminders/Presenting.h', '#include "Reminders/Flight.h"')
        self.assertCaught('Reminders/Scheduler.h:2 (core) includes "Presenting.h", which is ui '
                          '(through Reminders/Flight.h)', 'library above')

    def test_a_ui_file_reaches_the_control_panel_only_through_the_module_door(self):
        self.assertCaught(self.plant('App/ModuleLoader.cpp', '#include "ControlPanel/Page.h"'), 'library above')
        self.rebuild()
        self.assertCaught(self.plant('Panel/Rows/RowView.h', '#include "../../ControlPanel/Page.h"'),
                          'library above')


class RealTree(unittest.TestCase):
    def test_src_keeps_both_rules(self):
        problems, order = folder_layers.check(REAL_SRC)
        self.assertEqual(problems, [], '\n' + '\n'.join(problems))
        print('\nFolders from the bottom up: ' + ' < '.join(order), file=sys.stderr)


if __name__ == '__main__':
    if len(sys.argv) > 1 and not sys.argv[1].startswith('-'):
        REAL_SRC = sys.argv.pop(1)
    unittest.main()
