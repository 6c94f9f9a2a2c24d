// The page "Statuszeiten": a day's timeline per vehicle as bars in the board's status
// colours, and the table of its missions. Names go into the page as text only.
'use strict';

(function () {
  const $ = (id) => document.getElementById(id);
  const SVG = 'http://www.w3.org/2000/svg';
  const UNKNOWN = '#e0e0e0';

  function clock(seconds, start) {
    const d = new Date(start + seconds * 1000);
    return String(d.getHours()).padStart(2, '0') + ':' + String(d.getMinutes()).padStart(2, '0');
  }

  function duration(s) {
    if (s === null || s === undefined) return '–';
    const h = Math.floor(s / 3600), m = Math.floor(s / 60) % 60, x = s % 60;
    return h + ':' + String(m).padStart(2, '0') + ':' + String(x).padStart(2, '0');
  }

  function when(iso) {
    const m = /^(\d{4})-(\d\d)-(\d\d)T(\d\d:\d\d:\d\d)/.exec(iso || '');
    return m ? m[3] + '.' + m[2] + '. ' + m[4] : '–';
  }

  function cell(row, text) {
    const td = document.createElement('td');
    td.textContent = text;
    row.appendChild(td);
  }

  function drawHours() {
    const h = $('stunden');
    h.replaceChildren();
    for (let i = 0; i < 24; i += 3) {
      const s = document.createElement('span');
      s.textContent = String(i).padStart(2, '0') + ':00';
      h.appendChild(s);
    }
  }

  function drawLegend(colours) {
    const l = $('legende');
    l.replaceChildren();
    [1, 2, 3, 4, 6, 7, 8, 9].forEach((s) => {
      const e = document.createElement('span');
      e.textContent = 'Status ' + s;
      e.style.backgroundColor = colours[s - 1];
      l.appendChild(e);
    });
  }

  function timeline(v, length, start, colours) {
    const row = document.createElement('div');
    row.className = 'zeile';
    row.dataset.kennung = v.kennung;
    const name = document.createElement('span');
    name.className = 'name';
    name.textContent = v.rufname || v.kennung;
    name.title = v.kennung;
    row.appendChild(name);
    const svg = document.createElementNS(SVG, 'svg');
    svg.setAttribute('viewBox', '0 0 ' + length + ' 10');
    svg.setAttribute('preserveAspectRatio', 'none');
    for (const p of v.abschnitte) {
      const r = document.createElementNS(SVG, 'rect');
      r.setAttribute('x', String(p.von));
      r.setAttribute('y', '0');
      r.setAttribute('width', String(Math.max(p.bis - p.von, 1)));
      r.setAttribute('height', '10');
      r.setAttribute('fill', p.status > 0 ? colours[p.status - 1] : UNKNOWN);
      r.setAttribute('class', 'balken');
      r.setAttribute('data-status', String(p.status));
      const t = document.createElementNS(SVG, 'title');
      t.textContent = (p.status > 0 ? 'Status ' + p.status : 'unbekannt') + ': ' +
        clock(p.von, start) + '–' + clock(p.bis, start);
      r.appendChild(t);
      svg.appendChild(r);
    }
    row.appendChild(svg);
    return row;
  }

  function show(answer) {
    const lines = $('zeitleiste');
    const body = $('einsaetze').tBodies[0];
    lines.replaceChildren();
    body.replaceChildren();
    if (answer.fehler) {
      $('meldung').textContent = answer.fehler;
      return;
    }
    const b = answer.bericht;
    const start = Date.parse(b.von);
    const length = Math.round((Date.parse(b.bis) - start) / 1000);
    const day = /^(\d{4})-(\d\d)-(\d\d)/.exec(b.von);
    $('tagestitel').textContent = 'Tagesverlauf ' + (day ? day[3] + '.' + day[2] + '.' + day[1] : '');
    $('meldung').textContent = b.fahrzeuge.length ? '' : 'Keine Statusmeldungen an diesem Tag.';
    drawLegend(answer.farben);
    for (const v of b.fahrzeuge) {
      lines.appendChild(timeline(v, length, start, answer.farben));
      for (const m of v.einsaetze) {
        const row = document.createElement('tr');
        cell(row, v.rufname || v.kennung);
        cell(row, when(m.alarm));
        cell(row, when(m.status3));
        cell(row, duration(m.alarm_bis_3));
        cell(row, duration(m['3_bis_4']));
        cell(row, duration(m['4_bis_7']));
        cell(row, duration(m['7_bis_8']));
        cell(row, duration(m['8_bis_ende']));
        cell(row, duration(m.dauer));
        cell(row, m.offen ? 'offen' : when(m.ende) + ' (Status ' + m.endstatus + ')');
        body.appendChild(row);
      }
    }
  }

  function load() {
    const q = new URLSearchParams();
    for (const [k, v] of new FormData($('auswahl'))) if (String(v).trim() !== '') q.set(k, String(v).trim());
    $('meldung').textContent = 'Wird geladen …';
    fetch('/statuszeiten/daten?' + q.toString(), { credentials: 'same-origin' })
      .then((r) => r.json())
      .then(show)
      .catch(() => { $('meldung').textContent = 'Keine Antwort vom Monitor.'; });
  }

  $('auswahl').addEventListener('submit', (e) => { e.preventDefault(); load(); });
  // ?tag=…&kennung=… in the address fill the form: a day can be bookmarked or linked.
  const given = new URLSearchParams(location.search);
  for (const el of $('auswahl').elements) if (el.name && given.has(el.name)) el.value = given.get(el.name);
  drawHours();
  load();
})();
