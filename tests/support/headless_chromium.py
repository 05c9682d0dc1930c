"""Headless Chromium for the tests, driven by Selenium through chromedriver.

with headless_chromium(extra flags...) as driver: ... gives a driver whose
profile and temporary files live in a folder of their own, removed at the
end, so that no run leaves anything in /tmp.
"""
import contextlib
import os
import shutil
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

# Chromium in a container: no sandbox, no GPU, no /dev/shm; play unasked.
FLAGS = ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
         "--autoplay-policy=no-user-gesture-required"]


@contextlib.contextmanager
def headless_chromium(*extra_flags):
    scratch = tempfile.mkdtemp(prefix="lumora-browser-")
    options = webdriver.ChromeOptions()
    for flag in FLAGS + list(extra_flags) + ["--user-data-dir=" + os.path.join(scratch, "profile")]:
        options.add_argument(flag)
    options.binary_location = "/usr/bin/chromium"
    environment = dict(os.environ, TMPDIR=scratch)
    try:
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver", env=environment), options=options)
        try:
            yield driver
        finally:
            driver.quit()
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
