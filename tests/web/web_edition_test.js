// The browser edition in Debian's headless Chromium, played with real key presses: the live
// region speaks the menus, the space bar starts and stops the thrusters (the page's sound log), a
// Moon free fall played by the headless runs' script ends with its final report, a message box is
// an accessible dialog answered with Enter, axe-core finds no accessibility violations on the
// page or on the open dialog, the keys of AZERTY and Russian keyboards mean what they say (a held
// Enter chooses once, Control alone after a flight nothing), also pressed with xdotool into a
// Chromium window on an X server set to those layouts, and a gamepad plays a whole flight.
//
// usage: node web_edition_test.js WEB_BUILD_DIR
'use strict';

const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const { execFileSync, spawn } = require('child_process');
const puppeteer = require('puppeteer-core');
const axeSource = require('axe-core').source;

const webDir = path.resolve(process.argv[2] || 'build-web');
const kTypes = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                 '.data': 'application/octet-stream' };

function fail(message) {
  throw new Error(message);
}

// The page's files, on 127.0.0.1 only.
function serve() {
  const server = http.createServer((request, response) => {
    const name = path.normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    const file = path.join(webDir, name === '/' ? 'index.html' : name);
    if (!file.startsWith(webDir + path.sep) || !fs.existsSync(file)) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': kTypes[path.extname(file)] || 'text/plain' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Records every text the live region is given, with the time it came.
function listenToLiveRegion() {
  window.heard = [];
  document.addEventListener('DOMContentLoaded', () => {
    new MutationObserver((changes) => {
      for (const change of changes) {
        for (const node of change.addedNodes) {
          window.heard.push({ text: node.textContent, at: performance.now() });
        }
      }
    }).observe(document.getElementById('speech'), { childList: true });
  });
}

async function waitFor(page, what, predicate, arg, seconds = 20) {
  try {
    await page.waitForFunction(predicate, { timeout: seconds * 1000, polling: 50 }, arg);
  } catch (error) {
    const heard = await page.evaluate(() => window.heard.map((h) => h.text).slice(-8));
    const sounds = await page.evaluate(() => VeltroPage.soundLog.slice(-5));
    fail(`waited ${seconds}s for ${what}; last heard ${JSON.stringify(heard)}, ` +
         `last sounds ${JSON.stringify(sounds)}`);
  }
}

// Waits until the live region has said `text` since the previous wait (exactly that text, or
// all of it matching a RegExp).
async function waitToHear(page, text, seconds) {
  const wanted = text instanceof RegExp ? { pattern: text.source } : { text };
  await waitFor(page, String(text), (w) => {
    const said = (t) => (w.pattern ? new RegExp(`^(?:${w.pattern})$`).test(t) : t === w.text);
    const at = window.heard.findIndex((h, i) => i >= (window.heardFrom || 0) && said(h.text));
    if (at < 0) return false;
    window.heardFrom = at + 1;
    return true;
  }, wanted, seconds);
}

// Presses each key, then waits to hear its words.
async function pressAndHear(page, steps) {
  for (const [key, words] of steps) {
    await page.keyboard.press(key);
    await waitToHear(page, words);
  }
}
// From "Moon" in the world menu: Moon, Easy, past the briefing, into the flight.
const kIntoMoonFlight = [['Enter', 'Easy'], ['Enter', 'Repeat'], ['ArrowDown', 'Continue'],
                         ['Enter', 'Press and hold spacebar to fire thrusters']];

async function expectNoAxeViolations(page, where) {
  await page.evaluate(axeSource);
  const violations = await page.evaluate(async () => (await axe.run(document)).violations);
  if (violations.length > 0) {
    fail(`axe-core on ${where}: ` + violations.map((v) =>
      `${v.id} (${v.nodes.map((n) => n.target.join(' ')).join(', ')})`).join('; '));
  }
}

async function openPage(browser, url, prepare, argument) {
  const page = await browser.newPage();
  page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
  await page.evaluateOnNewDocument(listenToLiveRegion);
  if (prepare) await page.evaluateOnNewDocument(prepare, argument);
  await page.goto(url);
  await page.waitForFunction(() => Module.calledRun === true, { timeout: 30000 });
  return page;
}

async function playMenusAndThrusters(browser, base) {
  const page = await openPage(browser, base);
  await expectNoAxeViolations(page, 'the start page');
  const focused = await page.evaluate(() => document.activeElement.id);
  if (focused !== 'start') fail(`the Start button does not have the focus (${focused} has)`);

  const startedAt = await page.evaluate(() => performance.now());
  await page.keyboard.press('Enter');
  await waitToHear(page, 'Where would you like to land?');
  await waitToHear(page, 'Moon');
  const firstWordMs = await page.evaluate((t) => window.heard[0].at - t, startedAt);
  await page.keyboard.press('ArrowDown');
  await waitToHear(page, 'Earth');
  await page.keyboard.press('ArrowUp');
  await waitToHear(page, 'Moon');
  const help = browser.waitForTarget((t) => t.url().endsWith('/help.html'), { timeout: 10000 });
  await page.keyboard.press('F1');
  await (await (await help).page()).close();

  // Moon, Easy, past the briefing; the space bar held a while starts the thrusters, its release
  // stops them.
  await pressAndHear(page, kIntoMoonFlight);
  await page.keyboard.down('Space');
  await waitFor(page, 'the thrusters to start', () =>
    VeltroPage.soundLog.some((l) => l.includes('PlaySound("retrojet.wav"')));
  await page.keyboard.up('Space');
  await waitFor(page, 'the thrusters to stop', () => {
    const log = VeltroPage.soundLog;
    const start = log.findIndex((l) => l.includes('PlaySound("retrojet.wav"'));
    const handle = log[start].split('-> ')[1];
    return log.slice(start + 1).some((l) => l.includes(`StopPlay(${handle})`));
  });
  const starts = await page.evaluate(() =>
    VeltroPage.soundLog.filter((l) => l.includes('PlaySound("retrojet.wav"')));
  if (starts.length !== 1) fail(`holding the space bar started the thrusters ${starts.length} times`);
  if (starts[0].endsWith('-> 0')) fail(`the thruster sound did not load: ${starts[0]}`);
  await page.close();
  return firstWordMs;
}

// The Moon free fall of the headless runs' script, played in the page: its final report, then
// Escape ends the program.
async function playScriptedFreeFall(browser, base) {
  const script = fs.readFileSync(path.join(__dirname, '../program/scripts/moon_free_fall.keys'), 'utf8');
  const page = await openPage(browser, base, (text) => { window.VeltroScript = text; }, script);
  await page.keyboard.press('Enter');
  await waitToHear(page, 'Final Fuel 224, Final Velocity 100.\r\n', 90);
  await waitFor(page, 'the program to end', () => VeltroPage.ended === 0);
  await page.close();
}

// A browser without speech synthesis, asked for its voice: the game says so in a message box.
async function answerMessageBox(browser, base) {
  const page = await openPage(browser, base + '?voice=3', () => {
    delete window.speechSynthesis;
    delete window.SpeechSynthesisUtterance;
  });
  await page.keyboard.press('Enter');
  await waitFor(page, 'the message box', () => !document.getElementById('box-backdrop').hidden);
  const box = await page.evaluate(() => ({
    text: document.getElementById('box-text').textContent,
    focus: document.activeElement.id,
    role: document.getElementById('box').getAttribute('role'),
  }));
  if (box.text !== 'Error initializing screen reader or MS SAPI.' || box.focus !== 'box-ok' ||
      box.role !== 'alertdialog') {
    fail(`unexpected message box ${JSON.stringify(box)}`);
  }
  await expectNoAxeViolations(page, 'the open message box');
  await page.keyboard.press('Enter');
  await waitFor(page, 'the message box to close and the game to have the keyboard', () =>
    document.getElementById('box-backdrop').hidden && document.activeElement.id === 'game');
  await page.close();
}

// Keys of other layouts, as the browser reports them (`key`: what the key types; `code`: its place
// on a US keyboard): AZERTY's A at Q is A, its digit row's "&" and "\"" are 1 and 3, a Russian
// key is the US letter in its place, and so is Greek's ";" at Q; Dvorak's keys are its own.
async function playOtherLayouts(browser, base) {
  const page = await openPage(browser, base);
  const codes = await page.evaluate(() => [
    ['a', 'KeyQ'], ['q', 'KeyA'], ['m', 'Semicolon'], [',', 'KeyM'], ['&', 'Digit1'],
    ['"', 'Digit3'], ['ф', 'KeyA'], ['т', 'KeyN'], ['α', 'KeyA'], [';', 'KeyQ'], ['o', 'KeyS'],
    ["'", 'KeyQ'], ['1', 'Numpad1'], ['ö', 'Semicolon'], ['Enter', 'Enter'],
  ].map(([key, code]) => VeltroKeys.codeOf({ key, code })));
  const expected = [65, 81, 77, 188, 49, 51, 65, 78, 65, 81, 79, 222, 97, 186, 13];
  if (JSON.stringify(codes) !== JSON.stringify(expected)) fail(`layout key codes ${codes}`);

  // Real key events of those layouts in a flight: the AZERTY A speaks the altitude (no abort),
  // the Russian keys at F and V the fuel and velocity, an Enter held down in a menu chooses once,
  // Control alone after the flight chooses nothing, the Russian key at N a new world.
  const client = await page.target().createCDPSession();
  const key = async (key, code, { modifiers = 0, autoRepeat = false, up = true } = {}) => {
    await client.send('Input.dispatchKeyEvent', { type: 'keyDown', key, code, modifiers, autoRepeat,
      text: key.length === 1 ? key : '' });
    if (up) await client.send('Input.dispatchKeyEvent', { type: 'keyUp', key, code, modifiers });
  };
  await page.keyboard.press('Enter');
  await waitToHear(page, 'Moon');
  await key('Enter', 'Enter', { up: false });
  for (let i = 0; i < 20; ++i) await key('Enter', 'Enter', { autoRepeat: true, up: i === 19 });
  await waitToHear(page, 'Easy');
  await pressAndHear(page, kIntoMoonFlight.slice(1));
  await key('a', 'KeyQ');
  await waitToHear(page, /[0-9]+/);
  await key('а', 'KeyF');
  await waitToHear(page, /Fuel: 224/);
  await key('м', 'KeyV');
  await waitToHear(page, /v-?[0-9]+/);
  await key('Control', 'ControlLeft', { modifiers: 2 });
  await key('й', 'KeyQ');  // abort
  await waitToHear(page, /Press Escape to exit.*/);
  await key('Control', 'ControlLeft', { modifiers: 2 });
  await key('Alt', 'AltLeft', { modifiers: 1 });
  await key('т', 'KeyN');
  await waitToHear(page, 'Where would you like to land?');
  const heard = await page.evaluate(() => window.heard.map((h) => h.text));
  const count = (t) => heard.filter((h) => h === t).length;
  if (count('Difficulty Level?') !== 1 || count('Press and hold spacebar to fire thrusters') !== 1) {
    fail(`held Enter or a modifier key alone chose more than once: ${JSON.stringify(heard)}`);
  }
  await page.close();
}

// A private X server (-noreset: it would forget the layout when setxkbmap leaves); its display.
function startXvfb() {
  const server = spawn('Xvfb', ['-displayfd', '3', '-nolisten', 'tcp', '-noreset'],
                       { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('Xvfb did not start')), 10000);
    server.stdio[3].once('data', (data) => {
      clearTimeout(timer);
      resolve({ server, display: `:${String(data).trim()}` });
    });
  });
}

// Real key presses (xdotool, as a player's keyboard sends them) into a Chromium window on a
// private X server set to AZERTY, then to Russian: the keys marked A, Q and N speak the altitude,
// abort the flight and return to the worlds.
async function playRealLayouts(base) {
  const { server, display } = await startXvfb();
  const env = { ...process.env, DISPLAY: display };
  const xdotool = (...args) => execFileSync('xdotool', args, { env, timeout: 10000 });
  try {
    for (const [layout, a, q, n] of [['fr', 'a', 'q', 'n'],
      ['ru', 'Cyrillic_ef', 'Cyrillic_shorti', 'Cyrillic_te']]) {
      execFileSync('setxkbmap', ['-display', display, layout], { timeout: 10000 });
      const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'veltro-chromium-x-'));
      const browser = await puppeteer.launch({
        executablePath: '/usr/bin/chromium', headless: false, userDataDir: profile, env,
        args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-sync',
               '--disable-background-networking', '--disable-component-update'],
      });
      try {
        const page = await openPage(browser, base);
        xdotool('search', '--sync', '--onlyvisible', '--name', 'Veltro Lander', 'windowfocus',
                '--sync');
        xdotool('key', 'Return');  // Start
        for (const [words, key] of [['Moon', 'Return'], ['Easy', 'Return'], ['Repeat', 'Down'],
          ['Continue', 'Return'], ['Press and hold spacebar to fire thrusters', a],
          [/[0-9]+/, q], [/Press Escape to exit[\s\S]*/, n]]) {
          await waitToHear(page, words);
          xdotool('key', key);
        }
        await waitToHear(page, 'Where would you like to land?');
        const reports = await page.evaluate(() =>
          window.heard.filter((h) => h.text.startsWith('Final Fuel')).length);
        if (reports !== 0) fail(`${layout}: the flight was not aborted`);
      } finally {
        await browser.close();
        fs.rmSync(profile, { recursive: true, force: true });
      }
    }
  } finally {
    server.kill();
  }
}

// A whole Moon flight with a gamepad alone (navigator.getGamepads stubbed with a standard pad).
async function playByGamepad(browser, base) {
  const page = await openPage(browser, base, () => {
    window.fakePad = { connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
                       buttons: Array.from({ length: 17 }, () => ({ value: 0 })) };
    Object.defineProperty(navigator, 'getGamepads', { value: () => [window.fakePad] });
  });
  const set = (control, value) => page.evaluate((c, v) => {
    if (c.button !== undefined) window.fakePad.buttons[c.button].value = v;
    else window.fakePad.axes[c.axis] = v;
  }, control, value);
  const hold = async (control, ms, value = 1) => {
    await set(control, value);
    await new Promise((resolve) => setTimeout(resolve, ms));
    await set(control, 0);
    await new Promise((resolve) => setTimeout(resolve, 120));
  };
  const [A, B, Y, LB, RB, BACK, START, DOWN] = [0, 1, 3, 4, 5, 8, 9, 13].map((b) => ({ button: b }));
  await hold(A, 120);  // presses Start
  for (const [words, button] of [['Moon', A], ['Easy', A], ['Repeat', DOWN], ['Continue', A],
    ['Press and hold spacebar to fire thrusters', Y], [/Fuel: 224/, RB], [/v-?[0-9]+/, LB],
    [/[0-9]+/, START], ['spacebar Hold down to use thrusters', B]]) {
    await waitToHear(page, words);
    await hold(button, 120);
  }
  await hold(A, 300);                 // in flight: the thrusters
  await hold({ button: 7 }, 1000);    // the right trigger: the thrusters
  await waitToHear(page, /Final Fuel [0-9]+, Final Velocity [0-9]+[\s\S]*/, 90);
  await waitToHear(page, /Press Escape to exit[\s\S]*/);
  await hold(A, 120);  // fly again
  await waitToHear(page, 'Repeat');
  await hold({ axis: 1 }, 300);  // the left stick down
  await waitToHear(page, 'Continue');
  await hold(A, 120);
  await waitToHear(page, 'Press and hold spacebar to fire thrusters');
  await hold(BACK, 120);
  await waitToHear(page, /Press Escape to exit[\s\S]*/);
  await hold(B, 120);
  await waitFor(page, 'the program to end', () => VeltroPage.ended === 0);
  const starts = await page.evaluate(() =>
    VeltroPage.soundLog.filter((l) => l.includes('PlaySound("retrojet.wav"')).length);
  if (starts !== 2) fail(`the south button and the trigger started the thrusters ${starts} times`);
  await page.close();
}

async function main() {
  const server = await serve();
  const base = `http://127.0.0.1:${server.address().port}/`;
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'veltro-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  try {
    const firstWordMs = await playMenusAndThrusters(browser, base);
    await playScriptedFreeFall(browser, base);
    await answerMessageBox(browser, base);
    await playOtherLayouts(browser, base);
    await playByGamepad(browser, base);
    await playRealLayouts(base);
    const sizes = ['veltro-lander.wasm', 'veltro-lander.js', 'veltro-lander.data']
      .map((f) => `${f} ${fs.statSync(path.join(webDir, f)).size} bytes`).join(', ');
    console.log(`PASS: first word ${Math.round(firstWordMs)} ms after Start; ${sizes}`);
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.log(`FAIL: ${error.message}`);
  process.exit(1);
});
