// The live page's panel: each control the script loaded, drawn from its
// properties, and operable with the mouse and the keyboard alike. A list is
// a listbox (arrow keys, Home and End move, Enter or Space press the entry);
// a button is a button with an optional event text sent with its press
// (such as alarm=ack); a label shows its text and its value. While the
// script is down every control is disabled. Focus survives a redraw: the
// control that had it (and a list's active entry) has it again.
'use strict';

const panelView = { focusKey: null, active: new Map(), eventTexts: new Map() };

function tallyClass(statesheet) {
  if (/red/i.test(statesheet)) return 'tally-red';
  if (/black/i.test(statesheet)) return 'tally-black';
  return 'tally-other';
}

// A panel as drawn: `panel` its id, as steps name it; `key` the same made
// unique on the page (in a studio, with the position's name before it).
function keyOf(id, controlId, part) {
  return id.key + '\u0000' + controlId + '\u0000' + part;
}

function drawList(box, id, control, props, enabled, press) {
  box.classList.add('list');
  const list = element('ul');
  const items = (props.items || '').split(',').filter((item) => item !== '');
  const selected = parseInt(props.select, 10);
  const key = keyOf(id, control.id, 'list');
  list.id = 'list-' + id.key + '-' + control.id;
  list.dataset.key = key;
  list.setAttribute('role', 'listbox');
  list.setAttribute('aria-label', control.id);
  list.tabIndex = enabled ? 0 : -1;
  if (!enabled) list.setAttribute('aria-disabled', 'true');
  let active = panelView.active.get(key) || (selected >= 1 && selected <= items.length ? selected : 1);
  if (active > items.length) active = items.length;
  const entries = items.map((item, i) => {
    const entry = element('li', i + 1 === selected ? 'selected' : '', item);
    entry.id = list.id + '-' + (i + 1);
    entry.dataset.index = String(i + 1);
    entry.setAttribute('role', 'option');
    entry.setAttribute('aria-selected', i + 1 === selected ? 'true' : 'false');
    entry.addEventListener('click', () => {
      if (!enabled) return;
      panelView.active.set(key, i + 1);
      entry.classList.add('pressed');
      press(id.panel, control.id, 'index=' + (i + 1));
    });
    list.appendChild(entry);
    return entry;
  });
  const activate = (index) => {
    if (!entries.length) return;
    active = Math.max(1, Math.min(entries.length, index));
    panelView.active.set(key, active);
    for (const entry of entries) entry.classList.toggle('active', entry.dataset.index === String(active));
    list.setAttribute('aria-activedescendant', entries[active - 1].id);
  };
  if (entries.length) activate(active);
  list.addEventListener('keydown', (event) => {
    if (!enabled || !entries.length) return;
    const moves = { ArrowDown: active + 1, ArrowUp: active - 1, Home: 1, End: entries.length };
    if (event.key in moves) {
      event.preventDefault();
      activate(moves[event.key]);
    } else if (event.key === 'Enter' || event.key === ' ') {
      event.preventDefault();
      entries[active - 1].classList.add('pressed');
      press(id.panel, control.id, 'index=' + active);
    }
  });
  box.appendChild(list);
}

function drawButton(box, id, control, props, enabled, press) {
  box.classList.add('button');
  const label = props.text !== undefined && props.text !== '' ? props.text : control.id;
  const button = element('button', '', label);
  button.type = 'button';
  button.dataset.key = keyOf(id, control.id, 'button');
  button.disabled = !enabled;
  const textKey = keyOf(id, control.id, 'event');
  const field = element('input', 'event-text');
  field.type = 'text';
  field.dataset.key = textKey;
  field.placeholder = 'event text';
  field.spellcheck = false;
  field.value = panelView.eventTexts.get(textKey) || '';
  field.disabled = !enabled;
  field.setAttribute('aria-label', 'event text sent with ' + label + ' (such as alarm=ack)');
  field.addEventListener('input', () => panelView.eventTexts.set(textKey, field.value));
  field.addEventListener('keydown', (event) => {
    if (event.key === 'Enter') { event.preventDefault(); button.click(); }
  });
  button.addEventListener('click', () => press(id.panel, control.id, field.value));
  box.appendChild(button);
  box.appendChild(field);
}

function drawLabel(box, props) {
  box.classList.add('label');
  const text = element('output', 'value', props.text || '');
  box.appendChild(text);
  if (props.value !== undefined && props.value !== '') {
    const value = element('div', 'label-value');
    value.appendChild(element('span', 'muted', 'value '));
    value.appendChild(element('output', 'label-value-text', props.value));
    box.appendChild(value);
  }
}

function drawOther(box, props) {
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

function drawControl(id, control, changed, enabled, press) {
  const props = control.properties || {};
  const type = props.type || '';
  const box = element('div', 'control');
  box.dataset.control = control.id;
  box.dataset.panel = id.panel;
  box.title = Object.entries(props).map(([k, v]) => k + '=' + v).join('\n');
  if (changed.has(id.key + '\u0000' + control.id)) box.classList.add('changed');
  box.appendChild(element('div', 'control-name', control.id));
  if (type === 'list') drawList(box, id, control, props, enabled, press);
  else if (type === 'button') drawButton(box, id, control, props, enabled, press);
  else if (type === 'tally') {
    const sheet = props.statesheet || '';
    box.classList.add('tally', tallyClass(sheet));
    box.dataset.statesheet = sheet;
    const lamp = element('div', 'lamp', sheet.replace(/^KQ_Tally_/, '') || '(none)');
    lamp.setAttribute('role', 'img');
    lamp.setAttribute('aria-label', control.id + ': ' + (sheet || 'no statesheet'));
    box.appendChild(lamp);
  } else if (type === 'label') drawLabel(box, props);
  else drawOther(box, props);
  return box;
}

// The key of a panel on the page: its id, in a studio after its position's name.
function panelKey(scope, panelId) {
  return scope ? scope + '-' + panelId : panelId;
}

// Draws every loaded panel into `holder`, keeping the focus where it was.
// `scope`: in a studio, the position whose panels these are.
function drawPanels(holder, state, changed, enabled, press, scope) {
  const focused = document.activeElement;
  const focusKey = focused && holder.contains(focused) ? focused.dataset.key : null;
  const selection = focused && focused.tagName === 'INPUT' ? [focused.selectionStart, focused.selectionEnd] : null;
  holder.replaceChildren();
  const panels = (state && state.panels) || [];
  if (panels.length === 0) {
    holder.appendChild(element('p', 'muted', 'no panel loaded'));
    return;
  }
  for (const panel of panels) {
    const id = { panel: panel.id, key: panelKey(scope, panel.id) };
    const section = element('div', 'panel');
    section.dataset.panel = panel.id;
    section.setAttribute('role', 'group');
    section.setAttribute('aria-label', panel.title || 'panel ' + panel.id);
    section.appendChild(element('div', 'panel-title', panel.title || 'panel ' + panel.id));
    const controls = element('div', 'controls');
    for (const control of panel.controls) controls.appendChild(drawControl(id, control, changed, enabled, press));
    section.appendChild(controls);
    if (panel.more_controls) section.appendChild(element('p', 'muted', panel.more_controls + ' more controls not shown'));
    holder.appendChild(section);
  }
  if (focusKey) {
    const again = [...holder.querySelectorAll('[data-key]')].find((node) => node.dataset.key === focusKey);
    if (again && !again.disabled) {
      again.focus({ preventScroll: true });
      if (selection && again.setSelectionRange) again.setSelectionRange(selection[0], selection[1]);
    }
  }
}
