// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of the browser edition in headless Chromium and Firefox ESR: Start to the first text in
// the live region, a key press (the space bar in flight) to the start of its sound, and the
// processor time of the page's renderer process while the main menu waits and while flying.
//
// usage: node bench/measure_web_page.js SITE_DIR [chromium|firefox ...]
// (run from the source tree after `make web`; it uses the browser test's npm modules)
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('../tests/web/node_modules/puppeteer-core');
const { serveSite } = require('../tests/web/site_server');

const site = path.resolve(process.argv[2] || 'build-web/site');
const browsers = process.argv.slice(3).length ? process.argv.slice(3) : ['chromium', 'firefox'];
const kCpuSeconds = 10;

// Before the page's scripts: the live region's updates, the key presses and the sound starts,
// each with its time.
function watchPage() {
  window.figures = { heard: [], keys: [], sounds: [] };
  document.addEventListener('DOMContentLoaded', () => {
    new MutationObserver((changes) => {
      for (const change of changes) {
        for (const node of change.addedNodes) {
          window.figures.heard.push({ text: node.textContent, at: performance.now() });
        }
      }
    }).observe(document.getElementById('speech'), { childList: true });
  });
  document.addEventListener('keydown', (e) => window.figures.keys.push({ code: e.code, at: e.timeStamp }),
                            true);
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function (when, ...rest) {
    const ahead = Math.max(0, (when || 0) - this.context.currentTime);
    window.figures.sounds.push({ at: performance.now() + ahead * 1000 });
    return start.call(this, when, ...rest);
  };
}

// Processor seconds used so far by the browser's page (renderer, content) processes.
function rendererCpuSeconds(rootPid) {
  const children = new Map();
  for (const pid of fs.readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      const cmdline = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      children.set(Number(pid), { parent: Number(fields[1]), cpu: (Number(fields[11]) + Number(fields[12])), cmdline });
    } catch (e) { /* gone meanwhile */ }
  }
  const descendants = new Set([rootPid]);
  for (let grew = true; grew;) {
    grew = false;
    for (const [pid, p] of children) {
      if (!descendants.has(pid) && descendants.has(p.parent)) { descendants.add(pid); grew = true; }
    }
  }
  let ticks = 0;
  for (const pid of descendants) {
    const p = children.get(pid);
    if (p && (p.cmdline.includes('--type=renderer') || p.cmdline.includes('-isForBrowser') ||
              p.cmdline.includes('\0tab\0'))) {
      ticks += p.cpu;
    }
  }
  return ticks / 100;  // clock ticks of 10 ms
}

// The renderer's processor time over kCpuSeconds, and in Chromium also the time its main thread
// spent in tasks (less disturbed by other processes on a busy machine).
async function cpuPercent(name, page, pid) {
  const mainThreadSeconds = async () => (name === 'chromium' ? (await page.metrics()).TaskDuration : 0);
  const before = rendererCpuSeconds(pid), tasksBefore = await mainThreadSeconds();
  await new Promise((r) => setTimeout(r, kCpuSeconds * 1000));
  const percent = (seconds) => (100 * seconds / kCpuSeconds).toFixed(1) + ' %';
  const figures = { renderer: percent(rendererCpuSeconds(pid) - before) };
  if (name === 'chromium') figures.mainThread = percent(await mainThreadSeconds() - tasksBefore);
  return figures;
}

async function heard(page, text, seconds = 30) {
  await page.waitForFunction((t) => window.figures.heard.some((h) => h.text.includes(t)),
                             { timeout: seconds * 1000, polling: 50 }, text);
}

async function measure(name) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'veltro-figures-'));
  const browser = await puppeteer.launch(name === 'firefox'
    ? { browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true, userDataDir: profile }
    : { executablePath: '/usr/bin/chromium', headless: true, userDataDir: profile,
        args: ['--no-sandbox', '--disable-gpu', '--no-first-run'] });
  const figures = { browser: name };
  try {
    const server = await serveSite(site);
    const page = await browser.newPage();
    await page.evaluateOnNewDocument(watchPage);
    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    await page.waitForFunction(() => window.Module && Module.calledRun === true, { timeout: 60000 });
    const startAt = await page.evaluate(() => performance.now());
    await page.keyboard.press('Enter');
    try {
      await heard(page, 'Moon');
      figures.firstWordMs = Math.round(await page.evaluate((t) => window.figures.heard[0].at - t, startAt));
    } catch (e) {
      figures.firstWordMs = 'never (30 s)';
      return figures;
    }
    figures.idleMenuCpu = await cpuPercent(name, page, browser.process().pid);
    for (const [key, text] of [['Enter', 'Easy'], ['Enter', 'Repeat'], ['ArrowDown', 'Continue'],
                               ['Enter', 'Press and hold spacebar']]) {
      await page.keyboard.press(key);
      await heard(page, text);
    }
    await new Promise((r) => setTimeout(r, 1000));
    const soundsBefore = await page.evaluate(() => window.figures.sounds.length);
    await page.keyboard.down(name === 'firefox' ? ' ' : 'Space');
    await page.waitForFunction((n) => window.figures.sounds.length > n, { timeout: 5000 }, soundsBefore)
      .catch(() => {});
    figures.keyToSoundMs = await page.evaluate((n) => {
      const key = window.figures.keys.filter((k) => k.code === 'Space').pop();
      const sound = window.figures.sounds[n];
      return sound ? Math.round(sound.at - key.at) : 'no sound started';
    }, soundsBefore);
    await page.keyboard.up(name === 'firefox' ? ' ' : 'Space');
    figures.flyingCpu = await cpuPercent(name, page, browser.process().pid);
    server.close();
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  return figures;
}

(async () => {
  for (const name of browsers) {
    try {
      console.log(JSON.stringify(await measure(name)));
    } catch (error) {
      console.log(JSON.stringify({ browser: name, error: error.message }));
    }
  }
})();
