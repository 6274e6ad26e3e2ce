// Drives the browser build in headless Chromium through puppeteer-core.
//
//   node browser_driver.cjs test  URL WORK   the browser test's runs (see browser_test.sh)
//   node browser_driver.cjs bench URL WORK   the benchmark's figures (see bench/web)
//
// test writes WORK/browser.txt (every frame's hash of the whole check run),
// WORK/browser_sound.txt (the SHA-256 of its sound), WORK/shot-TICK.png (the
// canvas at each tick of WORK/ticks.txt), and fails on a live scene that
// does not play (fewer than half the show's 70 frames a second: a stalled
// or event-driven page) or plays without a running audio context, and on an
// Escape that does not end the show with its message, and on a hidden tab
// whose show clock or music goes on. The live rate itself
// (60 and more) is the benchmark's figure: a shared machine's load must not
// decide a test.
'use strict';
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [mode, url, work] = process.argv.slice(2);
// A tick a second into each scene's drawing (the seventh draws nothing
// until its replay starts at 14891).
const kLiveTicks = [70, 3010, 6865, 9521, 10521, 13191, 14961, 16261];
const kLiveSeconds = 3;
const failures = [];

function launch() {
  return puppeteer.launch({
    executablePath: process.env.TUNDRIX_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    protocolTimeout: 900000,
    args: ['--no-sandbox', '--mute-audio', '--autoplay-policy=no-user-gesture-required'],
  });
}

async function openPage(browser, query) {
  const page = await browser.newPage();
  page.on('pageerror', (e) => failures.push(`page error (${query}): ${e.message}`));
  await page.setViewport({ width: 1000, height: 700 });
  await page.goto(url + query);
  await page.waitForFunction('window.tundrixReady', { timeout: 60000 });
  return page;
}

// The whole show (or from..to) on the virtual clock.
async function checkRun(browser, query) {
  const page = await openPage(browser, '?check' + query);
  const started = Date.now();
  await page.waitForFunction('window.tundrixCheck', { timeout: 900000, polling: 500 });
  const seconds = (Date.now() - started) / 1000;
  const result = await page.evaluate(() => window.tundrixCheck);
  return { page, result, seconds };
}

// A few seconds of the live show from a tick, started by a click with sound
// on: presents per second, and the page's CPU share from Chromium's own
// task accounting.
async function liveRun(browser, tick) {
  const page = await openPage(browser, `?from=${tick}`);
  const client = await page.createCDPSession();
  await client.send('Performance.enable');
  const loaded = Date.now();
  await page.click('#go');
  await page.waitForFunction('window.tundrixStats.firstFrameAt !== null', { timeout: 30000 });
  const firstFrame = (Date.now() - loaded) / 1000;
  await new Promise((r) => setTimeout(r, 1000));  // past the scene's set-up
  const metric = async () => {
    const m = (await client.send('Performance.getMetrics')).metrics;
    return Object.fromEntries(m.map((e) => [e.name, e.value]));
  };
  const before = await metric();
  const presents0 = await page.evaluate(() => window.tundrixStats.presents);
  const t0 = Date.now();
  await new Promise((r) => setTimeout(r, kLiveSeconds * 1000));
  const presents1 = await page.evaluate(() => window.tundrixStats.presents);
  const elapsed = (Date.now() - t0) / 1000;
  const after = await metric();
  const audio = await page.evaluate(() => (window.tundrixAudio ? window.tundrixAudio.state : 'none'));
  return {
    page,
    fps: (presents1 - presents0) / elapsed,
    cpu: (after.TaskDuration - before.TaskDuration) / (after.Timestamp - before.Timestamp),
    audio,
    firstFrame,
  };
}

// Hides the tab for a second, then shows it again for a second, as a
// browser does when the viewer switches tabs: the show clock must stand
// still and the audio be suspended while hidden, and both go on from there.
async function hiddenTab(page) {
  return page.evaluate(async () => {
    const setHidden = (hidden) => {
      Object.defineProperty(document, 'hidden', { configurable: true, get: () => hidden });
      Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => (hidden ? 'hidden' : 'visible') });
      document.dispatchEvent(new Event('visibilitychange'));
    };
    const wait = (ms) => new Promise((r) => setTimeout(r, ms));
    setHidden(true);
    const t0 = Module.showMillis();
    await wait(1000);
    const t1 = Module.showMillis();
    const audioHidden = window.tundrixAudio.state;
    setHidden(false);
    await wait(1000);
    return { still: t1 - t0, audioHidden, resumed: Module.showMillis() - t1, audio: window.tundrixAudio.state };
  });
}

async function test() {
  const browser = await launch();
  try {
    const whole = await checkRun(browser, '');
    const r = whole.result;
    fs.writeFileSync(path.join(work, 'browser.txt'), r.frames.map((h, i) => `${r.firstSlot + i} ${h}\n`).join(''));
    fs.writeFileSync(path.join(work, 'browser_sound.txt'), r.sound + '\n');
    await whole.page.close();
    console.log(`check run: ${r.frames.length} frames in ${whole.seconds.toFixed(1)} s`);

    for (const tick of fs.readFileSync(path.join(work, 'ticks.txt'), 'utf8').split(/\s+/).filter(Boolean)) {
      const shot = await checkRun(browser, `&from=${tick}&to=${tick}`);
      const canvas = await shot.page.$('#screen');
      await canvas.screenshot({ path: path.join(work, `shot-${tick}.png`) });
      await shot.page.close();
    }

    for (let s = 0; s < kLiveTicks.length; s++) {
      const live = await liveRun(browser, kLiveTicks[s]);
      console.log(`scene ${s + 1} live: ${live.fps.toFixed(1)} frames/s, audio ${live.audio}`);
      if (live.fps < 35) failures.push(`scene ${s + 1}: ${live.fps.toFixed(1)} frames per second live`);
      if (live.audio !== 'running') failures.push(`scene ${s + 1}: audio context ${live.audio}`);
      if (s === 1) {
        const hidden = await hiddenTab(live.page);
        console.log(`hidden tab: the clock moved ${hidden.still.toFixed(0)} ms in 1 s hidden (audio ${hidden.audioHidden}), ` +
          `${hidden.resumed.toFixed(0)} ms in 1 s shown again (audio ${hidden.audio})`);
        if (hidden.still !== 0) failures.push(`the show clock moved ${hidden.still.toFixed(0)} ms while the tab was hidden`);
        if (hidden.audioHidden !== 'suspended') failures.push(`audio context ${hidden.audioHidden} while hidden`);
        if (!(hidden.resumed > 0 && hidden.resumed < 1900))
          failures.push(`the show clock moved ${hidden.resumed} ms in the second after the tab came back`);
        if (hidden.audio !== 'running') failures.push(`audio context ${hidden.audio} after the tab came back`);
      }
      if (s === 0) {
        await live.page.keyboard.press('Escape');
        await live.page.waitForFunction('window.tundrixEnding !== undefined', { timeout: 30000 });
        const ending = await live.page.evaluate(() => window.tundrixEnding);
        if (ending !== 'Bou bou bou.') failures.push(`Escape in the first scene ended with "${ending}"`);
      }
      await live.page.close();
    }
  } finally {
    await browser.close();
  }
}

async function bench() {
  const browser = await launch();
  try {
    for (let s = 0; s < kLiveTicks.length; s++) {
      const live = await liveRun(browser, kLiveTicks[s]);
      console.log(`scene ${s + 1}: ${live.fps.toFixed(1)} frames/s live, ${(100 * live.cpu).toFixed(0)}% of a core, ` +
        `first frame ${live.firstFrame.toFixed(2)} s after the click`);
      await live.page.close();
    }
    const loadStart = Date.now();
    const page = await browser.newPage();
    await page.goto(url);
    await page.waitForFunction('window.tundrixReady', { timeout: 60000 });
    const ready = (Date.now() - loadStart) / 1000;
    await page.click('#go');
    await page.waitForFunction('window.tundrixStats.firstFrameAt !== null', { timeout: 30000 });
    console.log(`load to start screen ready: ${ready.toFixed(2)} s; load to first frame: ${((Date.now() - loadStart) / 1000).toFixed(2)} s`);
    await page.close();
    const whole = await checkRun(browser, '');
    console.log(`whole show on the virtual clock: ${whole.seconds.toFixed(1)} s in the browser`);
    await whole.page.close();
  } finally {
    await browser.close();
  }
}

(mode === 'bench' ? bench() : test())
  .then(() => {
    for (const f of failures) console.error(`FAIL: ${f}`);
    process.exit(failures.length ? 1 : 0);
  })
  .catch((e) => {
    console.error(`FAIL: ${e.stack || e}`);
    process.exit(1);
  });
