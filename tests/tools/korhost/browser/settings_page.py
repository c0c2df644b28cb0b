"""kor-host's settings page driven as a person uses it, in headless chromium.

Run by scripts/test-browser against a kor-host serving the demo installation;
the scenarios build on each other in order (log in first, then change, ...).
"""
import argparse
import json
import os
import sys
import time
import traceback
import urllib.error
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

API = "/kor-game-settings/v1"


class Page:
    def __init__(self, args):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", "--window-size=1280,960", f"--user-data-dir={args.profile}"):
            options.add_argument(flag)
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.url = args.url
        self.game = args.game

    def wait(self, what, condition, timeout=10):
        return WebDriverWait(self.driver, timeout).until(lambda _: condition(), message=what)

    def find(self, css):
        return self.driver.find_element(By.CSS_SELECTOR, css)

    def text(self, css):
        found = self.driver.find_elements(By.CSS_SELECTOR, css)
        return found[0].text if found else None

    def setting(self, kind, section, name):
        """The row of one setting, its section opened."""
        details = self.find(f'#{kind}-sections details[data-section="{section}"]')
        if details.get_attribute("open") is None:
            details.find_element(By.TAG_NAME, "summary").click()
        return details.find_element(By.CSS_SELECTOR, f'[data-key="{section}/{name}"]')

    def binding(self, event):
        return self.find(f'#binding-rows tr[data-event="GameEvents/{event}"]')

    def combo(self, event, slot):
        return self.binding(event).find_elements(By.CSS_SELECTOR, "button.combo")[slot].text

    def file(self, relative):
        with open(os.path.join(self.game, relative), encoding="utf-8") as f:
            return f.read()

    def http(self, method, path, body, content_type="application/json"):
        request = urllib.request.Request(self.url + path, data=body.encode(), method=method,
                                         headers={"Content-Type": content_type})
        with urllib.request.urlopen(request, timeout=10) as answer:
            return answer.status


def log_in(page):
    page.driver.get(page.url + "/")
    page.wait("the page follows the event stream", lambda: page.text("#connection") == "live")
    account = page.find("#login-account")
    account.clear()
    account.send_keys("1001", Keys.ENTER)  # Enter submits the form
    page.wait("the host shows the user", lambda: page.text("#host-user").startswith("account 1001,"))
    page.wait("the plug-in loaded the settings", lambda: page.text("#plugin-ready") == "yes")
    page.wait("the key bindings are listed", lambda: page.driver.find_elements(By.CSS_SELECTOR, "#binding-rows tr"))


def change_a_number(page):
    row = page.setting("game", "HUD", "ChatScale")
    control = row.find_element(By.TAG_NAME, "input")
    assert control.get_attribute("type") == "number"
    assert "default 100" in row.text, row.text
    control.send_keys(Keys.CONTROL, "a")
    control.send_keys("120", Keys.ENTER)
    page.wait("Game.cfg holds the number", lambda: "ChatScale=120" in page.file("Config/Game.cfg"))
    page.wait("the setting is marked changed", lambda: "changed" in row.get_attribute("class"))


def change_a_boolean(page):
    row = page.setting("game", "Volume", "SfxMute")
    control = row.find_element(By.TAG_NAME, "input")
    assert control.get_attribute("type") == "checkbox" and not control.is_selected()
    control.send_keys(Keys.SPACE)  # as from the keyboard
    page.wait("Game.cfg holds the boolean", lambda: "SfxMute=1" in page.file("Config/Game.cfg"))
    page.wait("the box stays ticked", control.is_selected)


def rebind_keys(page):
    page.find("#binding-filter").send_keys("CastSpell")
    # A combination with modifiers, in the bindings' own form.
    button = page.binding("evtCastSpell3").find_elements(By.CSS_SELECTOR, "button.combo")[0]
    button.send_keys(Keys.ENTER)  # starts listening for keys
    button.send_keys(Keys.CONTROL, Keys.SHIFT, "e")
    page.wait("the modified combination is bound", lambda: page.combo("evtCastSpell3", 0) == "[Ctrl][Shift][e]")
    # [q] belongs to evtCastSpell1: binding it to evtCastSpell2 takes it away.
    assert page.combo("evtCastSpell1", 0) == "[q]"
    page.binding("evtCastSpell2").find_elements(By.CSS_SELECTOR, "button.combo")[0].click()
    page.driver.switch_to.active_element.send_keys("q")
    page.wait("the new binding shows", lambda: page.combo("evtCastSpell2", 0) == "[q]")
    page.wait("the conflict is unbound", lambda: page.combo("evtCastSpell1", 0) == "[<Unbound>]")
    ini = page.file("Config/Input.ini")
    for line in ("evtCastSpell1=[<Unbound>]", "evtCastSpell2=[q]", "evtCastSpell3=[Ctrl][Shift][e]"):
        assert line in ini, f"{line} not in Input.ini:\n{ini}"
    # Escape leaves a binding as it was.
    button.send_keys(Keys.ENTER)
    button.send_keys(Keys.ESCAPE)
    assert page.combo("evtCastSpell3", 0) == "[Ctrl][Shift][e]"
    time.sleep(1.7)  # the flash of the changed rows fades before the picture
    page.driver.save_screenshot(SCREENSHOT)


def outside_change_shows_live(page):
    status = page.http("PATCH", f"{API}/game-settings", json.dumps({"HUD": {"ChatScale": 77}}))
    assert status == 200, status
    control = page.setting("game", "HUD", "ChatScale").find_element(By.TAG_NAME, "input")
    page.wait("the page shows the change without a reload", lambda: control.get_attribute("value") == "77")
    page.wait("the event is listed", lambda: "Update game-settings" in page.text("#events"))


def error_answer_shown(page):
    # Game.cfg cannot be written while a folder stands in its place: the
    # plug-in answers an error, which shows beside the control, and the
    # control returns to the stored value.
    path = os.path.join(page.game, "Config/Game.cfg")
    os.rename(path, path + ".aside")
    os.mkdir(path)
    try:
        row = page.setting("game", "HUD", "ChatScale")
        control = row.find_element(By.TAG_NAME, "input")
        control.send_keys(Keys.CONTROL, "a")
        control.send_keys("55", Keys.ENTER)
        page.wait("the error shows", lambda: row.find_element(By.CSS_SELECTOR, ".error").text.startswith("500: "))
        page.wait("the control shows the stored value", lambda: control.get_attribute("value") == "77")
    finally:
        os.rmdir(path)
        os.rename(path + ".aside", path)


SCENARIOS = [log_in, change_a_number, change_a_boolean, rebind_keys, outside_change_shows_live, error_answer_shown]


def main():
    global SCREENSHOT
    parser = argparse.ArgumentParser()
    for name in ("--url", "--game", "--profile", "--screenshot"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    SCREENSHOT = args.screenshot
    page = Page(args)
    passed = failed = 0
    try:
        for scenario in SCENARIOS:
            try:
                scenario(page)
                passed += 1
                print(f"ok     {scenario.__name__}")
            except Exception:  # noqa: BLE001 - every failure is reported and counted
                failed += 1
                print(f"FAILED {scenario.__name__}\n{traceback.format_exc()}")
    finally:
        page.driver.quit()
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
