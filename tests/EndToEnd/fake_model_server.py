#!/usr/bin/env python3
"""A tiny OpenAI-compatible model server for the end-to-end tests.

Listens on a free loopback port, writes the port to the file given as the
first argument and lists its models as servers that also hold embedding
models do: those first (one known by its name, one by its type, one marked
nowhere), the chat model "fake-model" last. A chat request for any other model
is refused at once as Ollama refuses it. Chat completions get one ranked item
per task line ("[n] ..." in the user message): a title with "tax" is high, one
with "dentist" medium, anything else low. Answers wait a moment so that the
sorting state can be seen. With "repeat-first" as the third argument the
answer numbers its items 1, 1, 2, ..., n-1 as a small model may: as many items
as tasks, the first task named twice and the last one not at all. With
"first-again" every task is named once and then the first once more, with
another priority: one item more than there are tasks. Each chat answer is
noted on stderr with its number of items.
"""
import json
import re
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

ANSWER_DELAY = float(sys.argv[2]) if len(sys.argv) > 2 else 2.0
MODE = sys.argv[3] if len(sys.argv) > 3 else ""
TASK_LINE = re.compile(r"^\[(\d+)\] (?:\[[^\]]*\] )?(.*)$")
CHAT_MODEL = "fake-model"
MODELS = [
    {"id": "nomic-embed-text:latest", "object": "model"},
    {"id": "vectors-mini", "object": "model", "type": "embeddings"},
    {"id": "text-encoder", "object": "model"},
    {"id": CHAT_MODEL, "object": "model", "type": "llm"},
]


def rank(title):
    lowered = title.lower()
    if "tax" in lowered:
        return "high", "The tax deadline is close and late filing costs money."
    if "dentist" in lowered:
        return "medium", "A health appointment to book this week."
    return "low", "A leisure task with no deadline."


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def reply(self, status, body):
        data = json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        if self.path.rstrip("/") == "/v1/models":
            self.reply(200, {"object": "list", "data": MODELS})
        else:
            self.reply(404, {"error": "not found"})

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        request = json.loads(self.rfile.read(length) or b"{}")
        if self.path.rstrip("/") != "/v1/chat/completions":
            self.reply(404, {"error": "not found"})
            return
        model = str(request.get("model", ""))
        if model != CHAT_MODEL:
            self.reply(400, {"error": {"message": '"%s" does not support chat' % model, "type": "api_error"}})
            return
        user = "\n".join(m.get("content", "") for m in request.get("messages", []) if m.get("role") == "user")
        items = []
        for line in user.splitlines():
            match = TASK_LINE.match(line.strip())
            if match:
                priority, why = rank(match.group(2))
                items.append({"taskIndex": int(match.group(1)), "priority": priority, "why": why})
        if MODE == "repeat-first":
            for position, item in enumerate(items):
                item["taskIndex"] = max(1, position)
        elif MODE == "first-again" and items:
            again = dict(items[0], priority="high" if items[0]["priority"] != "high" else "low")
            items.append(again)
        print("answered %d items" % len(items), file=sys.stderr, flush=True)
        time.sleep(ANSWER_DELAY)
        content = json.dumps({"items": items})
        self.reply(200, {
            "id": "fake", "object": "chat.completion", "model": CHAT_MODEL,
            "choices": [{"index": 0, "finish_reason": "stop",
                         "message": {"role": "assistant", "content": content}}],
        })


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
with open(sys.argv[1], "w") as port_file:
    port_file.write(str(server.server_address[1]))
server.serve_forever()
