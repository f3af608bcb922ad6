// The live page's connection to the server's event stream, shared by every
// tab of one browser: the browser allows six connections to one site, so
// six tabs each holding a stream would leave none for the clicks. As a
// SharedWorker this script holds the one stream and hands every message to
// every tab, a tab that opens later first getting the last full state and
// the updates since. Where SharedWorker is missing, a tab runs the same code
// for itself. A stream the server refuses (too many pages) or loses is
// retried, and every tab is told how the connection stands.
'use strict';

// Updates kept for tabs that open later; past this, the stream is opened
// again so that the server sends one full state for all.
const keptUpdates = 200;

function openStream(deliver) {
  let source = null;
  let full = null;
  let since = [];
  let retry = 1;
  let timer = null;

  function connect() {
    timer = null;
    source = new EventSource('/api/events');
    source.onopen = () => { retry = 1; deliver({ type: 'connection', state: 'open' }); };
    source.onmessage = (event) => {
      let message;
      try { message = JSON.parse(event.data); } catch (e) { return; }
      if (message.type === 'full') { full = message; since = []; } else since.push(message);
      deliver(message);
      if (since.length > keptUpdates) { source.close(); connect(); }
    };
    source.onerror = () => {
      // EventSource retries a dropped stream itself, but not a refused one.
      if (source.readyState !== EventSource.CLOSED) {
        deliver({ type: 'connection', state: 'reconnecting' });
        return;
      }
      deliver({ type: 'connection', state: 'refused', retry: retry });
      if (!timer) timer = setTimeout(connect, retry * 1000);
      retry = Math.min(retry * 2, 16);
    };
  }
  connect();
  // What a tab that joins now needs to draw the page.
  return () => (full ? [full, ...since] : []);
}

if (typeof SharedWorkerGlobalScope !== 'undefined' && self instanceof SharedWorkerGlobalScope) {
  const ports = new Set();
  let state = { type: 'connection', state: 'connecting' };
  const backlog = openStream((message) => {
    if (message.type === 'connection') state = message;
    for (const port of ports) port.postMessage(message);
  });
  self.onconnect = (event) => {
    const port = event.ports[0];
    ports.add(port);
    port.onmessage = (e) => { if (e.data === 'bye') ports.delete(port); };
    port.postMessage(state);
    for (const message of backlog()) port.postMessage(message);
  };
}
