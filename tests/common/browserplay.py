#!/usr/bin/python3
"""Opens a page in headless Chromium through its remote debugging port and
plays the page's first video element: prints one JSON line with what was
seen (the page's title, the number of video elements, the play result and the
video's currentTime after it advanced) and exits 0 when the video played.

Usage: browserplay.py CHROMIUM URL PROFILE_DIR TIMEOUT_SECONDS
Chromium is started with an argument vector and stopped by its PID."""
import json
import os
import subprocess
import sys
import time
import urllib.request

import websocket


def main():
    chromium, url, profile, timeout = sys.argv[1], sys.argv[2], sys.argv[3], float(sys.argv[4])
    deadline = time.monotonic() + timeout
    args = [chromium, "--headless=new", "--no-sandbox", "--disable-gpu",
            "--no-first-run", "--no-default-browser-check", "--mute-audio",
            "--autoplay-policy=no-user-gesture-required",
            "--user-data-dir=" + profile, "--remote-debugging-address=127.0.0.1",
            "--remote-debugging-port=0", "about:blank"]
    browser = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    result = {"played": False}
    try:
        port_file = os.path.join(profile, "DevToolsActivePort")
        while not os.path.exists(port_file) and time.monotonic() < deadline:
            time.sleep(0.1)
        with open(port_file) as f:
            port = int(f.readline().strip())
        pages = []
        while not pages and time.monotonic() < deadline:
            with urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port) as r:
                pages = [p for p in json.load(r) if p.get("type") == "page"]
            if not pages:
                time.sleep(0.1)
        ws = websocket.create_connection(pages[0]["webSocketDebuggerUrl"], timeout=timeout)
        ids = [0]

        def call(method, **params):
            ids[0] += 1
            ws.send(json.dumps({"id": ids[0], "method": method, "params": params}))
            while True:
                reply = json.loads(ws.recv())
                if reply.get("id") == ids[0]:
                    return reply.get("result", {})

        def evaluate(expression, awaitPromise=False):
            r = call("Runtime.evaluate", expression=expression, returnByValue=True,
                     awaitPromise=awaitPromise)
            return r.get("result", {}).get("value")

        call("Page.enable")
        call("Page.navigate", url=url)
        while time.monotonic() < deadline:
            if evaluate("document.readyState") == "complete" and evaluate(
                    "location.href") == url:
                break
            time.sleep(0.1)
        result["title"] = evaluate("document.title")
        result["videos"] = evaluate("document.querySelectorAll('video').length")
        result["play"] = evaluate(
            "(() => { const v = document.querySelector('video'); if (!v) return 'no video';"
            " v.muted = true; return v.play().then(() => 'playing', e => 'error: ' + e); })()",
            awaitPromise=True)
        while time.monotonic() < deadline:
            t = evaluate("document.querySelector('video') ? "
                         "document.querySelector('video').currentTime : -1")
            result["currentTime"] = t
            if isinstance(t, (int, float)) and t > 0.5:
                result["played"] = True
                break
            time.sleep(0.1)
        result["error"] = evaluate("(() => { const v = document.querySelector('video');"
                                   " return v && v.error ? v.error.message || v.error.code : null; })()")
        ws.close()
    finally:
        browser.terminate()
        try:
            browser.wait(10)
        except subprocess.TimeoutExpired:
            browser.kill()
            browser.wait()
    print(json.dumps(result))
    return 0 if result["played"] else 1


if __name__ == "__main__":
    sys.exit(main())
