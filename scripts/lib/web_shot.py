#!/usr/bin/python3
"""Opens URL in headless Chromium with software WebGL, waits (bounded) until the
page's canvas shows the lattice, saves a screenshot of the page to FILE, then
ends the program with Escape and checks the page reports exit code 0.

    web_shot.py URL FILE
"""
import base64
import sys
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

FLAGS = ["--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--use-gl=angle",
         "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--window-size=1400,900"]
# Share of the canvas that is lit once the grid is drawn (grey on black).
LIT = """
const c = document.getElementById('canvas');
const copy = document.createElement('canvas');
copy.width = 160; copy.height = 120;
const g = copy.getContext('2d');
g.drawImage(c, 0, 0, 160, 120);
const d = g.getImageData(0, 0, 160, 120).data;
let lit = 0;
for (let i = 0; i < d.length; i += 4) if (Math.max(d[i], d[i + 1], d[i + 2]) > 64) lit++;
return lit / (160 * 120);
"""


def main(url, path):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in FLAGS:
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.set_page_load_timeout(30)
        driver.get(url)
        deadline = time.monotonic() + 30
        lit = 0.0
        while time.monotonic() < deadline:
            # The canvas keeps no drawing between frames: copy it inside one.
            lit = driver.execute_async_script(
                "const done = arguments[0];"
                "requestAnimationFrame(() => { try { done((() => {" + LIT + "})()); } catch (e) { done(0); } });")
            if 0.02 < lit < 0.6:
                break
            time.sleep(0.2)
        shot = driver.execute_cdp_cmd("Page.captureScreenshot", {"format": "png"})
        with open(path, "wb") as f:
            f.write(base64.b64decode(shot["data"]))
        if not 0.02 < lit < 0.6:
            print(f"the page never showed the grid (lit share {lit:.3f}); screenshot in {path}", file=sys.stderr)
            return 1
        driver.execute_cdp_cmd("Input.dispatchKeyEvent", {"type": "rawKeyDown", "key": "Escape", "code": "Escape",
                                                          "windowsVirtualKeyCode": 27})
        driver.execute_cdp_cmd("Input.dispatchKeyEvent", {"type": "keyUp", "key": "Escape", "code": "Escape",
                                                          "windowsVirtualKeyCode": 27})
        deadline = time.monotonic() + 15
        code = None
        while code is None and time.monotonic() < deadline:
            code = driver.execute_script("return document.body.dataset.exitCode ?? null")
            time.sleep(0.1)
        if code != "0":
            print(f"the program did not end with 0 on Escape (page says {code})", file=sys.stderr)
            return 1
        return 0
    finally:
        driver.quit()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__)
        sys.exit(2)
    sys.exit(main(sys.argv[1], sys.argv[2]))
