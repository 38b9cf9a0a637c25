#!/usr/bin/env python3
"""Opens a shared sheet's page in headless Chromium as a guest's phone would, checks that the sheet
shows, takes a screenshot, presses the download button and prints the downloaded file's path.

usage: browser_check.py URL WORKDIR    (exit 0 and "download: PATH" on success)
"""
import glob
import os
import sys
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By


def main():
    url, work = sys.argv[1], sys.argv[2]
    downloads = os.path.join(work, "downloads")
    os.makedirs(downloads, exist_ok=True)
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for arg in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--disable-dev-shm-usage", "--window-size=412,915",
                "--user-data-dir=" + os.path.join(work, "profile")):
        options.add_argument(arg)
    options.add_experimental_option("prefs", {
        "download.default_directory": downloads,
        "download.prompt_for_download": False,
        "safebrowsing.enabled": False,
    })
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.set_page_load_timeout(30)
        # Downloads from a headless browser need to be allowed explicitly.
        driver.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
        driver.get(url)
        sheet = driver.find_element(By.CSS_SELECTOR, "img[alt='The photo sheet']")
        deadline = time.time() + 15
        while time.time() < deadline and not driver.execute_script(
                "return arguments[0].complete && arguments[0].naturalWidth > 0", sheet):
            time.sleep(0.1)
        width = driver.execute_script("return arguments[0].naturalWidth", sheet)
        shown = driver.execute_script("return arguments[0].getBoundingClientRect().width", sheet)
        print("sheet: %d px, shown %d px wide" % (width, shown))
        if width <= 0 or shown <= 100:
            print("the sheet is not shown", file=sys.stderr)
            return 1
        driver.save_screenshot(os.path.join(work, "page.png"))
        driver.find_element(By.LINK_TEXT, "Download the sheet").click()
        deadline = time.time() + 20
        while time.time() < deadline:
            done = [f for f in glob.glob(os.path.join(downloads, "*"))
                    if not f.endswith(".crdownload") and not f.endswith(".tmp")]
            if done:
                time.sleep(0.2)
                print("download: " + done[0])
                return 0
            time.sleep(0.1)
        print("no download arrived", file=sys.stderr)
        return 1
    finally:
        driver.quit()


if __name__ == "__main__":
    sys.exit(main())
