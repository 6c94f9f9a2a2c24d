#!/usr/bin/python3
"""The live web board end to end: a `kubmon run` replaying a recording with --http on a
free loopback port, a headless Chromium watching it. Receptions appear without reload, a
pager text holding markup shows as text and runs nothing, the board tiles carry the status
colours, ZVEI and POCSAG names carry their receiver's colour, the alert lists are there, on
a phone a long pager text has a full line of its own, and with an access key nothing is
served without it.

Usage: web_board_e2e.py KUBMON [SCREENSHOT_DIR]"""

import http.client
import os
import re
import socket
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

KUBMON = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
# Markup inside a plain alarm text (markup alone reads as cipher text and is hidden).
MARKUP = "Brand Lager <img src=x onerror=document.body.dataset.lauf=1> Hauptstr. 5 bitte Vorsicht"
LONG_PAGE = ("Brand Wohnhaus Musterstrasse 12 3. OG Person im Gebaeude vermisst Zufahrt ueber "
             "Hofeinfahrt Nord Hydrant vor Haus Nr. 10 Einsatzleitung an der Ecke Ringstrasse")
failures = []
passed = []


def check(ok, what):
    print(("ok      " if ok else "FEHLER  ") + what, flush=True)
    (passed if ok else failures).append(what)


def number(v):
    return (" %d " % v) if v >= 0 else ("%d " % v)


def write_folder(folder):
    colours = (12648384, 12648447, 12632319, 8438015, 16761024, -2147483633, 16777215, 16711935, 16777088)
    lines = [number(-1)] + [number(c) for c in colours]
    lines += [number(0), "", "", "", "", "", number(0), number(0), "", number(0), number(0), number(0), ""]
    lines += [number(1)] + [number(1)] * 6 + [number(1)] * 4  # layout 5 x 10, every decoder on
    files = {
        "Mon.ini": lines,
        "Fzg.txt": ["Löschzug Süd\t\t", "HLF Süd 1\tHilfeleistung\t623B1234", "RTW Nord\tRettungswagen\t623B5678",
                    "<b>ELW</b> 1\tFührung\t62341234"],
        "Wachen.txt": ["Wache Süd", "Wache Nord"] + [""] * 28,
        "ZVEI.txt": ["12345\tFeuerwehr Musterstadt\t16761024", "1234567\tWehrführer Süd\t12648447"],
    }
    for name, content in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(("\r\n".join(content) + "\r\n").encode("cp1252"))


class Monitor:
    def __init__(self, folder, wav, extra):
        self.err_path = os.path.join(folder, "stderr.txt")
        self.out_path = os.path.join(folder, "stdout.txt")
        self.proc = subprocess.Popen([KUBMON, "run", "--folder", folder, "--input", wav] + extra,
                                     stdout=open(self.out_path, "wb"), stderr=open(self.err_path, "wb"))
        self.port = None
        deadline = time.time() + 20
        while time.time() < deadline and self.proc.poll() is None:
            m = re.search(r"Web-Ansicht: http://127\.0\.0\.1:(\d+)/", self.err())
            if m:
                self.port = int(m.group(1))
                break
            time.sleep(0.1)

    def err(self):
        return open(self.err_path, encoding="utf-8", errors="replace").read()

    def out(self):
        return open(self.out_path, encoding="utf-8", errors="replace").read()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
        try:
            self.proc.wait(20)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        err = self.err()
        check("runtime error" not in err and "Sanitizer" not in err and self.proc.returncode in (0, -15),
              "kubmon run ohne Fehler beendet (%s)" % self.proc.returncode)


def browser(width, height, phone=False):
    o = Options()
    for a in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=%d,%d" % (width, height),
              "--force-device-scale-factor=1"):
        o.add_argument(a)
    if phone:
        o.add_experimental_option("mobileEmulation", {"deviceMetrics": {"width": width, "height": height,
                                                                        "pixelRatio": 1.0}})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=o)


def fetch(port, path, headers=None, method="GET"):
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    c.request(method, path, headers=headers or {})
    r = c.getresponse()
    body = r.read()
    c.close()
    return r.status, r.getheader("Set-Cookie") or "", r.getheader("Location") or "", body


def table_texts(d, table):
    return [[td.get_attribute("textContent") for td in tr.find_elements(By.TAG_NAME, "td")]
            for tr in d.find_elements(By.CSS_SELECTOR, "#%s tbody tr" % table)]


def live_board(work):
    # Silence first, so the page is open before the first reception arrives.
    wav = os.path.join(work, "funk.wav")
    subprocess.run([KUBMON, "gen", wav, "left", "gap:6000", "fms:623B1234:3:0:1", "gap:1200", "zvei:12345",
                    "gap:800", "poc1200:1765432:1:" + LONG_PAGE, "gap:800", "poc1200:1234567:3:" + MARKUP, "gap:1200", "fms:62341234:5:0:0", "gap:90000",
                    "right", "gap:7000", "fms:623B5678:2:0:0", "gap:1000"], check=True)
    m = Monitor(work, wav, ["--http", "127.0.0.1:0"])
    check(m.port is not None, "kubmon run nennt die Adresse der Web-Ansicht: " + m.err())
    if m.port is None:
        m.stop()
        return
    d = browser(1280, 900)
    try:
        d.get("http://127.0.0.1:%d/" % m.port)
        WebDriverWait(d, 10).until(lambda x: x.find_element(By.ID, "verbindung").text == "live verbunden")
        check(table_texts(d, "pocsag") == [], "vor der ersten Aussendung ist die POCSAG-Tabelle leer")
        d.execute_script("window.ohneNeuladen = 1")
        WebDriverWait(d, 25).until(lambda x: len(table_texts(x, "pocsag")) == 2 and len(table_texts(x, "fms")) >= 3)
        check(d.execute_script("return window.ohneNeuladen") == 1, "die Empfänge kamen ohne Neuladen")
        poc = table_texts(d, "pocsag")[0]
        check(poc[0] == "1234567" and poc[1] == "3" and poc[2] == "Wehrführer Süd", "POCSAG-Zeile: %r" % poc)
        check(poc[4] == MARKUP, "der Pagertext steht Zeichen für Zeichen da: %r" % poc[4])
        check(d.find_elements(By.CSS_SELECTOR, "main img") == [], "kein Bild aus dem Pagertext")
        check(d.execute_script("return document.body.dataset.lauf") is None, "das Markup lief nicht")
        zvei = table_texts(d, "zvei")
        check(len(zvei) == 1 and zvei[0][:2] == ["12345", "Feuerwehr Musterstadt"], "ZVEI-Zeile: %r" % zvei)
        # The receivers' colours of "ZVEI.txt" (0x00BBGGRR) on the name cells, as in the window.
        names = [(t, d.find_element(By.CSS_SELECTOR, "#%s tbody tr:first-child td:nth-child(%d)" % (t, n)))
                 for t, n in (("zvei", 2), ("pocsag", 3))]
        shown = [c.value_of_css_property("background-color") for _, c in names]
        check(shown == ["rgba(192, 192, 255, 1)", "rgba(255, 255, 192, 1)"], "Namen in der Farbe ihres Empfängers: %r" % shown)
        fms = table_texts(d, "fms")
        check([r[2] for r in fms] == ["62341234", "623B5678", "623B1234"], "FMS neueste zuerst: %r" % fms)
        # The tiles: status 3 of the HLF (not stored: direction Lst->Fzg), status 2 of the RTW
        # in the colour of status 2; the call name with markup in it is text.
        WebDriverWait(d, 5).until(lambda x: "Status 2" in x.find_element(By.ID, "tafel").text)
        tiles = d.find_elements(By.CSS_SELECTOR, "#tafel .tile.fahrzeug")
        by_name = {t.find_element(By.CLASS_NAME, "ruf").get_attribute("textContent"): t for t in tiles}
        check(set(by_name) == {"HLF Süd 1", "RTW Nord", "<b>ELW</b> 1"}, "Kacheln: %r" % list(by_name))
        rtw = by_name.get("RTW Nord")
        check(rtw is not None and rtw.value_of_css_property("background-color") == "rgba(255, 255, 192, 1)",
              "RTW in der Farbe von Status 2")
        check(d.find_elements(By.CSS_SELECTOR, "#tafel b") == [], "kein Markup aus dem Rufnamen")
        alerts = d.find_element(By.ID, "status5").text
        check("62341234" in alerts, "Status 5 in seiner Alarmliste: %r" % alerts)
        named = [li.get_attribute("title") for li in d.find_elements(By.CSS_SELECTOR, "#status5 li")]
        check(named == ["<b>ELW</b> 1"], "der Eintrag nennt den Rufnamen seines Fahrzeugs: %r" % named)
        lists = [h.text for h in d.find_elements(By.CSS_SELECTOR, ".alarm h3") if h.is_displayed()]
        check(lists == ["Status 0", "Status 5", "Sprechtaste"], "die drei Alarmlisten des Fensters: %r" % lists)
        stations = [b.text for b in d.find_elements(By.CSS_SELECTOR, "#wachen button")]
        check(stations == ["Wache Süd", "Wache Nord"], "Wachenknöpfe: %r" % stations)
        if SHOTS:
            d.save_screenshot(os.path.join(SHOTS, "web-ansicht.png"))
        on_phone(m.port)
        # Read-only, no listing, nothing outside the page.
        check(fetch(m.port, "/", method="POST")[0] == 405, "POST wird abgelehnt")
        upgrade = {"Connection": "Upgrade", "Upgrade": "websocket", "Sec-WebSocket-Version": "13",
                   "Sec-WebSocket-Key": "dGhlIHNhbXBsZSBub25jZQ=="}
        check(fetch(m.port, "/live", dict(upgrade, Origin="http://fremde-seite.example"))[0] == 403,
              "eine fremde Seite bekommt keine Live-Verbindung")
        check(fetch(m.port, "/", {"Host": "fremde-seite.example"})[0] == 403,
              "ein fremder Name für 127.0.0.1 bekommt nichts")
        check(fetch(m.port, "/Mon.ini")[0] == 404 and fetch(m.port, "/Status/")[0] == 404,
              "keine Dateien des Programmordners")
    finally:
        d.quit()
        m.stop()
    check(m.proc.returncode == 0, "kubmon run endet mit 0")


def on_phone(port):
    # 390 px: the long page's text gets a line of its own across the screen, not a squeezed
    # column at the right edge; the alert lists are there too.
    p = browser(390, 844, phone=True)
    try:
        p.get("http://127.0.0.1:%d/" % port)
        WebDriverWait(p, 10).until(lambda x: len(table_texts(x, "pocsag")) == 2)
        cell = [r for r in p.find_elements(By.CSS_SELECTOR, "#pocsag tbody tr")
                if r.find_element(By.TAG_NAME, "td").text == "1765432"][0].find_elements(By.TAG_NAME, "td")[-1]
        box = p.execute_script("const r = arguments[0].getBoundingClientRect();"
                               "return [r.left, r.right, r.width, arguments[0].scrollWidth, arguments[0].clientWidth,"
                               " window.innerWidth];", cell)
        left, right, width, scroll, client, inner = box
        check(width >= 300 and left >= 0 and right <= inner and scroll <= client and cell.text == LONG_PAGE,
              "Telefon: der lange Text steht ganz in einer eigenen Zeile: %r" % box)
        lists = [h.text for h in p.find_elements(By.CSS_SELECTOR, ".alarm h3") if h.is_displayed()]
        check(len(lists) == 3, "Telefon: die Alarmlisten sind zu sehen: %r" % lists)
        if SHOTS:
            p.save_screenshot(os.path.join(SHOTS, "web-ansicht-telefon.png"))
    finally:
        p.quit()


def with_key(work):
    wav = os.path.join(work, "kurz.wav")
    subprocess.run([KUBMON, "gen", wav, "left", "gap:8000", "zvei:12345", "gap:60000"], check=True)
    key = "Wache-Sued.2026"
    m = Monitor(work, wav, ["--http", "127.0.0.1:0", "--http-key", key])
    check(m.port is not None, "kubmon run mit Schlüssel: " + m.err())
    if m.port is None:
        m.stop()
        return
    try:
        check(fetch(m.port, "/")[0] == 401, "ohne Schlüssel 401")
        check(fetch(m.port, "/board.js")[0] == 401, "ohne Schlüssel auch kein Skript")
        check(fetch(m.port, "/?key=falsch-falsch")[0] == 401, "falscher Schlüssel 401")
        status, cookie, location, _ = fetch(m.port, "/?key=" + key)
        check(status == 303 and location == "/" and "kub_schluessel=" + key in cookie and "HttpOnly" in cookie,
              "Schlüssel in der Adresse: Cookie und weiter auf /")
        check(fetch(m.port, "/", {"Cookie": "kub_schluessel=" + key})[0] == 200, "mit Cookie 200")
        d = browser(1000, 800)
        try:
            d.get("http://127.0.0.1:%d/" % m.port)
            check("Zugangsschlüssel fehlt" in d.find_element(By.TAG_NAME, "body").text, "Browser ohne Schlüssel: 401")
            d.get("http://127.0.0.1:%d/?key=%s" % (m.port, key))
            WebDriverWait(d, 10).until(lambda x: x.find_element(By.ID, "verbindung").text == "live verbunden")
            check(d.current_url == "http://127.0.0.1:%d/" % m.port, "der Schlüssel bleibt nicht in der Adresse")
            WebDriverWait(d, 20).until(lambda x: len(table_texts(x, "zvei")) == 1)
            check(True, "mit Schlüssel live verbunden, ZVEI kam an")
        finally:
            d.quit()
    finally:
        m.stop()


def refusals(work):
    wav = os.path.join(work, "leer.wav")
    subprocess.run([KUBMON, "gen", wav, "left", "gap:200"], check=True)
    # Not loopback: refused before anything listens, so no traffic leaves the machine.
    r = subprocess.run([KUBMON, "run", "--folder", work, "--input", wav, "--http", "192.0.2.1:8080"],
                       capture_output=True, timeout=30)
    err = r.stderr.decode("utf-8", "replace")
    check(r.returncode == 2 and "nur mit Zugangsschlüssel" in err, "andere Adresse ohne Schlüssel: %r" % err)


def flood(work):
    # A hundred and fifty connections that send nothing, and a request far larger than any
    # page request: the monitor decodes on and the page still answers afterwards.
    wav = os.path.join(work, "flut.wav")
    subprocess.run([KUBMON, "gen", wav, "left", "gap:3000", "zvei:12345", "gap:2000", "zvei:54321", "gap:3000"],
                   check=True)
    m = Monitor(work, wav, ["--http", "127.0.0.1:0"])
    try:
        idle = []
        for _ in range(150):
            s = socket.create_connection(("127.0.0.1", m.port), timeout=5)
            idle.append(s)
        big = socket.create_connection(("127.0.0.1", m.port), timeout=5)
        try:
            big.sendall(b"GET / HTTP/1.1\r\nHost: x\r\nX-Gross: " + b"a" * (1 << 20) + b"\r\n\r\n")
        except OSError:
            pass
        big.close()
        # The flood stays until both codes are decoded through it.
        deadline = time.time() + 30
        while time.time() < deadline and not ("##ZVEI#12345#" in m.out() and "##ZVEI#54321#" in m.out()):
            time.sleep(0.1)
        for s in idle:
            s.close()
        deadline = time.time() + 10
        status = None
        while time.time() < deadline and status != 200:
            try:
                status = fetch(m.port, "/")[0]
            except OSError:
                time.sleep(0.2)
        check(status == 200, "nach der Flut antwortet die Seite wieder")
        m.proc.wait(30)
        check("##ZVEI#12345#" in m.out() and "##ZVEI#54321#" in m.out(), "während der Flut weiter dekodiert")
    finally:
        m.stop()


def main():
    for part in (live_board, with_key, refusals, flood):
        with tempfile.TemporaryDirectory() as work:
            write_folder(work)
            part(work)
    print("%d passed, %d failed" % (len(passed), len(failures)))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
