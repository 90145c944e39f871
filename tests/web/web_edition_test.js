// SPDX-License-Identifier: GPL-3.0-or-later
// The browser edition in Debian's headless Chromium, played with real key presses: the live
// region speaks the menus, the space bar starts and stops the thrusters (the page's sound log), a
// Moon free fall played by the headless runs' script ends with its final report, a message box is
// an accessible dialog answered with Enter, axe-core finds no accessibility violations on the
// page or on the open dialog, the keys of AZERTY and Russian keyboards mean what they say (a held
// Enter chooses once, Control alone after a flight nothing), also pressed with xdotool into a
// Chromium window on an X server set to those layouts, and a gamepad plays a whole flight.
//
// usage: node web_edition_test.js SITE_DIR (build-web/site)
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync, spawn } = require('child_process');
const puppeteer = require('puppeteer-core');
const axeSource = require('axe-core').source;
const { serveSite } = require('./site_server');

const webDir = path.resolve(process.argv[2] || 'build-web/site');
const kNoVoiceNotice = "The browser's own voice cannot speak here";

function fail(message) {
  throw new Error(message);
}

// Records every update of the live region, with the time it came.
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

// Waits until the live region has said `text` (a string, or a RegExp) since the previous wait: the
// texts of one update are joined with blanks, updates with line feeds.
async function waitToHear(page, text, seconds) {
  const wanted = text instanceof RegExp ? { pattern: text.source } : { text };
  await waitFor(page, String(text), (w) => {
    const all = window.heard.map((h) => h.text).join('\n');
    const from = window.heardFrom || 0;
    let at = -1, length = 0;
    if (w.pattern) {
      const found = new RegExp(w.pattern, 'g');
      found.lastIndex = from;
      const match = found.exec(all);
      if (match) [at, length] = [match.index, match[0].length];
    } else {
      [at, length] = [all.indexOf(w.text, from), w.text.length];
    }
    if (at < 0) return false;
    window.heardFrom = at + length;
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

// A page of the game, loaded; `prepare(argument)` runs before the page's scripts. With
// `soundLog` the page keeps its sound log; `device` is a phone or tablet to emulate.
async function openPage(browser, url, prepare, argument, { device, soundLog } = {}) {
  const page = await browser.newPage();
  page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
  if (device) await page.emulate(puppeteer.KnownDevices[device]);
  await page.evaluateOnNewDocument(listenToLiveRegion);
  if (soundLog) await page.evaluateOnNewDocument(() => { window.VeltroSoundLog = true; });
  if (prepare) await page.evaluateOnNewDocument(prepare, argument);
  await page.goto(url);
  await page.waitForFunction(() => Module.calledRun === true, { timeout: 30000 });
  return page;
}

// How many times the live region has said `text` so far.
async function timesHeard(page, text) {
  return page.evaluate((t) => window.heard.map((h) => h.text).join('\n').split(t).length - 1, text);
}

async function playMenusAndThrusters(browser, base) {
  const page = await openPage(browser, base, null, null, { soundLog: true });
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

// A whole Moon flight on a phone by taps on the touch controls: the menus, the thrusters on and
// off, the altitude, and the end of the program.
async function flyMoonByTaps(browser, base) {
  const page = await openPage(browser, base, null, null, { device: 'iPhone 13', soundLog: true });
  await page.tap('#start');
  await waitToHear(page, 'Where would you like to land?');
  await waitToHear(page, 'Moon');
  const buttons = await page.evaluate(() => [...document.querySelectorAll('#touch button')]
    .map((b) => ({ name: b.textContent, height: b.getBoundingClientRect().height })));
  if (buttons.length < 11 || buttons.some((b) => !b.name || b.height < 44)) {
    fail(`the touch controls are not large named buttons: ${JSON.stringify(buttons)}`);
  }
  await expectNoAxeViolations(page, 'the touch controls');
  for (const [button, text] of [['next', 'Earth'], ['previous', 'Moon'], ['choose', 'Easy'],
                                 ['choose', 'Repeat'], ['next', 'Continue'],
                                 ['choose', 'Press and hold spacebar to fire thrusters']]) {
    await page.tap('#touch-' + button);
    await waitToHear(page, text);
  }
  await page.tap('#touch-thrusters');
  await waitFor(page, 'the thrusters to start', () =>
    VeltroPage.soundLog.some((l) => l.includes('PlaySound("retrojet.wav"')));
  await page.tap('#touch-thrusters');
  await waitFor(page, 'the thrusters to stop', () => VeltroPage.soundLog.some((l) => l.includes('StopPlay(')));
  await page.tap('#touch-altitude');
  await waitFor(page, 'the altitude', () => /\n\d+$/.test(window.heard.map((h) => h.text).join('\n')));
  await waitToHear(page, 'Press Escape to exit', 90);
  await page.tap('#touch-back');
  await waitFor(page, 'the program to end', () => VeltroPage.ended === 0);
  const shown = await page.evaluate(() => getComputedStyle(document.getElementById('touch')).display);
  if (shown !== 'none') fail('the touch controls stay after the game ended');
  await page.close();
}

// The browser's voice asked for where it has no voice (headless Chromium lists none): the page
// says so once and the live region carries on.
async function voiceWithoutVoices(browser, base) {
  const page = await openPage(browser, base + '?voice=3');
  await page.keyboard.press('Enter');
  await waitToHear(page, kNoVoiceNotice);
  await waitToHear(page, 'Where would you like to land?');
  await waitToHear(page, 'Moon');
  await page.keyboard.press('ArrowDown');
  await waitToHear(page, 'Earth');
  if (await timesHeard(page, kNoVoiceNotice) !== 1) fail('the no-voice notice was not said once');
  await page.close();
}

// An AudioContext that never runs (no sound device, autoplay refused): the introduction still
// ends and the game speaks.
async function audioThatCannotStart(browser, base) {
  const page = await openPage(browser, base, () => {
    const Original = window.AudioContext;
    window.AudioContext = class extends Original {
      constructor(...options) {
        super(...options);
        super.suspend();
        window.stalledContexts = (window.stalledContexts || 0) + 1;
      }
      resume() { return new Promise(() => {}); }
    };
  });
  await page.keyboard.press('Enter');
  await waitToHear(page, 'Where would you like to land?', 20);
  const state = await page.evaluate(() => [window.stalledContexts, AL.currentCtx.audioCtx.state]);
  if (state[0] !== 1 || state[1] === 'running') fail(`the audio was not stalled: ${state}`);
  await page.close();
}

// A part of the game that cannot be downloaded: the page says so, with what to do.
async function failedDownloads(browser, base) {
  for (const file of ['veltro-lander.wasm', 'veltro-lander.data', 'veltro-lander.js']) {
    const page = await browser.newPage();
    await page.evaluateOnNewDocument(listenToLiveRegion);
    await page.setRequestInterception(true);
    page.on('request', (r) => (r.url().endsWith('/' + file) ? r.abort() : r.continue()));
    await page.goto(base);
    await waitToHear(page, 'The game could not be loaded');
    const status = await page.evaluate(() => document.getElementById('status').textContent);
    if (!status.includes('reload the page')) fail(`without ${file} the status says "${status}"`);
    await page.close();
  }
}

// Ten minutes of flying, the page's clock ten times as fast: Moon flights one after another.
// The page's memory stays flat: the JavaScript heap after a collection, the program's memory,
// and the page's elements within the transcript's and the live region's bounds.
async function memoryOverLongFlight(browser, base) {
  const kSpeedUp = 10;
  const page = await openPage(browser, base, (speedUp) => {
    const now = performance.now.bind(performance);
    const origin = now();
    performance.now = () => origin + (now() - origin) * speedUp;
    const setTimeoutReal = window.setTimeout;
    window.setTimeout = (f, ms, ...rest) => setTimeoutReal(f, (ms || 0) / speedUp, ...rest);
  }, kSpeedUp);
  const cdp = await page.createCDPSession();
  const measure = async () => {
    await cdp.send('HeapProfiler.collectGarbage');
    const heap = (await page.metrics()).JSHeapUsedSize;
    return page.evaluate((h) => ({ heap: h, program: HEAP8.length,
                                   elements: document.getElementsByTagName('*').length }), heap);
  };
  await page.keyboard.press('Enter');
  const fly = async () => {
    await waitToHear(page, 'Repeat', 60);
    await page.keyboard.press('ArrowDown');
    await waitToHear(page, 'Continue');
    await page.keyboard.press('Enter');
    await waitToHear(page, 'Press Escape to exit', 120);
  };
  await waitToHear(page, 'Moon');
  await page.keyboard.press('Enter');
  await waitToHear(page, 'Easy');
  await page.keyboard.press('Enter');
  await fly();
  const first = await measure();
  const flyingSince = await page.evaluate(() => performance.now());
  let flights = 1;
  while (await page.evaluate((t) => performance.now() - t, flyingSince) < 600000) {
    await page.keyboard.press('KeyX');  // any other key: the same world again
    await fly();
    ++flights;
  }
  const last = await measure();
  const grown = last.heap - first.heap;
  // The transcript keeps its last 500 lines, the live region its recent updates.
  if (grown > 2e6 || last.program > first.program || last.elements > 700) {
    fail(`memory grew over ${flights} flights: ${JSON.stringify(first)} -> ${JSON.stringify(last)}`);
  }
  await page.close();
  return { flights, heapGrowth: grown };
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
  // Its title is the dialog's name and nothing else: a screen reader reads it once.
  const tree = await page.accessibility.snapshot({ root: await page.$('#box'), interestingOnly: false });
  const titles = JSON.stringify(tree).split('"Error!"').length - 1;
  if (tree.name !== 'Error!' || titles !== 1) fail(`the box's title is in it ${titles} times`);
  await page.keyboard.press('Enter');
  await waitFor(page, 'the message box to close and the game to have the keyboard', () =>
    document.getElementById('box-backdrop').hidden && document.activeElement.id === 'game');
  // With no voice at all the game goes on through the live region.
  await waitToHear(page, kNoVoiceNotice);
  await waitToHear(page, 'Where would you like to land?');
  await page.close();
}

// The page's OpenAL layer (openal_fades.js) fades a stopped source out: rendered offline, a tone
// stopped part-way through a period steps no more than while it played, and is silent soon after.
async function stopFadesOut(browser) {
  const library = fs.readFileSync(
    path.join(__dirname, '../../src/platform/web/openal_fades.js'), 'utf8');
  const page = await browser.newPage();
  const heard = await page.evaluate(async (code) => {
    const LibraryManager = { library: { $AL: {} } };
    eval(code);
    const rate = 48000, stopFrame = 80 * 128;  // a render quantum's start, 93.87 periods in
    const context = new OfflineAudioContext(1, rate / 2, rate);
    const tone = context.createBuffer(1, rate / 10, rate);
    const data = tone.getChannelData(0);
    for (let i = 0; i < data.length; ++i) data[i] = 0.5 * Math.sin(2 * Math.PI * 440 * i / rate);
    const node = context.createBufferSource();
    Object.assign(node, { buffer: tone, loop: true, _startTime: 0 });
    const src = { context: { audioCtx: context }, audioQueue: [node], gain: context.createGain() };
    node.connect(src.gain);
    src.gain.connect(context.destination);
    node.start(0);
    context.suspend(stopFrame / rate).then(() => {
      LibraryManager.library.$AL.stopSourceAudio(src);
      context.resume();
    });
    const out = (await context.startRendering()).getChannelData(0);
    const largestStep = (from, to) => {
      let largest = 0;
      for (let i = from + 1; i < to; ++i) largest = Math.max(largest, Math.abs(out[i] - out[i - 1]));
      return largest;
    };
    return { playing: largestStep(0, stopFrame), stopping: largestStep(stopFrame - 1, out.length),
             after: Math.max(...out.slice(stopFrame + rate / 100).map(Math.abs)) };
  }, library);
  await page.close();
  if (heard.stopping > heard.playing || heard.after > 1e-6) {
    fail(`a stopped sound does not fade out: ${JSON.stringify(heard)}`);
  }
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
  await waitToHear(page, /Press Escape to exit/);
  await key('Control', 'ControlLeft', { modifiers: 2 });
  await key('Alt', 'AltLeft', { modifiers: 1 });
  await key('т', 'KeyN');
  await waitToHear(page, 'Where would you like to land?');
  if (await timesHeard(page, 'Difficulty Level?') !== 1 ||
      await timesHeard(page, 'Press and hold spacebar to fire thrusters') !== 1) {
    const heard = await page.evaluate(() => window.heard.map((h) => h.text));
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
          [/[0-9]+/, q], [/Press Escape to exit/, n]]) {
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
  }, null, { soundLog: true });
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
  await waitToHear(page, /Final Fuel [0-9]+, Final Velocity [0-9]+/, 90);
  await waitToHear(page, /Press Escape to exit/);
  await hold(A, 120);  // fly again
  await waitToHear(page, 'Repeat');
  await hold({ axis: 1 }, 300);  // the left stick down
  await waitToHear(page, 'Continue');
  await hold(A, 120);
  await waitToHear(page, 'Press and hold spacebar to fire thrusters');
  await hold(BACK, 120);
  await waitToHear(page, /Press Escape to exit/);
  await hold(B, 120);
  await waitFor(page, 'the program to end', () => VeltroPage.ended === 0);
  const starts = await page.evaluate(() =>
    VeltroPage.soundLog.filter((l) => l.includes('PlaySound("retrojet.wav"')).length);
  if (starts !== 2) fail(`the south button and the trigger started the thrusters ${starts} times`);
  await page.close();
}

async function main() {
  const server = await serveSite(webDir);
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
    await stopFadesOut(browser);
    const firstWordMs = await playMenusAndThrusters(browser, base);
    await playScriptedFreeFall(browser, base);
    await answerMessageBox(browser, base);
    await flyMoonByTaps(browser, base);
    await voiceWithoutVoices(browser, base);
    await audioThatCannotStart(browser, base);
    await failedDownloads(browser, base);
    const memory = await memoryOverLongFlight(browser, base);
    await playOtherLayouts(browser, base);
    await playByGamepad(browser, base);
    await playRealLayouts(base);
    const sizes = ['veltro-lander.wasm', 'veltro-lander.js', 'veltro-lander.data']
      .map((f) => `${f} ${fs.statSync(path.join(webDir, f)).size} bytes`).join(', ');
    console.log(`PASS: first word ${Math.round(firstWordMs)} ms after Start; ${sizes}; ` +
                `${memory.flights} flights in 10 minutes, heap ${memory.heapGrowth} bytes more`);
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
