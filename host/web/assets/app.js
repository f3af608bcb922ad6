// The live page of vesk_host serve. It draws what the server sends on its
// event stream (a full state when it opens, then one update per action;
// stream.js shares one stream among the browser's tabs), turns every click
// into a session step posted to the server, and keeps one status a person
// can trust in its header: the script's state and the counts of violations,
// warnings and failed expectations, with each finding listed and linked to
// its transcript line. Changes of state are announced to screen readers.
// A studio (several scripts at positions on one plant) shows every
// position's panels side by side, each with its own findings; its steps
// and transcript lines name their positions ("@B press ...").
'use strict';

const $ = (id) => document.getElementById(id);
// `panels`: each position's current panel ('' for the one script of a plain run).
const view = { state: null, status: null, lastAction: 0, panels: new Map(), changed: new Set(), said: '' };
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

// Says `text` to screen readers (once: the same text twice in a row is said once).
function announce(text) {
  if (!text || text === view.said) return;
  view.said = text;
  $('announce').textContent = text;
}

function showError(text) {
  $('step-error').textContent = text;
  if (text) announce(text);
}

async function post(path, body) {
  let response;
  try {
    response = await fetch(path, {
      method: 'POST',
      headers: { 'X-Vesk-Page': '1', 'Content-Type': 'text/plain' },
      body: body,
    });
  } catch (e) {
    return { ok: false, message: 'the click did not reach the server: is vesk_host serve still running?' };
  }
  let answer = { ok: response.ok, message: response.ok ? '' : 'the server answered ' + response.status };
  try { answer = await response.json(); } catch (e) { /* an empty answer */ }
  return answer;
}

async function sendStep(line) {
  showError('');
  const answer = await post('/api/step', line);
  if (answer.message) showError(answer.message);
  return answer;
}

// A step of the studio position `scope` ('' in a plain run).
function at(scope, line) {
  return scope ? '@' + scope + ' ' + line : line;
}

async function press(panel, control, event, scope) {
  if (panel !== (view.panels.get(scope) || '1')) {
    const answer = await sendStep(at(scope, 'panel ' + word(panel)));
    if (!answer.ok) return answer;
    view.panels.set(scope, panel);
  }
  return sendStep(at(scope, 'press ' + word(control) + (event ? ' ' + word(event) : '')));
}

function scriptUp() {
  return !!(view.status && view.status.process === 'running' && view.status.script_running && view.connected);
}

// ---- the tables and the findings ----

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
}

// A link to transcript line `n`: scrolls there and marks it.
function lineLink(n) {
  const link = element('a', 'line-link', 'line ' + n);
  link.href = '#line-' + n;
  link.addEventListener('click', (event) => {
    event.preventDefault();
    const line = $('line-' + n);
    if (!line) { announce('line ' + n + ' is no longer on the page'); return; }
    for (const old of document.querySelectorAll('.transcript .target')) old.classList.remove('target');
    line.classList.add('target');
    line.scrollIntoView({ block: 'center' });
  });
  return link;
}

const eventNames = { crashed: 'crash', hung: 'hang', exited: 'exit', failed: 'failure', expectation: 'failed expectation' };

function drawFindings(status, state) {
  const findings = $('findings');
  findings.replaceChildren();
  const items = [];
  for (const event of (status && status.events) || []) {
    const item = element('li', 'finding ' + event.kind);
    item.appendChild(element('span', 'rule', eventNames[event.kind] || event.kind));
    item.appendChild(document.createTextNode(': ' + event.text + ' '));
    if (event.line) item.appendChild(lineLink(event.line));
    items.push(item);
  }
  const lines = (status && status.rule_lines) || {};
  const ruleItem = (rule, scope) => {
    const item = element('li', 'finding' + (rule.severity === 'warning' ? ' warning' : ''));
    if (scope) item.appendChild(element('span', 'position', '@' + scope + ' '));
    item.appendChild(element('span', 'rule', rule.rule));
    item.appendChild(document.createTextNode(' (' + rule.severity + ', ' + rule.times + '×): ' + rule.first + ' '));
    if (lines[rule.rule]) item.appendChild(lineLink(lines[rule.rule]));
    return item;
  };
  // In a studio each position's findings are its own; what no position's script raised is the host's.
  const positions = (state && state.positions) || [];
  const named = new Set();
  for (const position of positions) {
    for (const rule of position.rules || []) {
      named.add(rule.rule);
      items.push(ruleItem(rule, position.name));
    }
  }
  for (const rule of (state && state.rules) || []) if (!named.has(rule.rule)) items.push(ruleItem(rule, ''));
  if (!items.length) {
    findings.appendChild(element('p', 'findings-none', 'none so far'));
    return;
  }
  const list = element('ul', 'finding-list');
  for (const item of items) list.appendChild(item);
  findings.appendChild(list);
}

// ---- the transcript ----

function entryText(e) {
  return e.position ? '@' + e.position + ' ' + plainEntryText(e) : plainEntryText(e);
}

function plainEntryText(e) {
  switch (e.kind) {
    case 'action': return '== ' + e.step + '   (clock ' + e.clock + ' ms)';
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

function addEntries(lines, reset) {
  const pane = $('transcript');
  const atBottom = pane.scrollTop + pane.clientHeight >= pane.scrollHeight - 30;
  if (reset) pane.replaceChildren();
  for (const old of pane.querySelectorAll('.recent')) old.classList.remove('recent');
  for (const { n, a, e } of lines) {
    const advance = e.kind === 'action' && /^advance /.test(e.step);
    // An advance that caused nothing replaces the one before it, so that real time does not flood the pane.
    const last = pane.lastElementChild;
    if (advance && last && last.dataset.advance === '1') last.remove();
    const node = element('div', 'line ' + entryClass(e), entryText(e));
    node.id = 'line-' + n;
    node.dataset.action = String(a);
    if (a === view.lastAction) node.classList.add('recent');
    if (advance) node.dataset.advance = '1';
    pane.appendChild(node);
  }
  while (pane.childElementCount > maxTranscriptLines) pane.firstElementChild.remove();
  if (atBottom || reset) pane.scrollTop = pane.scrollHeight;
}

// ---- status ----

const stateWords = { running: 'running', ended: 'script ended', crashed: 'crashed', hung: 'hung', exited: 'exited',
  failed: 'failed', starting: 'starting' };

function count(id, n, one, many) {
  const node = $(id);
  node.textContent = n + ' ' + (n === 1 ? one : many);
  node.classList.toggle('bad', n > 0);
}

function drawStatus(status, recording, state) {
  view.status = status;
  const badge = $('status');
  const stateText = stateWords[status.state] || status.state;
  badge.textContent = stateText;
  badge.className = 'badge ' + status.state;
  count('count-violations', status.violations || 0, 'violation', 'violations');
  count('count-warnings', status.warnings || 0, 'warning', 'warnings');
  count('count-expectations', status.failed_expectations || 0, 'failed expectation', 'failed expectations');
  const dead = status.process !== 'running';
  $('died').hidden = !dead;
  $('restart-top').hidden = dead || status.script_running;
  if (dead) {
    $('died-message').textContent = status.message;
    $('died-last').textContent = (status.last || []).map(entryText).join('\n');
  }
  announce(dead ? status.message : 'script ' + stateText + ', ' + $('count-violations').textContent + ', ' +
    $('count-warnings').textContent + ', ' + $('count-expectations').textContent);
  $('realtime').checked = !!status.realtime;
  if (recording) {
    let text = 'recording: ' + recording.lines + ' lines' + (recording.file ? ' to ' + recording.file : '');
    if (recording.full) text += ' (full)';
    if (recording.error) text += ' — ' + recording.error;
    $('recording').textContent = text;
    $('save').setAttribute('download', recording.name || 'recorded.vesk');
  }
  if (state) $('clock').textContent = 'clock ' + (state.clock || 0) + ' ms';
  setEnabled(scriptUp());
}

// Clock buttons, the step box and real time act on the script: off while it is down.
function setEnabled(up) {
  for (const node of document.querySelectorAll('[data-advance], #step-form button, #realtime')) node.disabled = !up;
  document.body.classList.toggle('script-down', !up);
}

function drawConnection(message) {
  view.connected = message.state === 'open';
  const banner = $('connection');
  const texts = {
    connecting: 'connecting to the server…',
    reconnecting: 'the connection to the server was lost; reconnecting…',
    refused: 'this page cannot reach the server: it may have stopped, or too many pages of it are open in other ' +
      'browsers. Trying again in ' + (message.retry || 1) + ' s.',
  };
  banner.hidden = view.connected;
  banner.textContent = texts[message.state] || '';
  if (!view.connected) {
    $('status').textContent = message.state === 'refused' ? 'no connection' : 'connecting';
    $('status').className = 'badge';
    announce(banner.textContent);
  }
  if (view.status && view.connected) drawStatus(view.status, null, view.state);
  else setEnabled(false);
  redraw();
}

// ---- step examples, from the loaded plant and panel ----

function drawExamples(state) {
  const examples = [];
  for (const router of (state && state.routers) || []) {
    // A crosspoint the plant has, or the first of each.
    const point = router.crosspoints[0] || { destination: 0, source: 0, reads: '0' };
    examples.push('route ' + router.device + ' ' + point.destination + ' ' + point.source,
      'poll ' + router.device + ' ' + point.destination,
      'revertive ' + router.device + ' ' + point.destination + ' ' + word(String(point.reads)));
  }
  for (const { scope, panels } of positionsOf(state)) {
    for (const panel of panels) {
      for (const control of panel.controls) {
        const type = (control.properties || {}).type;
        if (type === 'list') examples.push(at(scope, 'press ' + word(control.id) + ' index=1'));
        else if (type === 'button') examples.push(at(scope, 'press ' + word(control.id)));
        else if (type === 'label') examples.push(at(scope, 'expect property ' + word(control.id) + ' text ' +
          word((control.properties || {}).text || '')));
      }
    }
  }
  examples.push('query _events', 'advance 1000', 'replies null', 'show routes', 'show timers');
  if (state && state.timers && state.timers.length) examples.push('tick ' + state.timers[0].id);
  const list = $('step-examples');
  list.replaceChildren(...examples.slice(0, 40).map((text) => { const o = element('option'); o.value = text; return o; }));
  $('step').placeholder = examples.slice(0, 3).join(' · ');
}

// ---- the stream ----

// The positions with their panels: a studio's each, or a plain run's one (scope '').
function positionsOf(state) {
  if (state && state.positions) return state.positions.map((p) => ({ scope: p.name, panels: p.panels || [], position: p }));
  return [{ scope: '', panels: (state && state.panels) || [], position: null }];
}

function redraw() {
  const state = view.state;
  const positions = positionsOf(state);
  const studio = !!(state && state.positions);
  if (studio) {
    $('title').textContent = 'vesk_host · studio of ' + positions.length + ' positions';
    $('panel-name').textContent = positions.map((p) => '@' + p.scope).join(', ');
  } else {
    const panels = positions[0].panels;
    if (panels.length && panels[0].title) $('title').textContent = 'vesk_host · ' + panels[0].title;
    $('panel-name').textContent = panels.map((p) => p.id + ': ' + p.file).join(', ');
  }
  const holder = $('panels');
  holder.classList.toggle('studio', studio);
  if (!studio) {
    drawPanels(holder, state, view.changed, scriptUp(), press, '');
    return;
  }
  // One column a position, kept from one redraw to the next so that focus stays.
  const columns = new Map([...holder.querySelectorAll(':scope > .position')].map((node) => [node.dataset.position, node]));
  if (columns.size !== positions.length || positions.some((p) => !columns.has(p.scope))) {
    holder.replaceChildren();
    columns.clear();
    for (const { scope } of positions) {
      const column = element('section', 'position');
      column.dataset.position = scope;
      column.setAttribute('aria-label', 'position @' + scope);
      column.appendChild(element('h3', 'position-name'));
      column.appendChild(element('div', 'position-panels'));
      holder.appendChild(column);
      columns.set(scope, column);
    }
  }
  for (const { scope, position } of positions) {
    const column = columns.get(scope);
    const findings = (position.violations || 0) + (position.warnings || 0);
    const heading = column.querySelector('.position-name');
    heading.textContent = '@' + scope + (position.running ? '' : ' (ended)') +
      (findings ? ' · ' + (position.violations || 0) + ' violations, ' + (position.warnings || 0) + ' warnings' : '');
    heading.classList.toggle('bad', !!position.violations);
    drawPanels(column.querySelector('.position-panels'), position, view.changed, scriptUp() && position.running,
      (panel, control, event) => press(panel, control, event, scope), scope);
  }
}

function changedControls(lines) {
  const changed = new Set();
  for (const { e } of lines) {
    if (e.kind === 'command' && typeof e.text === 'string') {
      const m = /^TP '[^=']*=.*' '([^']*)' '([^']*)'$/.exec(e.text);
      if (m) changed.add(panelKey(e.position || '', m[1]) + '\u0000' + m[2]);
    }
  }
  return changed;
}

function apply(message) {
  if (message.type === 'connection') { drawConnection(message); return; }
  if (message.type === 'status') {
    drawStatus(message.status, message.recording, view.state);
    drawFindings(message.status, view.state);
    return;
  }
  if (message.type === 'full') {
    view.lastAction = message.action;
    view.changed = new Set();
    addEntries(message.entries, true);
  } else if (message.type === 'update') {
    view.lastAction = message.action;
    if (message.reset) view.panels.clear();
    view.changed = changedControls(message.entries);
    addEntries(message.entries, message.reset);
  } else {
    return;
  }
  view.state = message.state;
  view.connected = true;
  drawStatus(message.status, message.recording, view.state);
  drawTables(view.state);
  drawFindings(message.status, view.state);
  drawExamples(view.state);
  redraw();
}

function connect() {
  if (typeof SharedWorker !== 'undefined') {
    try {
      const worker = new SharedWorker('/stream.js', { name: 'vesk-stream' });
      worker.port.onmessage = (event) => apply(event.data);
      worker.port.start();
      window.addEventListener('pagehide', () => worker.port.postMessage('bye'));
      return;
    } catch (e) { /* no shared worker here: a stream of this tab's own */ }
  }
  openStream(apply);
}

document.addEventListener('DOMContentLoaded', () => {
  for (const button of document.querySelectorAll('[data-advance]'))
    button.addEventListener('click', () => sendStep('advance ' + button.dataset.advance));
  $('realtime').addEventListener('change', async (event) => {
    const answer = await post('/api/realtime', event.target.checked ? 'on' : 'off');
    if (!answer.ok) showError(answer.message);
  });
  const restart = async () => {
    showError('');
    view.panels.clear();
    const answer = await post('/api/restart', '');
    if (answer.message) showError(answer.message);
  };
  $('restart').addEventListener('click', restart);
  $('restart-top').addEventListener('click', restart);
  $('step-form').addEventListener('submit', async (event) => {
    event.preventDefault();
    const line = $('step').value.trim();
    if (!line) return;
    const answer = await sendStep(line);
    if (answer.ok) $('step').value = '';
  });
  setEnabled(false);
  connect();
});
