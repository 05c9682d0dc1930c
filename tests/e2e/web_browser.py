"""The web view's page in headless Chromium, driven by Selenium.

Arguments: URL SHOTS_FOLDER PAGE_PICTURE.  Checks that the live picture
updates, that the screenshot button writes a BMP that the list then shows
(as PNG), and that a recording in the list plays in its <video> element;
saves a picture of the page to PAGE_PICTURE.  Exits non-zero on a failure.
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from headless_chromium import headless_chromium  # noqa: E402

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

url, shots, picture = sys.argv[1:4]


def fail(text):
    print("FAIL: " + text, file=sys.stderr)
    sys.exit(1)


def wait(driver, what, condition, seconds=15):
    try:
        return WebDriverWait(driver, seconds, poll_frequency=0.2).until(lambda d: condition(d))
    except Exception:
        fail(what)


with headless_chromium("--window-size=1100,1300") as driver:
    driver.get(url)
    live = driver.find_element(By.ID, "live")
    wait(driver, "the live picture does not load",
         lambda d: d.execute_script("return arguments[0].naturalWidth", live) > 0)
    first = live.screenshot_as_png
    changed = wait(driver, "the live picture does not change",
                   lambda d: live.screenshot_as_png != first, 10)

    before = set(os.listdir(shots))
    driver.find_element(By.ID, "screenshot").click()
    wait(driver, "the page does not come back after the screenshot button",
         lambda d: d.find_elements(By.ID, "files") and
         any(n.endswith(".bmp") for n in set(os.listdir(shots)) - before))
    new = sorted(set(os.listdir(shots)) - before)
    names = [e.text for e in driver.find_elements(By.CSS_SELECTOR, "#files td.name")]
    if new[0] not in names:
        fail("the list does not show %s: %s" % (new[0], names))
    shot = driver.find_element(By.CSS_SELECTOR, "img.shot[src$='%s.png']" % new[0])
    wait(driver, "the shot's PNG does not load",
         lambda d: d.execute_script("return arguments[0].complete && arguments[0].naturalWidth", shot) > 0)

    videos = driver.find_elements(By.TAG_NAME, "video")
    if not videos:
        fail("no recording plays in the page")
    video = videos[0]
    driver.execute_script("arguments[0].muted = true; arguments[0].play();", video)
    wait(driver, "the recording does not play",
         lambda d: d.execute_script("return arguments[0].currentTime", video) > 0.3)
    # Seeking needs ranges: a jump back to the start plays on from there.
    driver.execute_script("arguments[0].currentTime = 0.1;", video)
    wait(driver, "the recording does not seek",
         lambda d: d.execute_script("return arguments[0].seeking", video) is False)
    driver.execute_script("arguments[0].pause(); window.scrollTo(0, 0);", video)
    time.sleep(0.5)
    driver.save_screenshot(picture)
    print("web page: live picture changes, %s listed, recording plays" % new[0])
