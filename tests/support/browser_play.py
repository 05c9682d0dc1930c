#!/usr/bin/python3
"""Plays a video file in headless Chromium, as a user's browser would.

browser_play.py FILE: serves FILE's folder on 127.0.0.1 (a free port), opens
a page whose <video> element plays FILE, and waits until it has played to
its end, failed, or stopped making progress.  Prints one line:
    ended=1 duration=3.07 width=320 height=240 error=0
and exits 0 only when the video played to its end.
"""
import functools
import http.server
import os
import sys
import threading
import time

from headless_chromium import headless_chromium

PAGE = """<!doctype html><title>play</title>
<video id="v" src="{name}" muted autoplay playsinline></video>"""
STATE = ("const v = document.getElementById('v');"
         "return [v.ended, v.duration, v.videoWidth, v.videoHeight, v.error ? v.error.code : 0,"
         " v.currentTime];")
# Polls without progress before giving up (the browser stalled).
STALLED_POLLS = 40


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def play(driver, url):
    driver.get(url)
    last_time, still = -1.0, 0
    while True:
        ended, duration, width, height, error, now = driver.execute_script(STATE)
        if ended or error:
            return ended, duration, width, height, error
        still = still + 1 if now == last_time else 0
        if still > STALLED_POLLS:
            return ended, duration, width, height, error
        last_time = now
        time.sleep(0.25)


def main():
    path = os.path.abspath(sys.argv[1])
    folder, name = os.path.split(path)
    page = os.path.join(folder, "play.html")
    with open(page, "w") as out:
        out.write(PAGE.format(name=name))
    server = serve(folder)
    try:
        with headless_chromium() as driver:
            ended, duration, width, height, error = play(
                driver, "http://127.0.0.1:%d/play.html" % server.server_address[1])
    finally:
        server.shutdown()
        os.remove(page)
    print("ended=%d duration=%s width=%d height=%d error=%d" % (ended, duration, width, height, error))
    return 0 if ended else 1


if __name__ == "__main__":
    sys.exit(main())
