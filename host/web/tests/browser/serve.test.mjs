// The live page of `vesk_host serve` in a real browser: Debian's headless
// Chromium driven by playwright-core. It clicks the bundled Rig_Vue panel,
// replays what the clicks recorded with `vesk_host run`, checks that a
// script's crash shows on the page while the server stays up, and checks
// the server's refusals on the wire, keyboard use, many tabs of one
// browser, the findings pane and status header after a crash and a failed
// expectation, event texts on buttons, the layout at three sizes, and a
// studio of three positions side by side. It also takes the README's
// screenshot (written to docs/images/serve.png when VESK_UPDATE_SCREENSHOT=1).
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
const faulty = path.join(build, 'host/tests/libfaulty_faults_on_press.so');
const plant = path.join(root, 'examples/rig_vue/plant.toml');
const alarmPanel = path.join(build, 'examples/alarm_panel/libAlarm_Panel.so');
const alarmPlant = path.join(root, 'examples/alarm_panel/plant.toml');
// The studio example's file, written by the build: Rig_Vue, Router_Watch and the alarm panel.
const studio = path.join(build, 'examples/studio/studio.toml');
const scratch = mkdtempSync(path.join(tmpdir(), 'vesk-serve-'));
const wait = 15000;

let browser;

// Starts `vesk_host serve` on a free port (a studio: library null, --studio
// FILE in `extra`); resolves when it prints its address.
function serve(library, extra = [], plantFile = plant) {
  const server = spawn(vesk, ['serve', '--plant', plantFile, '--port', '0', ...extra, ...(library ? [library] : [])],
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
  for (const file of [vesk, rigVue, faulty, alarmPanel, studio])
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

test('a studio shows every position side by side, and its recording replays green', async () => {
  const recording = path.join(scratch, 'studio.vesk');
  const { server, url } = await serve(null, ['--studio', studio, '--record', recording]);
  try {
    const page = await newPage(url);
    const column = (name) => '#panels .position[data-position="' + name + '"]';
    assert.deepEqual(await page.locator('#panels .position .position-name').allTextContents(),
      ['@Rig', '@Watch', '@Alarm']);
    assert.match(await text(page, '#title'), /studio of 3 positions/);
    assert.equal(await text(page, column('Watch') + ' [data-control="video"] output'), 'CAM 1');

    // A route made from Rig_Vue reaches the watch panel; the transcript names each line's position.
    await page.locator(column('Rig') + ' [data-control="Sources"] li[data-index="1"]').click();
    await untilText(page, column('Rig') + ' [data-control="video_source"] output', 'CAM 5');
    await untilText(page, column('Watch') + ' [data-control="video"] output', 'CAM 5');
    const recent = await page.locator('#transcript .recent.command').allTextContents();
    assert.ok(recent.some((line) => line.startsWith('@Rig ')), recent.join('\n'));
    assert.ok(recent.some((line) => line.startsWith('@Watch ')), recent.join('\n'));

    // The watch panel's own button, addressed to its position.
    await page.locator(column('Watch') + ' [data-control="Release"] button').click();
    await page.waitForFunction(() => /@Watch press Release/.test(document.querySelector('#transcript').textContent),
      null, { timeout: wait });
    assert.equal(await text(page, '#count-violations'), '0 violations');
    await page.close();
  } finally {
    assert.equal(await stop(server), 0);
  }

  const recorded = readFileSync(recording, 'utf8');
  assert.match(recorded, /--studio /);
  assert.match(recorded, /@Rig press Sources index=1\nexpect @Rig command "RN 12 0 1"\n/);
  assert.match(recorded, /expect @Watch command "TP 'text=CAM 5' '1' 'video'"\n/);
  assert.match(recorded, /@Watch press Release\n/);
  const replay = spawnSync(vesk, ['run', '--plant', plant, '--studio', studio, '--session', recording],
    { encoding: 'utf8' });
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
    // The findings pane names the crash and links its transcript line; the panel can no longer be clicked.
    const crash = page.locator('#findings li.crashed');
    assert.match(await crash.textContent(), /crash: script-crashed: the script crashed during "press WFM_Mon"/);
    await crash.locator('a.line-link').click();
    assert.match(await page.locator('#transcript .target').textContent(), /control "1" "WFM_Mon"/);
    assert.equal(await page.locator('[data-control="WFM_Mon"] button').isDisabled(), true);
    assert.equal(await page.locator('button[data-advance="250"]').isDisabled(), true);
    assert.match(await text(page, '#announce'), /the script crashed/);

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

test('the keyboard reaches and works every control, and focus stays where it was', async () => {
  const { server, url } = await serve(rigVue);
  try {
    const page = await newPage(url);
    const sources = page.locator('[data-control="Sources"] [role="listbox"]');
    assert.equal(await sources.getAttribute('aria-label'), 'Sources');
    // Tab from the page's start reaches the list before the clock's buttons.
    await page.locator('body').focus();
    let reached = false;
    for (let i = 0; i < 12 && !reached; ++i) {
      await page.keyboard.press('Tab');
      reached = await page.evaluate(() => document.activeElement?.getAttribute('role') === 'listbox');
    }
    assert.ok(reached, 'Tab never reached the Sources list');
    // Arrow keys move the active entry; Enter presses it.
    await page.keyboard.press('Home');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');
    assert.match(await sources.getAttribute('aria-activedescendant'), /-3$/);
    await page.keyboard.press('Enter');
    await untilText(page, '[data-control="video_source"] output', 'VT 1');
    // The redraw kept the focus on the list and its active entry.
    assert.equal(await page.evaluate(() => document.activeElement?.getAttribute('aria-label')), 'Sources');
    assert.match(await sources.getAttribute('aria-activedescendant'), /-3$/);
    await page.keyboard.press('ArrowUp');
    await page.keyboard.press('ArrowUp');
    await page.keyboard.press(' ');
    await untilText(page, '[data-control="video_source"] output', 'CAM 5');

    // Enter on a button presses it, and the focus stays on that button.
    await page.locator('[data-control="WFM_Mon"] button').focus();
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.querySelector('[data-control="VideoEnable"]')?.dataset.statesheet ===
      'KQ_Tally_Black', null, { timeout: wait });
    assert.equal(await page.evaluate(() => document.activeElement?.closest('[data-control]')?.dataset.control), 'WFM_Mon');
    const presses = await page.locator('#transcript .action').allTextContents();
    assert.equal(presses.filter((line) => /press WFM_Mon/.test(line)).length, 1, presses.join('\n'));

    // Roles and the live region.
    assert.equal(await page.locator('[role="status"][aria-live="polite"]#announce').count(), 1);
    assert.ok(await page.locator('[data-control="Sources"] [role="option"]').count() >= 5);
    assert.match(await text(page, '#announce'), /script running/);
    await page.close();
  } finally {
    assert.equal(await stop(server), 0);
  }
});

test('many tabs of one browser share one stream, and every click still goes through', async () => {
  const { server, url, port } = await serve(rigVue);
  try {
    const tabs = [];
    for (let i = 0; i < 8; ++i) tabs.push(await newPage(url));
    await tabs[7].locator('[data-control="Sources"] li[data-index="1"]').click();
    for (const tab of tabs) await untilText(tab, '[data-control="video_source"] output', 'CAM 5');
    await tabs[0].locator('[data-control="WFM_Mon"] button').click();
    await tabs[5].waitForFunction(() => document.querySelector('[data-control="VideoEnable"]')?.dataset.statesheet ===
      'KQ_Tally_Black', null, { timeout: wait });
    for (const tab of tabs.slice(1)) await tab.close();
    await tabs[0].reload();
    await tabs[0].locator('#status.running').waitFor({ timeout: wait });
    assert.equal((await raw(port, 'GET', '/', { Host: '127.0.0.1:' + port })).status, 200);

    // With the server gone, the page says so, and so does a click.
    assert.equal(await stop(server), 0);
    await tabs[0].locator('#connection').waitFor({ state: 'visible', timeout: wait });
    assert.match(await text(tabs[0], '#connection'), /reconnecting|cannot reach the server/);
    await tabs[0].evaluate(() => press('1', 'WFM_Mon', ''));
    await tabs[0].waitForFunction(() => /did not reach the server/.test(document.querySelector('#step-error').textContent),
      null, { timeout: wait });
    await tabs[0].close();
  } finally {
    await stop(server);
  }
});

test('a failed expectation is counted in the header and listed with its line', async () => {
  const { server, url } = await serve(rigVue);
  try {
    const page = await newPage(url);
    assert.equal(await text(page, '#count-expectations'), '0 failed expectations');
    assert.equal(await text(page, '#findings'), 'none so far');
    await page.locator('#step').fill('expect property video_source text "CAM 42"');
    await page.locator('#step-form button').click();
    await untilText(page, '#count-expectations', '1 failed expectation');
    assert.match(await page.locator('#count-expectations').getAttribute('class'), /bad/);
    const failed = page.locator('#findings li.expectation');
    assert.match(await failed.textContent(), /failed expectation: expect property video_source text "CAM 42": expected/);
    await failed.locator('a.line-link').click();
    assert.match(await page.locator('#transcript .target').textContent(), /^FAIL {2}expect property video_source/);
    assert.equal(await text(page, '#status'), 'running');
    assert.equal(await text(page, '#count-violations'), '0 violations');
    await page.close();
  } finally {
    assert.equal(await stop(server), 0);
  }
});

test('a button carries an event text, and a label shows its value', async () => {
  const recording = path.join(scratch, 'alarm.vesk');
  const { server, url } = await serve(alarmPanel, ['--record', recording], alarmPlant);
  try {
    const page = await newPage(url);
    assert.equal(await text(page, '[data-control="alarm_log"] .label-value-text'), '9');
    await page.locator('[data-control="ActionAll"] input.event-text').fill('alarm=ack');
    await page.locator('[data-control="ActionAll"] button').click();
    await page.waitForFunction(() => /control "1" "ActionAll" "alarm=ack"/.test(
      document.querySelector('#transcript').textContent), null, { timeout: wait });
    await page.waitForFunction(() => /TP 'value=4' '1' 'alm_fire'/.test(
      document.querySelector('#transcript').textContent), null, { timeout: wait });
    // The text stays for the next press, and Enter in it presses the button.
    await page.locator('[data-control="ActionAll"] input.event-text').fill('alarm=7');
    await page.locator('[data-control="ActionAll"] input.event-text').press('Enter');
    await page.waitForFunction(() => /TP 'value=7' '1' 'alm_door'/.test(
      document.querySelector('#transcript').textContent), null, { timeout: wait });
    // The step examples come from this plant and panel, not Rig_Vue's.
    const examples = await page.locator('#step-examples option').evaluateAll((nodes) => nodes.map((n) => n.value));
    assert.ok(examples.includes('press ActionAll'), examples.join('\n'));
    assert.ok(!examples.some((line) => /Sources|21 /.test(line)), examples.join('\n'));
    await page.close();
  } finally {
    assert.equal(await stop(server), 0);
  }
  assert.match(readFileSync(recording, 'utf8'), /press ActionAll alarm=ack\n/);
  const replay = spawnSync(vesk, ['run', '--plant', alarmPlant, '--session', recording, alarmPanel], { encoding: 'utf8' });
  assert.equal(replay.status, 0, replay.stdout.slice(-3000) + replay.stderr);
});

test('the layout shows the click and its effect together, from a phone to a wide screen', async () => {
  const { server, url } = await serve(rigVue);
  try {
    const page = await newPage(url);
    const box = (selector) => page.locator(selector).first().boundingBox();
    const inside = (b, width, height) => b && b.x >= 0 && b.y >= 0 && b.x + b.width <= width + 1 && b.y + b.height <= height + 1;

    await page.setViewportSize({ width: 800, height: 600 });
    for (const selector of ['[data-control="Sources"]', '[data-control="video_source"]', '#step', '#step-form button',
      '#transcript', '#status', '#count-expectations'])
      assert.ok(inside(await box(selector), 800, 600) || selector === '#transcript', selector + ' is off the screen at 800×600');
    const transcript = await box('#transcript');
    assert.ok(transcript.y < 300 && transcript.x < 800, 'the transcript starts below the fold at 800×600');

    await page.setViewportSize({ width: 1920, height: 1080 });
    const [panel, log, findings] = [await box('.panel-area'), await box('.transcript-area'), await box('.findings-area')];
    assert.ok(panel.x < log.x && log.x < findings.x, 'three columns at 1920×1080');
    assert.ok(findings.x + findings.width > 1920 * 0.9, 'the width is used');

    await page.setViewportSize({ width: 390, height: 844 });
    for (const selector of ['#save', '#status', '#step-form button'])
      assert.ok((await box(selector)).x + (await box(selector)).width <= 391, selector + ' falls off at 390 px');
    assert.equal(await page.evaluate(() => document.documentElement.scrollWidth <= 391), true, 'the page scrolls sideways');
    assert.equal((await page.request.get(url + 'favicon.svg')).status(), 200);
    await page.close();
  } finally {
    assert.equal(await stop(server), 0);
  }
});
