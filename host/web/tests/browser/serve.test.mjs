// The live page of `vesk_host serve` in a real browser: Debian's headless
// Chromium driven by playwright-core. It clicks the bundled Rig_Vue panel,
// replays what the clicks recorded with `vesk_host run`, checks that a
// script's crash shows on the page while the server stays up, and checks
// the server's refusals on the wire. It also takes the README's screenshot
// (written to docs/images/serve.png when VESK_UPDATE_SCREENSHOT=1).
//
//   VESK_BUILD=build node --test serve.test.mjs      (from this folder: npm test)
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, existsSync, mkdirSync, copyFileSync } from 'node:fs';
import { request } from 'node:http';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '../../../..');
const build = path.resolve(root, process.env.VESK_BUILD || 'build');
const vesk = path.join(build, 'host/vesk_host');
const rigVue = path.join(build, 'panel/libRig_Vue.so');
const faulty = path.join(build, 'host/web/tests/libfaulty_faults_on_press.so');
const plant = path.join(root, 'examples/rig_vue/plant.toml');
const scratch = mkdtempSync(path.join(tmpdir(), 'vesk-serve-'));
const wait = 15000;

let browser;

// Starts `vesk_host serve` on a free port; resolves when it prints its address.
function serve(library, extra = []) {
  const server = spawn(vesk, ['serve', '--plant', plant, '--port', '0', ...extra, library],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  let output = '';
  server.stderr.on('data', (data) => { output += data; });
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('serve printed no address:\n' + output)), wait);
    server.stdout.on('data', (data) => {
      output += data;
      const found = /is at (http:\/\/127\.0\.0\.1:(\d+)\/)/.exec(output);
      if (found) {
        clearTimeout(timer);
        resolve({ server, url: found[1], port: Number(found[2]), output: () => output });
      }
    });
    server.on('exit', (code) => reject(new Error('serve ended with ' + code + ':\n' + output)));
  });
}

// Ctrl-C, and the exit code it ends with.
function stop(server) {
  return new Promise((resolve) => {
    if (server.exitCode !== null) return resolve(server.exitCode);
    server.once('exit', (code, signal) => resolve(code ?? signal));
    server.kill('SIGINT');
  });
}

function raw(port, method, urlPath, headers, body = '') {
  return new Promise((resolve, reject) => {
    const req = request({ host: '127.0.0.1', port, method, path: urlPath, headers }, (res) => {
      let text = '';
      res.on('data', (data) => { text += data; });
      res.on('end', () => resolve({ status: res.statusCode, text }));
    });
    req.on('error', reject);
    req.end(body);
  });
}

async function newPage(url) {
  const page = await browser.newPage();
  await page.goto(url);
  await page.locator('#status.running').waitFor({ timeout: wait });
  return page;
}

const text = (page, selector) => page.locator(selector).textContent({ timeout: wait });
const untilText = (page, selector, wanted) => page.waitForFunction(
  ([s, w]) => document.querySelector(s)?.textContent === w, [selector, wanted], { timeout: wait });

before(async () => {
  for (const file of [vesk, rigVue, faulty])
    assert.ok(existsSync(file), file + ' is missing: build the project first (script/build)');
  browser = await chromium.launchPersistentContext(path.join(scratch, 'profile'), {
    executablePath: process.env.VESK_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1400, height: 1000 },
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  await browser?.close();
  rmSync(scratch, { recursive: true, force: true });
});

test('clicks on the panel drive Rig_Vue, and the recording replays green', async () => {
  const recording = path.join(scratch, 'clicks.vesk');
  const { server, url } = await serve(rigVue, ['--record', recording]);
  try {
    const page = await newPage(url);
    const other = await newPage(url);  // a second tab sees the same state
    assert.equal(await page.locator('[data-control="VideoEnable"]').getAttribute('data-statesheet'), 'KQ_Tally_Red');
    assert.match(await page.locator('[data-control="VideoEnable"]').getAttribute('class'), /tally-red/);

    await page.locator('[data-control="Sources"] li[data-index="1"]').click();
    await untilText(page, '[data-control="video_source"] output', 'CAM 5');
    await untilText(other, '[data-control="video_source"] output', 'CAM 5');
    assert.equal(await text(page, '[data-control="audio_source"] output'), 'MIC 2');
    // The last action's commands are highlighted in the transcript.
    const recent = await page.locator('#transcript .recent.command').allTextContents();
    assert.equal(recent.length, 6, recent.join('\n'));
    assert.match(recent[0], /"RN 12 0 1"  ->  "5,2"/);

    await page.locator('[data-control="WFM_Mon"] button').click();
    await page.waitForFunction(() => {
      const tally = document.querySelector('[data-control="VideoEnable"]');
      return tally && !tally.classList.contains('tally-red') && tally.dataset.statesheet === 'KQ_Tally_Black';
    }, null, { timeout: wait });

    // The clock: +250 ms lets the selection timer clear the list.
    await page.locator('button[data-advance="250"]').click();
    await page.waitForFunction(() => /clock 250 ms/.test(document.querySelector('#clock').textContent),
      null, { timeout: wait });
    // A step from the form.
    await page.locator('#step').fill('query _events');
    await page.locator('#step-form button').click();
    await page.waitForFunction(() => /answer "notify=\*"/.test(document.querySelector('#transcript').textContent),
      null, { timeout: wait });

    // A reload draws the same state; a closed tab leaves the server serving.
    await other.reload();
    await untilText(other, '[data-control="video_source"] output', 'CAM 5');
    await other.close();
    assert.equal((await raw(new URL(url).port, 'GET', '/', { Host: new URL(url).host })).status, 200);

    await page.locator('#transcript').evaluate((pane) => { pane.scrollTop = pane.scrollHeight; });
    const shot = path.join(build, 'serve.png');
    await page.screenshot({ path: shot });
    if (process.env.VESK_UPDATE_SCREENSHOT === '1') {
      mkdirSync(path.join(root, 'docs/images'), { recursive: true });
      copyFileSync(shot, path.join(root, 'docs/images/serve.png'));
    }
    await page.close();
  } finally {
    assert.equal(await stop(server), 0);
  }

  const recorded = readFileSync(recording, 'utf8');
  assert.match(recorded, /press Sources index=1\nexpect command "RN 12 0 1"\n/);
  assert.match(recorded, /press WFM_Mon\nexpect command "TP 'statesheet=KQ_Tally_Black' '1' 'VideoEnable'"\n/);
  assert.match(recorded, /advance 250\nexpect command "ET 1"\n/);
  const replay = spawnSync(vesk, ['run', '--plant', plant, '--session', recording, rigVue], { encoding: 'utf8' });
  assert.equal(replay.status, 0, replay.stdout.slice(-3000) + replay.stderr);
  assert.match(replay.stdout, /summary: 0 violation\(s\), 0 warning\(s\); [1-9]\d* expectation\(s\) met, 0 failed/);
});

test('a crashing script shows its crash on the page, and the server stays up', async () => {
  const { server, url, port } = await serve(faulty);
  try {
    const page = await newPage(url);
    await page.locator('[data-control="WFM_Mon"] button').click();
    await page.locator('#died').waitFor({ state: 'visible', timeout: wait });
    const message = await text(page, '#died-message');
    assert.match(message, /the script crashed during "press WFM_Mon": its process died of SIGSEGV/);
    assert.match(await text(page, '#died-last'), /host > script {2}2 {2}control "1" "WFM_Mon" ""/);
    assert.equal(await text(page, '#status'), 'crashed');

    // The server still serves: a new tab sees the crash, and Restart brings the script back.
    const again = await browser.newPage();
    await again.goto(url);
    await again.locator('#died').waitFor({ state: 'visible', timeout: wait });
    assert.match(await text(again, '#died-message'), /SIGSEGV/);
    await again.close();
    await page.locator('#restart').click();
    await page.locator('#status.running').waitFor({ timeout: wait });
    assert.equal(await page.locator('#died').isHidden(), true);
    assert.equal(server.exitCode, null);
    assert.equal((await raw(port, 'GET', '/app.js', { Host: '127.0.0.1:' + port })).status, 200);
    await page.close();
  } finally {
    assert.equal(await stop(server), 0);
  }
});

test('the server refuses other hosts, other origins, large bodies and other files', async () => {
  const { server, port } = await serve(rigVue);
  try {
    const host = '127.0.0.1:' + port;
    const page = { Host: host, 'X-Vesk-Page': '1', 'Content-Type': 'text/plain' };
    const cases = [
      ['GET', '/', { Host: 'rebound.example:' + port }, '', 421],
      ['GET', '/', { Host: host }, '', 200],
      ['GET', '/api/recording', { Host: 'localhost:' + port }, '', 200],
      ['GET', '/etc/passwd', { Host: host }, '', 404],
      ['GET', '/../examples/rig_vue/plant.toml', { Host: host }, '', 404],
      ['POST', '/api/step', { ...page, Origin: 'http://rebound.example' }, 'press WFM_Mon', 403],
      ['POST', '/api/step', { Host: host, Origin: 'http://' + host }, 'press WFM_Mon', 403],
      ['POST', '/api/step', page, 'x'.repeat(20000), 413],
      ['POST', '/api/step', page, 'fly away', 400],
      ['POST', '/api/step', { ...page, Origin: 'http://' + host }, 'press WFM_Mon', 200],
      ['PUT', '/api/step', page, 'press WFM_Mon', 405],
    ];
    for (const [method, where, headers, body, status] of cases) {
      const answer = await raw(port, method, where, headers, body);
      assert.equal(answer.status, status, method + ' ' + where + ' ' + JSON.stringify(headers) + ': ' + answer.text);
    }
  } finally {
    assert.equal(await stop(server), 0);
  }
});
