// The page "Verlauf": searches the stored receptions. Everything found is put into the
// page as text (textContent), never as markup: radio texts may hold anything.
'use strict';

(function () {
  const $ = (id) => document.getElementById(id);
  let page = 1;
  let params = new URLSearchParams();

  function cell(row, text, cls) {
    const td = document.createElement('td');
    if (cls) td.className = cls;
    td.textContent = text === undefined || text === null ? '' : String(text);
    row.appendChild(td);
  }

  function shortTime(iso) {
    const m = /^(\d{4})-(\d\d)-(\d\d)T(\d\d:\d\d:\d\d)/.exec(iso || '');
    return m ? m[3] + '.' + m[2] + '.' + m[1] + ' ' + m[4] : (iso || '');
  }

  function show(answer) {
    const body = $('treffer').tBodies[0];
    body.replaceChildren();
    if (answer.fehler) {
      $('meldung').textContent = answer.fehler;
      $('aelter').disabled = true;
      $('neuer').disabled = page <= 1;
      return;
    }
    $('meldung').textContent = answer.zeilen.length ? '' : 'Nichts gefunden.';
    for (const r of answer.zeilen) {
      const row = document.createElement('tr');
      cell(row, shortTime(r.time));
      cell(row, (r.protocol || '').toUpperCase());
      cell(row, r.kennung || r.ric || r.code || r.tone || '');
      // An incident names the units it called.
      const units = Array.isArray(r.einheiten) ? r.einheiten.map((u) => u.name || u.ric || u.code).join(', ') : '';
      cell(row, r.vehicle || r.name || units);
      cell(row, r.status !== undefined && r.status >= 0 ? r.status : (r['function'] >= 0 ? 'Fkt. ' + r['function'] : ''));
      cell(row, r.text || '', 'text');
      cell(row, r.channel || '');
      body.appendChild(row);
    }
    $('seite').textContent = 'Seite ' + answer.seite;
    $('neuer').disabled = page <= 1;
    $('aelter').disabled = !answer.weiter;
  }

  function search() {
    const q = new URLSearchParams(params);
    if (page > 1) q.set('seite', String(page));
    $('meldung').textContent = 'Suche läuft …';
    fetch('/verlauf/suche?' + q.toString(), { credentials: 'same-origin' })
      .then((r) => r.json())
      .then(show)
      .catch(() => { $('meldung').textContent = 'Keine Antwort vom Monitor.'; });
  }

  function readForm() {
    params = new URLSearchParams();
    for (const [k, v] of new FormData($('suche'))) if (String(v).trim() !== '') params.set(k, String(v).trim());
    $('csv').href = '/verlauf.csv' + (params.toString() ? '?' + params.toString() : '');
  }

  $('suche').addEventListener('submit', (e) => {
    e.preventDefault();
    readForm();
    page = 1;
    search();
  });
  $('aelter').addEventListener('click', () => { page += 1; search(); });
  $('neuer').addEventListener('click', () => { if (page > 1) { page -= 1; search(); } });
  // A search can be bookmarked or linked: the fields of the address fill the form.
  const given = new URLSearchParams(location.search);
  for (const el of $('suche').elements) if (el.name && given.has(el.name)) el.value = given.get(el.name);
  readForm();
  search();
})();
