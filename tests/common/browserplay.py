#!/usr/bin/python3
"""Opens a page in headless Chromium through its remote debugging port.

Usage: browserplay.py CHROMIUM URL PROFILE_DIR TIMEOUT_SECONDS [WxH ...]

Without sizes, plays the page's first video element: prints one JSON line
with what was seen (the page's title, the number of video elements, the play
result and the video's currentTime after it advanced) and exits 0 when the
video played.

With sizes, loads the page in a window of each size (narrow ones as a phone
would show it) and prints one JSON line per size with what a user meets
there: the page's width against the window's, and for each entry of the
list its text fields, the size of its picture against the size it is shown
at, and whether its video played; the same for the live picture when there
is one. Exits 0 when the page loaded at every size; the caller judges.

Chromium is started with an argument vector in a fresh profile folder and
stopped by its PID."""
import json
import os
import subprocess
import sys
import time
import urllib.request

import websocket

# Plays a video muted until its time has advanced half a second past where
# it started: {played, time, error}.
PLAY_FOR = """
async function playFor(v, timeoutMs) {
  v.scrollIntoView({block: 'center'});
  v.muted = true;
  const started = performance.now();
  let error = null;
  try { await v.play(); } catch (e) { error = String(e); }
  const from = v.currentTime;
  while (!error && !v.error && v.currentTime - from < 0.5 &&
         performance.now() - started < timeoutMs)
    await new Promise(r => setTimeout(r, 50));
  const played = !v.error && v.currentTime - from >= 0.5;
  v.pause();
  return {played: played, time: v.currentTime,
          error: error || (v.error ? (v.error.message || String(v.error.code)) : null)};
}
"""

# The width a picture of w x h takes inside its element, as the element's
# object-fit lays it out.
SHOWN_WIDTH = """
function shownWidth(el, w, h) {
  if (!w || !h) return 0;
  const fit = getComputedStyle(el).objectFit, bw = el.clientWidth, bh = el.clientHeight;
  const s = fit === 'contain' ? Math.min(bw / w, bh / h)
          : fit === 'scale-down' ? Math.min(1, bw / w, bh / h)
          : fit === 'none' ? 1
          : fit === 'cover' ? Math.max(bw / w, bh / h) : bw / w;
  return Math.round(w * s);
}
"""

# What one size of window shows.
LOOK_AT_PAGE = PLAY_FOR + SHOWN_WIDTH + """
(async () => {
  const text = (e, q) => { const f = e.querySelector(q); return f ? f.textContent.trim() : null; };
  const out = {width: window.innerWidth, scrollWidth: document.documentElement.scrollWidth,
               entries: []};
  for (const e of document.querySelectorAll('.entry')) {
    const r = {id: e.dataset.id, name: text(e, '.name'), date: text(e, '.date'),
               size: text(e, '.size'), duration: text(e, '.duration'),
               right: Math.ceil(e.getBoundingClientRect().right)};
    const v = e.querySelector('video');
    const img = e.querySelector('img');
    if (v) {
      r.play = await playFor(v, 10000);
      r.pictureWidth = v.videoWidth;
      r.shownWidth = shownWidth(v, v.videoWidth, v.videoHeight);
      r.duration = text(e, '.duration');
    } else if (img) {
      if (!img.complete) await new Promise(ok => { img.onload = img.onerror = ok; });
      r.pictureWidth = img.naturalWidth;
      r.shownWidth = shownWidth(img, img.naturalWidth, img.naturalHeight);
    }
    out.entries.push(r);
  }
  const live = document.querySelector('#live');
  if (live) {
    out.live = await playFor(live, 20000);
    out.liveNote = text(document, '.live .note');
  }
  out.scrollWidthAfter = document.documentElement.scrollWidth;
  return out;
})()
"""


class Browser:
    def __init__(self, chromium, profile, deadline):
        self.deadline = deadline
        args = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                "--no-first-run", "--disable-background-networking",
                "--disable-component-update", "--disable-sync",
                "--no-default-browser-check", "--mute-audio",
                "--autoplay-policy=no-user-gesture-required",
                "--user-data-dir=" + profile, "--remote-debugging-address=127.0.0.1",
                "--remote-debugging-port=0", "about:blank"]
        self.process = subprocess.Popen(args, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.ws = None
        self.ids = 0

    def connect(self, profile):
        deadline = self.deadline
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
        self.ws = websocket.create_connection(pages[0]["webSocketDebuggerUrl"],
                                              timeout=max(1, deadline - time.monotonic()))
        self.call("Page.enable")

    def call(self, method, **params):
        self.ids += 1
        self.ws.send(json.dumps({"id": self.ids, "method": method, "params": params}))
        while True:
            reply = json.loads(self.ws.recv())
            if reply.get("id") == self.ids:
                return reply.get("result", {})

    def evaluate(self, expression, awaitPromise=False):
        r = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                      awaitPromise=awaitPromise)
        return r.get("result", {}).get("value")

    def open(self, url):
        self.call("Page.navigate", url=url)
        while time.monotonic() < self.deadline:
            if self.evaluate("document.readyState") == "complete" and self.evaluate(
                    "location.href") == url:
                return True
            time.sleep(0.1)
        return False

    def close(self):
        if self.ws:
            self.ws.close()
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def play_first_video(browser, url):
    result = {"played": False}
    browser.open(url)
    result["title"] = browser.evaluate("document.title")
    result["videos"] = browser.evaluate("document.querySelectorAll('video').length")
    result["play"] = browser.evaluate(
        "(() => { const v = document.querySelector('video'); if (!v) return 'no video';"
        " v.muted = true; return v.play().then(() => 'playing', e => 'error: ' + e); })()",
        awaitPromise=True)
    while time.monotonic() < browser.deadline:
        t = browser.evaluate("document.querySelector('video') ? "
                             "document.querySelector('video').currentTime : -1")
        result["currentTime"] = t
        if isinstance(t, (int, float)) and t > 0.5:
            result["played"] = True
            break
        time.sleep(0.1)
    result["error"] = browser.evaluate(
        "(() => { const v = document.querySelector('video');"
        " return v && v.error ? v.error.message || v.error.code : null; })()")
    print(json.dumps(result))
    return 0 if result["played"] else 1


def look_at_sizes(browser, url, sizes):
    ok = True
    for size in sizes:
        width, height = (int(n) for n in size.split("x"))
        browser.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                     deviceScaleFactor=1, mobile=width < 600)
        loaded = browser.open(url)
        seen = browser.evaluate(LOOK_AT_PAGE, awaitPromise=True) if loaded else None
        ok = ok and seen is not None
        print(json.dumps({"window": size, "page": seen}))
        sys.stdout.flush()
    return 0 if ok else 1


def main():
    chromium, url, profile, timeout = sys.argv[1], sys.argv[2], sys.argv[3], float(sys.argv[4])
    sizes = sys.argv[5:]
    browser = Browser(chromium, profile, time.monotonic() + timeout)
    try:
        browser.connect(profile)
        return look_at_sizes(browser, url, sizes) if sizes else play_first_video(browser, url)
    finally:
        browser.close()


if __name__ == "__main__":
    sys.exit(main())
