// The live board. Everything the monitor sends is put into the page as text (textContent),
// never as markup: radio texts and names may hold anything.
'use strict';

(function () {
  const LIMIT = 50;
  let socket = null;
  let station = 0;
  let retry = 1000;
  let names = [];

  const $ = (id) => document.getElementById(id);

  function element(tag, cls, text) {
    const e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined) e.textContent = text;
    return e;
  }

  function stationFromAddress() {
    const m = /^#wache=(\d+)$/.exec(location.hash);
    const n = m ? parseInt(m[1], 10) : 0;
    return n >= 0 && n < 30 ? n : 0;
  }

  function stationLabel(i) {
    return names[i] && names[i].trim() !== '' ? names[i] : 'Wache ' + (i + 1);
  }

  function drawStations() {
    const nav = $('wachen');
    nav.replaceChildren();
    names.forEach((name, i) => {
      if ((!name || name.trim() === '') && i !== station) return;
      const b = element('button', i === station ? 'aktiv' : '', stationLabel(i));
      b.type = 'button';
      b.addEventListener('click', () => choose(i));
      nav.appendChild(b);
    });
  }

  function choose(i) {
    station = i;
    history.replaceState(null, '', '#wache=' + i);
    drawStations();
    if (socket && socket.readyState === WebSocket.OPEN) socket.send('station ' + i);
  }

  function drawLegend(colours) {
    const l = $('legende');
    l.replaceChildren();
    colours.forEach((c, i) => {
      const s = element('span', '', 'Status ' + (i + 1));
      s.style.backgroundColor = c;
      l.appendChild(s);
    });
  }

  function drawBoard(msg) {
    if (msg.station !== station) return;
    $('wachenname').textContent = stationLabel(msg.station);
    const board = $('tafel');
    board.style.setProperty('--spalten', String(msg.columns));
    board.style.setProperty('--zeilen', String(msg.rows));
    const tiles = msg.tiles.map((t) => {
      const d = element('div', 'tile ' + t.art);
      if (t.art === 'fahrzeug') {
        d.style.backgroundColor = t.farbe;
        d.style.color = t.schrift;
        d.appendChild(element('span', 'ruf', t.rufname));
        d.appendChild(element('span', 'info', 'Status ' + t.status + ' · TKI ' + t.tki));
        d.appendChild(element('span', 'info', t.zeit));
        d.title = t.eigenschaft;
        d.dataset.status = String(t.status);
      } else if (t.art === 'ueberschrift') {
        d.textContent = t.rufname;
      }
      return d;
    });
    board.replaceChildren(...tiles);
  }

  // The column of the receiver's name, coloured as in the window.
  const NAME_COLUMN = { zvei: 1, pocsag: 2 };

  // Black on light cells, white on dark ones.
  function textOn(hex) {
    const v = parseInt(hex.slice(1), 16);
    const light = (299 * (v >> 16) + 587 * ((v >> 8) & 255) + 114 * (v & 255)) / 1000 >= 128;
    return light ? '#000000' : '#FFFFFF';
  }

  // Receptions of an SDR channel carry its name in one cell more than the sound card's;
  // the table gets a "Kanal" heading the first time one comes.
  function channelHeading(id, cells) {
    const head = $(id).tHead.rows[0];
    if (cells.length > head.cells.length) head.appendChild(element('th', '', 'Kanal'));
  }

  function row(id, cells, colour, fresh) {
    channelHeading(id, cells);
    const tr = element('tr', fresh ? 'neu' : '');
    cells.forEach((c, i) => {
      const td = element('td', '', c);
      if (i === NAME_COLUMN[id] && /^#[0-9A-Fa-f]{6}$/.test(colour || '')) {
        td.className = 'name';
        td.style.backgroundColor = colour;
        td.style.color = textOn(colour);
      }
      tr.appendChild(td);
    });
    return tr;
  }

  function fillTable(id, rows, colours) {
    const c = colours || [];
    $(id).tBodies[0].replaceChildren(...rows.slice(0, LIMIT).map((r, i) => row(id, r, c[i], false)));
  }

  function addRow(id, cells, colour) {
    const body = $(id).tBodies[0];
    body.insertBefore(row(id, cells, colour, true), body.firstChild);
    while (body.rows.length > LIMIT) body.deleteRow(body.rows.length - 1);
  }

  function fillAlerts(msg) {
    for (const id of ['status0', 'status5', 'sprechtaste']) {
      const list = $(id);
      const names = (msg.names || {})[id] || [];
      list.replaceChildren(...msg[id].map((t, i) => {
        const li = element('li', '', t);
        if (names[i]) li.title = names[i];
        return li;
      }));
      list.parentElement.classList.toggle('voll', msg[id].length > 0);
    }
  }

  const TABLE_OF = { fms: 'fms', zvei: 'zvei', pocsag: 'pocsag' };

  function handle(msg) {
    switch (msg.type) {
      case 'hello':
        names = msg.stations;
        drawStations();
        drawLegend(msg.colours);
        handle(msg.tables);
        break;
      case 'tables': {
        const colours = msg.colours || {};
        fillTable('fms', msg.fms);
        fillTable('zvei', msg.zvei, colours.zvei);
        fillTable('pocsag', msg.pocsag, colours.pocsag);
        break;
      }
      case 'reception':
        if (msg.row && TABLE_OF[msg.record.protocol]) addRow(TABLE_OF[msg.record.protocol], msg.row, msg.record.colour);
        break;
      case 'board':
        drawBoard(msg);
        break;
      case 'alerts':
        fillAlerts(msg);
        break;
    }
  }

  function showConnected(up) {
    const v = $('verbindung');
    v.className = up ? 'verbunden' : 'getrennt';
    v.textContent = up ? 'live verbunden' : 'Verbindung unterbrochen – neuer Versuch …';
  }

  function connect() {
    const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
    socket = new WebSocket(scheme + location.host + '/live');
    socket.addEventListener('open', () => {
      retry = 1000;
      showConnected(true);
      socket.send('station ' + station);
    });
    socket.addEventListener('message', (e) => {
      try {
        const msg = JSON.parse(e.data);
        handle(msg);
        // The incidents (einsatz.js) read the same messages.
        window.dispatchEvent(new CustomEvent('kub-nachricht', { detail: msg }));
      } catch (err) {
        console.error(err);
      }
    });
    socket.addEventListener('close', () => {
      showConnected(false);
      setTimeout(connect, retry);
      retry = Math.min(retry * 2, 10000);
    });
  }

  window.addEventListener('hashchange', () => choose(stationFromAddress()));
  station = stationFromAddress();
  connect();
})();
