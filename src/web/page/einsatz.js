// Incidents on the live board: the "Einsätze" table, and on /alarm the screen for the
// vehicle hall. It reads the messages board.js receives (event "kub-nachricht") and
// opens no connection of its own. Texts go into the page as text, never as markup.
'use strict';

(function () {
  const LIMIT = 50;
  const HALL = location.pathname === '/alarm';
  // Minutes the hall screen shows an incident before it goes back to the board; the
  // address may say otherwise (/alarm?zurueck=5).
  const DEFAULT_RETURN_MIN = 10;

  const $ = (id) => document.getElementById(id);

  function element(tag, cls, text) {
    const e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined) e.textContent = text;
    return e;
  }

  function returnMinutes() {
    const v = parseFloat(new URLSearchParams(location.search).get('zurueck'));
    return Number.isFinite(v) && v > 0 && v <= 1440 ? v : DEFAULT_RETURN_MIN;
  }

  // ---- the table ----

  // Tells incidents apart: the number starts again at 1 when the monitor restarts, the time
  // of the first page tells those apart.
  function keyOf(record) {
    return JSON.stringify([record.id, record.time]);
  }

  function tableRow(entry, fresh) {
    const tr = element('tr', (fresh ? 'neu ' : '') + (entry.record && entry.record.probealarm ? 'probe' : ''));
    if (entry.record) tr.dataset.key = keyOf(entry.record);
    (entry.row || []).forEach((c) => tr.appendChild(element('td', '', c)));
    return tr;
  }

  function fillTable(entries) {
    $('einsaetze').tBodies[0].replaceChildren(...entries.slice(0, LIMIT).map((e) => tableRow(e, false)));
  }

  function addRow(entry) {
    const body = $('einsaetze').tBodies[0];
    const tr = tableRow(entry, true);
    // A later report of the same incident takes the place of the earlier one.
    for (const old of Array.from(body.rows)) if (old.dataset.key === tr.dataset.key) old.remove();
    body.insertBefore(tr, body.firstChild);
    while (body.rows.length > LIMIT) body.deleteRow(body.rows.length - 1);
  }

  // ---- the gong: synthesized, no sound file; browsers allow sound only after a click ----

  let audio = null;
  let gongs = 0;

  function audioReady() {
    return audio !== null && audio.state === 'running';
  }

  function strike(at, pitch, master) {
    // A struck bar: the fundamental and two slightly inharmonic partials that die away.
    [[1, 0.5], [2.76, 0.18], [5.4, 0.06]].forEach(([ratio, peak]) => {
      const o = audio.createOscillator();
      const g = audio.createGain();
      o.frequency.value = pitch * ratio;
      g.gain.setValueAtTime(0.0001, at);
      g.gain.exponentialRampToValueAtTime(peak, at + 0.01);
      g.gain.exponentialRampToValueAtTime(0.0001, at + 2.4 / ratio + 0.4);
      o.connect(g).connect(master);
      o.start(at);
      o.stop(at + 3);
    });
  }

  function askForSound(ask) {
    $('tonfreigabe').hidden = !ask;
    // Room below everything, so the button covers no unit.
    document.body.classList.toggle('ton-gesperrt', ask);
  }

  function gong() {
    if (!audioReady()) {
      askForSound(true);
      return;
    }
    const master = audio.createGain();
    master.gain.value = 0.7;
    master.connect(audio.destination);
    const t = audio.currentTime + 0.05;
    strike(t, 659.3, master);
    strike(t + 0.8, 523.3, master);
    gongs += 1;
    document.body.dataset.gong = String(gongs);
  }

  function allowSound() {
    const AudioContext = window.AudioContext || window.webkitAudioContext;
    if (!AudioContext) return;
    if (!audio) audio = new AudioContext();
    audio.resume().then(() => {
      askForSound(false);
      gong();  // at once, so the volume can be set while someone stands by the screen
    });
  }

  // ---- the hall screen ----

  let shownTime = 0;
  let returnTimer = null;

  function twoDigits(n) {
    return String(n).padStart(2, '0');
  }

  function elapsedText() {
    const s = Math.max(0, Math.floor((Date.now() - shownTime) / 1000));
    const h = Math.floor(s / 3600);
    const clock = twoDigits(Math.floor(s / 60) % 60) + ':' + twoDigits(s % 60);
    return 'vor ' + (h > 0 ? h + ':' + clock + ' h' : clock + ' min');
  }

  function tick() {
    if ($('alarmanzeige').hidden) return;
    $('alarmdauer').textContent = elapsedText();
  }

  function unitLabel(u) {
    return u.name && u.name.trim() !== '' ? u.name : (u.ric || u.code || '');
  }

  // Black on light units, white on dark ones.
  function textColourOn(hex) {
    const m = /^#([0-9a-f]{2})([0-9a-f]{2})([0-9a-f]{2})$/i.exec(hex || '');
    if (!m) return '';
    const [r, g, b] = [m[1], m[2], m[3]].map((x) => parseInt(x, 16));
    return (299 * r + 587 * g + 114 * b) / 1000 >= 128 ? '#000' : '#fff';
  }

  function show(record) {
    const felder = record.felder || {};
    const screen = $('alarmanzeige');
    screen.classList.toggle('probe', !!record.probealarm);
    $('alarmart').textContent = record.probealarm ? 'Probealarm' : 'Einsatz';
    $('alarmzeit').textContent = (record.time || '').slice(11, 19);
    $('alarmstichwort').textContent = felder.stichwort || '';
    $('alarmadresse').textContent = felder.adresse || '';
    $('alarmtext').textContent = record.verschluesselt ? '[verschlüsselt]' : (record.text || '');
    $('alarmfelder').replaceChildren(...Object.keys(felder)
      .filter((k) => k !== 'stichwort' && k !== 'adresse' && String(felder[k]).trim() !== '')
      .map((k) => element('li', '', k.charAt(0).toUpperCase() + k.slice(1) + ': ' + felder[k])));
    $('alarmeinheiten').replaceChildren(...(record.einheiten || []).map((u) => {
      const li = element('li', '', unitLabel(u));
      if (u.colour) {
        li.style.backgroundColor = u.colour;
        li.style.color = textColourOn(u.colour);
      }
      return li;
    }));
    shownTime = Date.parse(record.time) || Date.now();
    screen.hidden = false;
    document.body.classList.add('alarm-aktiv');
    tick();
    clearTimeout(returnTimer);
    returnTimer = setTimeout(backToBoard, returnMinutes() * 60000);
  }

  function backToBoard() {
    clearTimeout(returnTimer);
    $('alarmanzeige').hidden = true;
    document.body.classList.remove('alarm-aktiv');
  }

  function stillCurrent(record) {
    const t = Date.parse(record.time);
    return Number.isFinite(t) && Date.now() - t < returnMinutes() * 60000;
  }

  // ---- messages ----

  // The newest incident this page knows, so a table sent whole (after a burst of receptions
  // or a reconnect) brings a new one to the screen and an old one not again.
  let newestKey = null;

  function alarm(record, sound) {
    newestKey = keyOf(record);
    if (!HALL) return;
    show(record);
    // A test alarm is shown, but wakes nobody.
    if (sound && !record.probealarm) gong();
  }

  function tables(t) {
    const entries = (t && t.einsaetze) || [];
    fillTable(entries);
    const newest = entries.length > 0 ? entries[0].record : null;
    if (!newest || keyOf(newest) === newestKey) return;
    const pageJustOpened = newestKey === null;
    newestKey = keyOf(newest);
    // A screen switched on during an alarm shows it, without the gong.
    if (stillCurrent(newest)) alarm(newest, !pageJustOpened);
  }

  window.addEventListener('kub-nachricht', (e) => {
    const msg = e.detail;
    if (msg.type === 'hello') tables(msg.tables);
    else if (msg.type === 'tables') tables(msg);
    else if (msg.type === 'reception' && msg.record && msg.record.protocol === 'einsatz') {
      addRow({ row: msg.row, record: msg.record });
      alarm(msg.record, true);
    }
  });

  if (HALL) {
    document.body.classList.add('halle');
    askForSound(true);
    $('tonfreigabe').addEventListener('click', allowSound);
    $('alarmzurueck').addEventListener('click', backToBoard);
    setInterval(tick, 1000);
  }
})();
