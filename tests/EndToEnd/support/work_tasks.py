#!/usr/bin/env python3
"""Prints a stored workspace with the Work section selected, holding COUNT open
tasks titled "Task 0", "Task 1", ...; FIRST, when given, titles the first one.
Usage: work_tasks.py COUNT [FIRST]"""
import json
import sys
import uuid

count = int(sys.argv[1])
titles = [f"Task {k}" for k in range(count)]
if len(sys.argv) > 2 and titles:
    titles[0] = sys.argv[2]
sections = [{"id": id, "title": title, "kind": "builtIn", "sortOrder": order} for order, (id, title) in enumerate(
    [("section.work", "Work"), ("section.personal", "Personal"), ("section.home", "Home"), ("section.health", "Health")])]
tasks = [{"id": str(uuid.UUID(int=k + 1)).upper(), "title": title, "sectionID": "section.work",
          "priority": "low", "reasonText": "", "aiReasonSourceTitle": None, "aiStatesByWorkspace": {},
          "createdAt": 700000000 + k, "sortOrder": k, "isCompleted": False, "completedAt": None, "reminder": None}
         for k, title in enumerate(titles)]
print(json.dumps({"sections": sections, "tasks": tasks, "selectedWorkspaceID": "section.work",
                  "workspacePromptsByID": {}, "defaultPromptOverride": ""}))
