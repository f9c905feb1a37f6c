#!/usr/bin/python3
"""Sends requests to OBS Studio's websocket server (protocol 5) for the tests.

Usage: obsclient.py PORT TIMEOUT_SECONDS < requests.json
requests.json holds a list of {"requestType": ..., "requestData": {...}}.
The server's password, when it asks for one, comes from $OBS_WS_PASSWORD.
Connects (trying again until the time is up: OBS may still be starting),
sends the requests one after another and prints one JSON line per response:
{"requestType", "ok", "code", "comment", "data"}. Exits 2 when OBS could not
be reached.
"""
import base64
import hashlib
import json
import os
import sys
import time

import websocket


def main():
    port = int(sys.argv[1])
    deadline = time.monotonic() + float(sys.argv[2])
    requests = json.load(sys.stdin)
    ws = None
    while ws is None:
        try:
            ws = websocket.create_connection("ws://127.0.0.1:%d" % port, timeout=10)
        except (OSError, websocket.WebSocketException):
            if time.monotonic() > deadline:
                print("OBS did not answer on port %d" % port, file=sys.stderr)
                return 2
            time.sleep(0.25)
    hello = json.loads(ws.recv())
    if hello.get("op") != 0:
        print("no Hello from OBS: %r" % hello, file=sys.stderr)
        return 2
    identify = {"rpcVersion": 1, "eventSubscriptions": 0}
    challenge = hello["d"].get("authentication")
    if challenge:
        password = os.environ.get("OBS_WS_PASSWORD", "")
        secret = base64.b64encode(
            hashlib.sha256((password + challenge["salt"]).encode()).digest()).decode()
        identify["authentication"] = base64.b64encode(
            hashlib.sha256((secret + challenge["challenge"]).encode()).digest()).decode()
    ws.send(json.dumps({"op": 1, "d": identify}))
    identified = json.loads(ws.recv())
    if identified.get("op") != 2:
        print("not identified: %r" % identified, file=sys.stderr)
        return 2
    for number, request in enumerate(requests):
        request_id = "r%d" % number
        ws.send(json.dumps({"op": 6, "d": {"requestType": request["requestType"],
                                           "requestId": request_id,
                                           "requestData": request.get("requestData", {})}}))
        while True:
            message = json.loads(ws.recv())
            if message.get("op") == 7 and message["d"].get("requestId") == request_id:
                break
        status = message["d"]["requestStatus"]
        print(json.dumps({"requestType": request["requestType"],
                          "ok": status.get("result", False),
                          "code": status.get("code", 0),
                          "comment": status.get("comment", ""),
                          "data": message["d"].get("responseData", {})}))
        sys.stdout.flush()
    ws.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
