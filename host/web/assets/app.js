// The live page of vesk_host serve. It draws what the server sends on its
// event stream (a full state when it opens, then one update per action) and
// turns every click into a session step, posted to the server.
'use strict';

const $ = (id) => document.getElementById(id);
const view = { state: null, status: null, lastAction: 0, panel: '1', changed: new Set() };
const maxTranscriptLines = 2000;

function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

// A word of a session step, quoted the way the session reader reads it.
function word(text) {
  if (/^[^\s"#\\\x00-\x1f\x7f]+$/.test(text) && text !== 'null') return text;
  return '"' + text.replace(/\\/g, '\\\\').replace(/"/g, '\\"').replace(/\n/g, '\\n').replace(/\t/g, '\\t') + '"';
}

function quote(text) {
  if (text === null || text === undefined) return 'null';
  return '"' + String(text).replace(/\\/g, '\\\\').replace(/"/g, '\\"').replace(/\n/g, '\\n').replace(/\t/g, '\\t') + '"';
}

async function post(path, body) {
  const response = await fetch(path, {
    method: 'POST',
    headers: { 'X-Vesk-Page': '1', 'Content-Type': 'text/plain' },
    body: body,
  });
  let answer = { ok: response.ok, message: '' };
  try { answer = await response.json(); } catch (e) { /* an empty answer */ }
  return answer;
}

async function sendStep(line) {
  $('step-error').textContent = '';
  const answer = await post('/api/step', line);
  if (answer.message) $('step-error').textContent = answer.message;
  return answer;
}

async function press(panel, control, event) {
  if (panel !== view.panel) {
    await sendStep('panel ' + word(panel));
    view.panel = panel;
  }
  return sendStep('press ' + word(control) + (event ? ' ' + word(event) : ''));
}

// ---- the panel, control by control ----

function tallyClass(statesheet) {
  if (/red/i.test(statesheet)) return 'tally-red';
  if (/black/i.test(statesheet)) return 'tally-black';
  return 'tally-other';
}

function drawControl(panelId, control) {
  const props = control.properties || {};
  const type = props.type || '';
  const box = element('div', 'control');
  box.dataset.control = control.id;
  box.dataset.panel = panelId;
  box.title = Object.entries(props).map(([k, v]) => k + '=' + v).join('\n');
  if (view.changed.has(panelId + '\u0000' + control.id)) box.classList.add('changed');
  box.appendChild(element('div', 'control-name', control.id));

  if (type === 'list') {
    box.classList.add('list');
    const list = element('ul');
    const items = (props.items || '').split(',').filter((item) => item !== '');
    const selected = parseInt(props.select, 10);
    items.forEach((item, i) => {
      const entry = element('li', i + 1 === selected ? 'selected' : '', item);
      entry.dataset.index = String(i + 1);
      entry.addEventListener('click', () => {
        entry.classList.add('pressed');
        press(panelId, control.id, 'index=' + (i + 1));
      });
      list.appendChild(entry);
    });
    box.appendChild(list);
  } else if (type === 'button') {
    box.classList.add('button');
    const button = element('button', '', props.text !== undefined && props.text !== '' ? props.text : control.id);
    button.type = 'button';
    button.addEventListener('click', () => press(panelId, control.id, ''));
    box.appendChild(button);
  } else if (type === 'tally') {
    const sheet = props.statesheet || '';
    box.classList.add('tally', tallyClass(sheet));
    box.dataset.statesheet = sheet;
    box.appendChild(element('div', 'lamp', sheet.replace(/^KQ_Tally_/, '') || '(none)'));
  } else if (type === 'label') {
    box.classList.add('label');
    const value = element('output', 'value', props.text || '');
    box.appendChild(value);
  } else {
    box.classList.add('other');
    const table = element('table');
    for (const [key, value] of Object.entries(props)) {
      const row = element('tr');
      row.appendChild(element('th', '', key));
      row.appendChild(element('td', '', value));
      table.appendChild(row);
    }
    box.appendChild(table);
  }
  return box;
}

function drawPanels(state) {
  const holder = $('panels');
  holder.replaceChildren();
  const panels = (state && state.panels) || [];
  if (panels.length === 0) {
    holder.appendChild(element('p', 'muted', 'no panel loaded'));
    $('panel-name').textContent = '';
    return;
  }
  $('panel-name').textContent = panels.map((p) => p.id + ': ' + p.file).join(', ');
  for (const panel of panels) {
    const section = element('div', 'panel');
    section.dataset.panel = panel.id;
    section.appendChild(element('div', 'panel-title', panel.title || 'panel ' + panel.id));
    const controls = element('div', 'controls');
    for (const control of panel.controls) controls.appendChild(drawControl(panel.id, control));
    section.appendChild(controls);
    if (panel.more_controls) section.appendChild(element('p', 'muted', panel.more_controls + ' more controls not shown'));
    holder.appendChild(section);
  }
}

// ---- the tables ----

function table(headings, rows) {
  const node = element('table');
  const head = element('tr');
  for (const heading of headings) head.appendChild(element('th', '', heading));
  node.appendChild(head);
  for (const row of rows) {
    const line = element('tr');
    for (const cell of row) line.appendChild(element('td', '', String(cell)));
    node.appendChild(line);
  }
  return node;
}

function drawTables(state) {
  const routes = $('routes');
  routes.replaceChildren();
  for (const router of (state && state.routers) || []) {
    const registered = router.registrations.map(([a, b]) => (a === b ? String(a) : a + '..' + b)).join(', ') || 'none';
    routes.appendChild(element('div', '', router.name + ': registered ' + registered));
    routes.appendChild(table(['dest', 'source', 'reads', 'reg'],
      router.crosspoints.map((x) => [x.destination, x.source, x.reads, x.registered ? 'yes' : ''])));
  }
  if (!routes.childElementCount) routes.appendChild(element('p', 'muted', 'no router in the plant'));

  const timers = $('timers');
  timers.replaceChildren();
  const running = (state && state.timers) || [];
  timers.appendChild(element('div', '', 'clock ' + ((state && state.clock) || 0) + ' ms'));
  if (running.length) timers.appendChild(table(['timer', 'interval', 'next tick'],
    running.map((t) => [t.id, t.interval + ' ms', 'at ' + t.due + ' ms'])));
  else timers.appendChild(element('p', 'muted', 'no timer running'));

  const replies = $('replies');
  replies.replaceChildren();
  const held = (state && state.outstanding_replies) || 0;
  replies.appendChild(element('div', held ? 'error' : '', held + ' not handed back'));
  replies.appendChild(element('div', 'muted', ((state && state.replies_handed_out) || 0) + ' handed out so far'));

  const findings = $('findings');
  findings.replaceChildren();
  const rules = (state && state.rules) || [];
  if (!rules.length) findings.appendChild(element('p', 'findings-none', 'none'));
  for (const rule of rules) {
    const line = element('div', 'finding' + (rule.severity === 'warning' ? ' warning' : ''));
    line.appendChild(element('span', 'rule', rule.rule));
    line.appendChild(document.createTextNode(' (' + rule.severity + ', ' + rule.times + '×): ' + rule.first));
    findings.appendChild(line);
  }
}

// ---- the transcript ----

function entryText(e) {
  switch (e.kind) {
    case 'action': return '== ' + e.step + (e.line ? '' : '') + '   (clock ' + e.clock + ' ms)';
    case 'call':
      if (e.call === 'load') return 'host > script  load_vesk_client_script(host, ' + quote(e.path) + ')';
      if (e.call === 'delete') return 'host > script  delete';
      switch (e.code) {
        case 1: return 'host > script  1  revertive device ' + e.device + ' index ' + e.index + ' ' + quote(e.text);
        case 2: return 'host > script  2  control ' + quote(e.panel) + ' ' + quote(e.control) + ' ' + quote(e.event);
        case 3: return 'host > script  3  query ' + quote(e.query);
        case 4: return 'host > script  4  timer ' + e.timer + ' at ' + e.clock + ' ms';
        case 5: return 'host > script  5  ' + quote(e.answer) + ' (answer to ' + e.query + ')';
        default: return 'host > script  ' + e.code + '  ' + (e.data || '');
      }
    case 'command': {
      const reply = e.status ? 'status ' + e.reply : e.kept ? quote(e.reply) + ' (never handed back)' : quote(e.reply);
      return '  script > host  0  ' + quote(e.text) + '  ->  ' + reply;
    }
    case 'release':
      if (e.pointer === 'null') return '  script > host  5  null';
      if (e.pointer === 'unknown') return '  script > host  5  a pointer this host never handed out';
      if (e.pointer === 'kept') return '  script > host  5  the word answering ' + quote(e.command);
      return '  script > host  5  ' + quote(e.text) + ' (reply to ' + quote(e.command) + ')' +
        (e.pointer === 'returned' ? ' again' : '');
    case 'answer': return 'host < script  3  answer ' + quote(e.answer);
    case 'other': return '  script > host  ' + e.code;
    case 'finding': return (e.depth ? '  ' : '') + '!! ' + (e.severity === 'violation' ? 'VIOLATION' : 'warning') + ' ' +
      e.rule + ': ' + e.message;
    case 'expect': return (e.ok ? 'ok    ' : 'FAIL  ') + e.step + (e.ok ? '' : '\n      expected: ' + e.expected +
      '\n      actual:   ' + e.actual);
    case 'show': return (e.lines || []).join('\n');
    case 'note': return '   ' + (e.note || (e.dropped !== undefined ? e.dropped + ' revertives dropped' : ''));
    case 'error': return '!! ' + e.message;
    default: return JSON.stringify(e);
  }
}

function entryClass(e) {
  if (e.kind === 'finding') return e.severity === 'violation' ? 'violation' : 'warning';
  if (e.kind === 'expect') return e.ok ? 'ok' : 'fail';
  return e.kind;
}

function entryNode(e, action) {
  const node = element('div', 'line ' + entryClass(e), entryText(e));
  node.dataset.action = String(action);
  if (action === view.lastAction) node.classList.add('recent');
  return node;
}

function addEntries(pairs, reset) {
  const pane = $('transcript');
  const atBottom = pane.scrollTop + pane.clientHeight >= pane.scrollHeight - 30;
  if (reset) pane.replaceChildren();
  for (const old of pane.querySelectorAll('.recent')) old.classList.remove('recent');
  for (const [action, entry] of pairs) {
    // An advance that caused nothing replaces the one before it, so that real time does not flood the pane.
    const last = pane.lastElementChild;
    if (entry.kind === 'action' && /^advance /.test(entry.step) && last && last.dataset.advance === '1') last.remove();
    const node = entryNode(entry, action);
    if (entry.kind === 'action' && /^advance /.test(entry.step)) node.dataset.advance = '1';
    pane.appendChild(node);
  }
  while (pane.childElementCount > maxTranscriptLines) pane.firstElementChild.remove();
  if (atBottom || reset) pane.scrollTop = pane.scrollHeight;
}

// ---- status ----

function drawStatus(status, recording, state) {
  view.status = status;
  const badge = $('status');
  let text = status.process;
  let cls = status.process;
  if (status.process === 'running' && !status.script_running) { text = 'script ended'; cls = 'ended'; }
  if (status.process === 'running' && status.script_running) text = 'running';
  badge.textContent = text;
  badge.className = 'badge ' + cls;
  const dead = status.process !== 'running';
  $('died').hidden = !dead;
  $('restart-top').hidden = dead || status.script_running;
  if (dead) {
    $('died-message').textContent = status.message;
    $('died-last').textContent = (status.last || []).map(entryText).join('\n');
  }
  $('realtime').checked = !!status.realtime;
  if (recording) {
    let text = 'recording: ' + recording.lines + ' lines' + (recording.file ? ' to ' + recording.file : '');
    if (recording.full) text += ' (full)';
    if (recording.error) text += ' — ' + recording.error;
    $('recording').textContent = text;
    $('save').setAttribute('download', recording.name || 'recorded.vesk');
  }
  if (state) $('clock').textContent = 'clock ' + (state.clock || 0) + ' ms';
}

// ---- the event stream ----

function changedControls(entries) {
  const changed = new Set();
  for (const e of entries) {
    if (e.kind === 'command' && typeof e.text === 'string') {
      const m = /^TP '[^=']*=.*' '([^']*)' '([^']*)'$/.exec(e.text);
      if (m) changed.add(m[1] + '\u0000' + m[2]);
    }
  }
  return changed;
}

function apply(message) {
  if (message.type === 'full') {
    view.lastAction = message.action;
    view.changed = new Set();
    view.state = message.state;
    addEntries(message.entries.map((x) => [x.a, x.e]), true);
  } else if (message.type === 'update') {
    view.lastAction = message.action;
    if (message.reset) view.panel = '1';
    view.changed = changedControls(message.entries);
    view.state = message.state;
    addEntries(message.entries.map((e) => [message.action, e]), message.reset);
  } else if (message.type === 'status') {
    drawStatus(message.status, message.recording, view.state);
    return;
  }
  if (view.state && view.state.panels && view.state.panels.length && view.state.panels[0].title)
    $('title').textContent = 'vesk_host · ' + view.state.panels[0].title;
  drawPanels(view.state);
  drawTables(view.state);
  drawStatus(message.status, message.recording, view.state);
}

function connect() {
  const source = new EventSource('/api/events');
  source.onmessage = (event) => apply(JSON.parse(event.data));
  source.onerror = () => {
    $('status').textContent = 'reconnecting';
    $('status').className = 'badge';
  };
}

document.addEventListener('DOMContentLoaded', () => {
  for (const button of document.querySelectorAll('[data-advance]'))
    button.addEventListener('click', () => sendStep('advance ' + button.dataset.advance));
  $('realtime').addEventListener('change', (event) => post('/api/realtime', event.target.checked ? 'on' : 'off'));
  const restart = async () => { $('step-error').textContent = ''; view.panel = '1'; await post('/api/restart', ''); };
  $('restart').addEventListener('click', restart);
  $('restart-top').addEventListener('click', restart);
  $('step-form').addEventListener('submit', async (event) => {
    event.preventDefault();
    const line = $('step').value.trim();
    if (!line) return;
    const answer = await sendStep(line);
    if (answer.ok) $('step').value = '';
  });
  connect();
});
