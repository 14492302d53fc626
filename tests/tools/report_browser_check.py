#!/usr/bin/env python3
"""Opens each kind of report in headless Chromium and checks what it drew:
no console error or exception; as many points on the deviation map as
fixes; the CEP circles at the radius vantrel-log stats gives, in pixels of
the drawn scale bar; one curve per receiver, iteration and phase, or unit;
every figure titled and captioned for a screen reader. The page texts and
counts are the unit tests' (ReportTest). Screenshots are kept in OUTDIR.

Usage: report_browser_check.py VANTREL_LOG REPORT_SAMPLES OUTDIR
Exit 77 (skipped) when Chromium is not installed.
"""
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time
import base64
import fcntl
import select

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--disable-extensions", "--remote-debugging-pipe",
]


def nmea(body):
    c = 0
    for ch in body:
        c ^= ord(ch)
    return f"${body}*{c:02X}\r\n"


def ddmm(value, positive, negative, width):
    deg, minutes = int(abs(value)), (abs(value) % 1) * 60
    return f"{deg:0{width}d}{minutes:07.4f}", positive if value >= 0 else negative


def recording():
    """A start without a fix, then 40 fixes on a spiral around 48.1 N 11.5 E."""
    out = []
    lat0, lon0 = 48.1173, 11.5167
    qualities = [1, 2, 5, 4]
    for k in range(45):
        t = f"10{10 + k // 60:02d}{k % 60:02d}.00"
        if k < 5:
            out.append(nmea(f"GPGGA,{t},,,,,0,00,99.9,,M,,M,,"))
        else:
            i = k - 5
            r = 0.6 + 0.35 * i  # metres
            a = math.radians(i * 137.5)
            dn, de = r * math.cos(a), r * math.sin(a)
            lat = lat0 + dn / 111195.0
            lon = lon0 + de / (111195.0 * math.cos(math.radians(lat0)))
            la, ns = ddmm(lat, "N", "S", 2)
            lo, ew = ddmm(lon, "E", "W", 3)
            q = qualities[i % 4]
            out.append(nmea(f"GPGGA,{t},{la},{ns},{lo},{ew},{q},08,0.9,{519.0 + 0.05 * i:.2f},M,47.0,M,,"))
        sats = [(3, 20 + k // 3, 40 + k, 38), (7, 55, 120, 44), (11, 12, 250 - k, 30), (19, 70, 300, 47)]
        body = ",".join(f"{p:02d},{e:02d},{az:03d},{s:02d}" for p, e, az, s in sats)
        out.append(nmea(f"GPGSV,1,1,04,{body}"))
        glo = [(65, 33, 60 + k, 36), (72, 48, 200, 41)]
        out.append(nmea("GLGSV,1,1,02," + ",".join(f"{p:02d},{e:02d},{az:03d},{s:02d}" for p, e, az, s in glo)))
    return "".join(out)


class Browser:
    """Chromium driven over --remote-debugging-pipe: fd 3 in, fd 4 out."""

    def __init__(self, exe, profile):
        to_r, self.to_w = os.pipe()
        self.from_r, from_w = os.pipe()
        # Above 3 and 4 first, so that placing one cannot overwrite the other.
        high_r = fcntl.fcntl(to_r, fcntl.F_DUPFD_CLOEXEC, 10)
        high_w = fcntl.fcntl(from_w, fcntl.F_DUPFD_CLOEXEC, 10)
        os.close(to_r)
        os.close(from_w)
        to_r, from_w = high_r, high_w

        def child():
            # dup2 leaves 3 and 4 inheritable; every other descriptor closes on exec.
            os.dup2(to_r, 3)
            os.dup2(from_w, 4)

        self.proc = subprocess.Popen([exe, *CHROMIUM_FLAGS, f"--user-data-dir={profile}", "about:blank"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     close_fds=False, preexec_fn=child)
        os.close(to_r)
        os.close(from_w)
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def send(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.to_w, json.dumps(message).encode() + b"\0")
        want = self.next_id
        while True:
            reply = self.receive(60)
            if reply.get("id") == want:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply.get("result", {})

    def receive(self, timeout):
        deadline = time.monotonic() + timeout
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.from_r], [], [], left)[0]:
                raise TimeoutError("Chromium did not answer")
            chunk = os.read(self.from_r, 1 << 16)
            if not chunk:
                raise RuntimeError("Chromium closed its pipe")
            self.buffer += chunk
        raw, self.buffer = self.buffer.split(b"\0", 1)
        message = json.loads(raw)
        if "method" in message:
            self.events.append(message)
        return message

    def wait_event(self, method, timeout=30):
        deadline = time.monotonic() + timeout
        while not any(e["method"] == method for e in self.events):
            self.receive(max(deadline - time.monotonic(), 0.01))
        event = next(e for e in self.events if e["method"] == method)
        self.events.remove(event)
        return event

    def close(self):
        try:
            self.send("Browser.close")
        except (OSError, RuntimeError, TimeoutError):
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def open_page(browser, path, shot):
    """Loads `path` in a new tab; returns (session, console problems)."""
    target = browser.send("Target.createTarget", {"url": "about:blank"})["targetId"]
    session = browser.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
    for domain in ("Page", "Runtime", "Log"):
        browser.send(f"{domain}.enable", session=session)
    browser.send("Emulation.setDeviceMetricsOverride",
                 {"width": 900, "height": 1200, "deviceScaleFactor": 1, "mobile": False}, session=session)
    browser.events.clear()
    browser.send("Page.navigate", {"url": "file://" + os.path.abspath(path)}, session=session)
    browser.wait_event("Page.loadEventFired")
    height = evaluate(browser, session, "document.documentElement.scrollHeight")
    browser.send("Emulation.setDeviceMetricsOverride",
                 {"width": 900, "height": int(height), "deviceScaleFactor": 1, "mobile": False}, session=session)
    png = browser.send("Page.captureScreenshot", {"format": "png"}, session=session)["data"]
    with open(shot, "wb") as f:
        f.write(base64.b64decode(png))
    problems = []
    for e in browser.events:
        p = e.get("params", {})
        if e["method"] == "Runtime.exceptionThrown":
            problems.append(json.dumps(p.get("exceptionDetails", {}))[:300])
        elif e["method"] == "Runtime.consoleAPICalled" and p.get("type") in ("error", "assert"):
            problems.append(json.dumps(p.get("args", []))[:300])
        elif e["method"] == "Log.entryAdded" and p.get("entry", {}).get("level") == "error":
            problems.append(p["entry"].get("text", "")[:300])
    return session, problems


def evaluate(browser, session, expression):
    result = browser.send("Runtime.evaluate", {"expression": expression, "returnByValue": True}, session=session)
    if "exceptionDetails" in result:
        raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
    return result["result"].get("value")


# Every figure: an <svg role="img"> whose aria-labelledby names a title and a
# caption with text in them; SVG text is text. The page fetches nothing.
ACCESSIBLE = """(() => {
  const bad = [];
  for (const svg of document.querySelectorAll('figure svg')) {
    if (svg.getAttribute('role') !== 'img') bad.push(svg.parentNode.id + ': no role');
    const ids = (svg.getAttribute('aria-labelledby') || '').split(/\\s+/).filter(Boolean);
    if (ids.length !== 2) bad.push(svg.parentNode.id + ': labelled by ' + ids.length);
    for (const id of ids) {
      const el = document.getElementById(id);
      if (!el || !el.textContent.trim()) bad.push(svg.parentNode.id + ': empty ' + id);
    }
    if (svg.querySelectorAll('text').length === 0) bad.push(svg.parentNode.id + ': no text');
  }
  // Self-contained: nothing fetched, no script.
  for (const r of performance.getEntriesByType('resource')) bad.push('fetched ' + r.name);
  if (document.scripts.length) bad.push(document.scripts.length + ' scripts');
  return {figures: document.querySelectorAll('figure svg').length, bad};
})()"""

MAP = """(() => {
  const bar = document.querySelector('#deviation .scale-bar');
  const barPx = bar.querySelector('path.bar').getBoundingClientRect().width;
  const perMetre = barPx / parseFloat(bar.dataset.metres);
  const ring = c => document.querySelector('#deviation circle.' + c).getBoundingClientRect().width / 2;
  return {points: document.querySelectorAll('#deviation circle.fix').length,
          perMetre, cep50: ring('cep50'), cep95: ring('cep95'), drms2: ring('drms2'),
          snr: document.querySelectorAll('path.snr').length,
          sky: document.querySelectorAll('#sky .tracks circle').length};
})()"""


def main():
    log_tool, samples, outdir = sys.argv[1:4]
    exe = shutil.which("chromium") or shutil.which("chromium-browser")
    if not exe:
        print("chromium is not installed: skipped")
        return 77
    os.makedirs(outdir, exist_ok=True)
    failures = []
    work = tempfile.mkdtemp(prefix="vantrel-report-check-")
    browser = None
    try:
        rec = os.path.join(work, "spiral.nma")
        with open(rec, "w", newline="") as f:
            f.write(recording())
        page = os.path.join(work, "spiral.html")
        subprocess.run([log_tool, "report", rec, "-o", page], check=True, timeout=60)
        stats = json.loads(subprocess.run([log_tool, "stats", "--json", rec], check=True, capture_output=True,
                                          text=True, timeout=60).stdout)
        subprocess.run([samples, work], check=True, timeout=60)

        browser = Browser(exe, os.path.join(work, "profile"))
        figures = []

        def visit(name, path):
            session, problems = open_page(browser, path, os.path.join(outdir, name + ".png"))
            failures.extend(f"{name}: console: {p}" for p in problems)
            figures.append((name, session))
            return session

        session = visit("recording", page)
        drawn = evaluate(browser, session, MAP)
        print("deviation map:", drawn)
        scatter = stats["scatter"]
        if drawn["points"] != scatter["fixes"]:
            failures.append(f"recording: {drawn['points']} points for {scatter['fixes']} fixes")
        for ring in ("cep50", "cep95", "drms2"):
            want = scatter[ring + "_m"] * drawn["perMetre"]
            # The stats give 4 decimals: a tenth of a millimetre, far below a pixel here.
            if abs(drawn[ring] - want) > 0.6:
                failures.append(f"recording: {ring} drawn {drawn[ring]:.2f} px, {want:.2f} px wanted")
        if drawn["snr"] != 6 or drawn["sky"] == 0:
            failures.append(f"recording: {drawn['snr']} SNR curves for 6 satellites, {drawn['sky']} sky marks")

        # The campaign: three receivers, seven runs without a fix.
        session = visit("ttff", os.path.join(work, "ttff.html"))
        got = evaluate(browser, session, """({
            curves: [...document.querySelectorAll('path.cdf')].map(p => p.dataset.port),
            runs: document.querySelectorAll('circle.run').length,
            crosses: document.querySelectorAll('#runs path.failed').length,
            limit: document.querySelectorAll('#cdf .limit line').length})""")
        if got["curves"] != ["/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2"]:
            failures.append(f"ttff: curves {got['curves']}")
        if got["runs"] != 18 - 5 or got["crosses"] != 5 or got["limit"] != 1:
            failures.append(f"ttff: drawn {got}, 13 runs, 5 crosses and a limit wanted")

        # The sensitivity run: two iterations of two phases, one result missing.
        session = visit("sensitivity", os.path.join(work, "sensitivity.html"))
        got = evaluate(browser, session, """({
            curves: [...document.querySelectorAll('path.curve')].map(p => p.dataset.iteration + p.dataset.phase),
            thresholds: document.querySelectorAll('.threshold').length,
            results: document.querySelectorAll('#curve .result').length,
            unseen: document.querySelectorAll('#curve path.failed').length})""")
        if got["curves"] != ["1acquisition", "1tracking", "2acquisition", "2tracking"]:
            failures.append(f"sensitivity: curves {got['curves']}")
        if got["thresholds"] != 2 or got["results"] != 3 or got["unseen"] != 4:
            failures.append(f"sensitivity: drawn {got}")

        # The results: three units' hot starts, two units' cold starts.
        session = visit("results", os.path.join(work, "results.html"))
        got = evaluate(browser, session, """({
            hot: [...document.querySelectorAll('#cdf-hot path.cdf')].map(p => p.dataset.port),
            cold: [...document.querySelectorAll('#cdf-cold path.cdf')].map(p => p.dataset.port),
            limits: document.querySelectorAll('.limit line').length,
            stations: [...document.querySelectorAll('table.stations td.fail')].map(t => t.textContent),
            levels: [...document.querySelectorAll('table.results td.fail')].map(t => t.textContent)})""")
        if got["hot"] != ["A1", "A2", "/dev/ttyUSB2"] or got["cold"] != ["A1", "A2"] or got["limits"] != 1:
            failures.append(f"results: curves {got}")
        if got["stations"] != ["FAIL: hot start 3.4 s over the limit of 3 s; C/N0 31.0 dB-Hz under the limit of "
                               "35 dB-Hz"] or len(got["levels"]) != 1:
            failures.append(f"results: failed tests listed as {got['stations']} {got['levels']}")

        for name, session in figures:
            a = evaluate(browser, session, ACCESSIBLE)
            if a["figures"] == 0 or a["bad"]:
                failures.append(f"{name}: figures {a}")
    finally:
        if browser:
            browser.close()
        shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print("FAIL", f)
    if not failures:
        print(f"the four reports drew what they should; screenshots in {outdir}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
