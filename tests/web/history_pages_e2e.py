#!/usr/bin/python3
"""The web board's pages "Verlauf" and "Statuszeiten" end to end: a board with a day of
receptions behind it (history_board_server), a headless Chromium on them. A search finds a
page by a word of its text, results come in pages, the CSV holds what was found, a bad field
is refused in German, the day's timeline shows a bar per status in the status colours and
the missions table the steps; without the key nothing is answered, and a board without a
history says so.

Usage: history_pages_e2e.py HISTORY_BOARD_SERVER"""

import http.client
import re
import subprocess
import sys

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

SERVER = sys.argv[1]
KEY = "geheim-1234"
failures = []


def check(ok, what):
    print(("ok      " if ok else "FEHLER  ") + what, flush=True)
    if not ok:
        failures.append(what)


def browser():
    o = Options()
    for a in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1280,900"):
        o.add_argument(a)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=o)


def status_of(port, path):
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    c.request("GET", path)
    r = c.getresponse()
    r.read()
    c.close()
    return r.status


def rows(d):
    # Read in one step in the page: the table is redrawn while a search answers, and rows
    # fetched one by one could be gone before their cells are.
    return d.execute_script(
        "return Array.from(document.querySelectorAll('table tbody tr'),"
        " tr => Array.from(tr.querySelectorAll('td'), td => td.textContent));")


def message(d):
    return d.find_element(By.ID, "meldung").get_attribute("textContent")


def search_page(d, base):
    d.get(base + "?key=" + KEY)
    links = [a.get_attribute("textContent") for a in d.find_elements(By.CSS_SELECTOR, "header .seiten a")]
    check(links == ["Verlauf", "Statuszeiten"], "die Statusanzeige verweist auf beide Seiten: %r" % links)
    d.get(base + "verlauf?protokoll=pocsag")
    WebDriverWait(d, 10).until(lambda x: len(rows(x)) == 50)
    check(rows(d)[0][2] == "1234500" and rows(d)[1][2] == "1300179", "neueste zuerst: %r" % rows(d)[:2])
    d.find_element(By.ID, "aelter").click()
    WebDriverWait(d, 10).until(lambda x: "Seite 2" in x.find_element(By.ID, "seite").text)
    check(len(rows(d)) == 31 and rows(d)[-1][2] == "1300100", "die zweite Seite hält den Rest: %d" % len(rows(d)))
    box = d.find_element(By.NAME, "text")
    box.send_keys("lagerhalle")
    d.find_element(By.CSS_SELECTOR, "#suche button[type=submit]").click()
    WebDriverWait(d, 10).until(lambda x: len(rows(x)) == 1)
    found = rows(d)[0]
    check(found[2] == "1234500" and found[5] == "Brand Lagerhalle Industriestraße 7 <b>nicht fett</b>",
          "die Suche nach einem Wort findet die Seite, ihr Text als Text: %r" % found)
    check(d.find_elements(By.CSS_SELECTOR, "table b") == [], "kein Markup aus dem Text")
    csv = d.execute_async_script(
        "const done = arguments[0]; fetch(document.getElementById('csv').href).then(r => r.text()).then(done);")
    lines = csv.strip().split("\r\n")
    check(len(lines) == 2 and lines[0].startswith("Zeit;Protokoll;") and "Lagerhalle" in lines[1],
          "das CSV hält den Fund: %r" % lines)
    box.clear()
    d.find_element(By.NAME, "kennung").send_keys("1' OR 1=1")
    d.find_element(By.CSS_SELECTOR, "#suche button[type=submit]").click()
    WebDriverWait(d, 10).until(lambda x: "unzulässige Zeichen" in message(x))
    check(rows(d) == [], "ein unzulässiges Feld findet nichts: " + message(d))


def status_page(d, base):
    d.get(base + "statuszeiten?tag=2025-12-08")
    WebDriverWait(d, 10).until(lambda x: len(x.find_elements(By.CSS_SELECTOR, "#zeitleiste .zeile")) == 2)
    bars = {}
    for line in d.find_elements(By.CSS_SELECTOR, "#zeitleiste .zeile"):
        bars[line.find_element(By.CLASS_NAME, "name").text] = [
            (int(r.get_attribute("data-status")), r.get_attribute("fill").lower())
            for r in line.find_elements(By.CSS_SELECTOR, "rect.balken")]
    check([s for s, _ in bars.get("HLF Süd 1", [])] == [2, 3, 4, 1, 2], "HLF: ein Balken je Status: %r" % bars)
    check([s for s, _ in bars.get("RTW Nord", [])] == [0, 3, 4, 7, 8, 1, 2], "RTW: ein Balken je Status: %r" % bars)
    legend = {e.text: e.value_of_css_property("background-color")
              for e in d.find_elements(By.CSS_SELECTOR, "#legende span")}
    check(legend.get("Status 3") == "rgba(255, 192, 192, 1)", "Status 3 in der Farbe der Tafel: %r" % legend)
    colour3 = {c for s, c in bars.get("RTW Nord", []) if s == 3}
    check(colour3 == {"#ffc0c0"}, "der Balken von Status 3 in derselben Farbe: %r" % colour3)
    missions = rows(d)
    check(len(missions) == 2, "zwei Einsätze: %r" % missions)
    hlf = [m for m in missions if m[0] == "HLF Süd 1"]
    check(hlf and hlf[0][3] == "0:02:00" and hlf[0][4] == "0:08:00" and hlf[0][8] == "0:40:00",
          "HLF: Alarm→3, 3→4 und Dauer: %r" % hlf)
    rtw = [m for m in missions if m[0] == "RTW Nord"]
    check(rtw and rtw[0][5] == "0:21:00" and rtw[0][6] == "0:20:00" and rtw[0][7] == "0:30:00",
          "RTW: 4→7, 7→8, 8→1/2: %r" % rtw)


def main():
    proc = subprocess.Popen([SERVER, KEY], stdout=subprocess.PIPE, text=True)
    try:
        first, second = proc.stdout.readline(), proc.stdout.readline()
        ports = [int(re.search(r":(\d+)/", line).group(1)) for line in (first, second)]
        with_history, without = ports
        check(status_of(with_history, "/verlauf/suche?text=Brand") == 401 and
              status_of(with_history, "/verlauf.csv") == 401 and status_of(with_history, "/statuszeiten/daten") == 401,
              "ohne Zugangsschlüssel keine Antwort aus dem Verlauf")
        check(status_of(without, "/verlauf/suche?unsinn=1") == 400, "ein unbekanntes Feld wird abgewiesen")
        d = browser()
        try:
            search_page(d, "http://127.0.0.1:%d/" % with_history)
            status_page(d, "http://127.0.0.1:%d/" % with_history)
            d.get("http://127.0.0.1:%d/verlauf" % without)
            WebDriverWait(d, 10).until(lambda x: "Kein Verlauf eingerichtet" in message(x))
            check(True, "ohne Verlauf sagt die Seite es")
        finally:
            d.quit()
    finally:
        proc.terminate()
        proc.wait(20)
    if failures:
        print("%d Prüfungen fehlgeschlagen" % len(failures))
        sys.exit(1)


main()
