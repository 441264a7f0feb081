#!/usr/bin/env python3
"""Writes a stored workspace with a week of completed tasks and a few open ones.

Usage: control_panel_fixture.py TASKS_FILE [COMPLETED_PER_DAY...]
Dates are seconds since 2001-01-01 UTC, as the program stores them.
"""
import json
import sys
import time
import uuid

REFERENCE = 978307200
path = sys.argv[1]
per_day = [int(n) for n in sys.argv[2:]] or [2, 0, 3, 1, 4, 2, 3]
now = time.time() - REFERENCE
sections = [
    {"id": sid, "title": title, "kind": "builtIn", "sortOrder": i, "accent": None}
    for i, (sid, title) in enumerate(
        [("section.work", "Work"), ("section.personal", "Personal"), ("section.home", "Home"), ("section.health", "Health")]
    )
]
tasks = []
titles = ["Send the quarterly report", "Book the dentist", "Water the plants", "Review <b>pull</b> request & merge",
          "Call the bank", "Stretch for ten minutes", "Plan the team offsite", "Pick up groceries"]
order = {s["id"]: 0 for s in sections}
n = 0
for days_ago, count in enumerate(reversed(per_day)):
    for k in range(count):
        section = sections[n % 4]["id"]
        done = now - days_ago * 86400 - (k + 1) * 2400
        tasks.append({"id": str(uuid.uuid4()).upper(), "title": titles[n % len(titles)], "sectionID": section,
                      "priority": "low", "reasonText": "", "aiReasonSourceTitle": None, "aiStatesByWorkspace": {},
                      "createdAt": done - 7200, "sortOrder": order[section], "isCompleted": True,
                      "completedAt": done, "reminder": None})
        order[section] += 1
        n += 1
for i, title in enumerate(["Draft the newsletter", "Fix the bike", "Renew passport"]):
    section = sections[i % 4]["id"]
    tasks.append({"id": str(uuid.uuid4()).upper(), "title": title, "sectionID": section, "priority": "low",
                  "reasonText": "", "aiReasonSourceTitle": None, "aiStatesByWorkspace": {}, "createdAt": now - 600,
                  "sortOrder": order[section], "isCompleted": False, "completedAt": None, "reminder": None})
    order[section] += 1
state = {"sections": sections, "tasks": tasks, "selectedWorkspaceID": "workspace.all", "workspacePromptsByID": {},
         "defaultPromptOverride": ""}
with open(path, "w") as f:
    json.dump(state, f)
