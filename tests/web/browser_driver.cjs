// Drives the browser build in headless Chromium through puppeteer-core, as a
// visitor meets it: every run starts by a real click (no autoplay switch),
// and any page error or console error fails it.
//
//   node browser_driver.cjs test  URL WORK   the browser test's runs (see browser_test.sh)
//   node browser_driver.cjs bench URL WORK   the benchmark's figures (see bench/web)
//
// URL serves the site at URL and, for the test, a copy without tundrix.wasm
// at URL../nowasm/. test writes WORK/browser.txt (every frame's hash of the
// whole check run), WORK/browser_sound.txt (the SHA-256 of its sound) and
// WORK/shot-TICK.png (the canvas at each tick of WORK/ticks.txt), and fails
// on:
//  - a live scene that does not play (fewer than half the show's 70 frames a
//    second: a stalled or event-driven page) or plays without its audio
//    running; its sound more than 2 ticks from its picture (90% of a live
//    run's readings), and not back within 2 ticks a second after the audio
//    was suspended for 3 s with the tab visible;
//  - a hidden tab whose show clock or music goes on; a pause (a tap on the
//    picture, then the bar's button) whose clock or music goes on for a
//    second, or that keeps the screen awake; a next scene that does not land
//    on that scene's first tick with the whole show's frames;
//  - Escape on the start screen that touches the show; Escape in the show
//    that does not end it with its message;
//  - a phone (portrait and landscape) or a laptop at pixel ratios 1.25 and
//    1.5 whose picture overflows, is not the largest whole scale, or has a
//    show pixel that is not a block of whole device pixels of one size;
//  - an insecure origin, or an audio context the browser will not start,
//    whose show does not play silently with its line; a missing tundrix.wasm
//    the page does not name; hiding the tab after the end that errs.
// The live rate itself (60 and more) and the offset's exact figures are the
// benchmark's: a shared machine's load must not decide a test.
'use strict';
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [mode, url, work] = process.argv.slice(2);
// A tick a second into each scene's drawing (the seventh draws nothing
// until its replay starts at 14891).
const kLiveTicks = [70, 3010, 6865, 9521, 10521, 13191, 14961, 16261];
const kSceneStart = [0, 2940, 6795, 9451, 10451, 13121, 14191, 16191];
const kLiveSeconds = 3;
const failures = [];
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

function launch(extra = []) {
  return puppeteer.launch({
    executablePath: process.env.TUNDRIX_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    protocolTimeout: 900000,
    args: ['--no-sandbox', '--mute-audio', ...extra],
  });
}

// Errors a run expects (a missing file it asked for) pass; any other fails.
async function openPage(browser, query, options = {}) {
  const page = await browser.newPage();
  const where = options.base || url;
  page.on('pageerror', (e) => failures.push(`page error (${where}${query}): ${e.message}`));
  page.on('console', (m) => {
    if (m.type() !== 'error') return;
    const source = (m.location() && m.location().url) || '';
    if (!(options.expectMissing && source.endsWith(options.expectMissing)))
      failures.push(`console error (${where}${query}): ${m.text()} ${source}`);
  });
  if (options.before) await options.before(page);
  if (options.viewport) await page.setViewport(options.viewport);
  else await page.setViewport({ width: 1000, height: 700 });
  await page.goto(where + query);
  if (!options.noWait) await page.waitForFunction('window.tundrixReady', { timeout: 60000 });
  return page;
}

const stat = (page) => page.evaluate(() => {
  const s = window.tundrixStats;
  return { drawn: s.drawn, displayed: s.displayed, tick: s.canvasTick, wakeLock: s.wakeLock,
           audio: window.tundrixAudio ? window.tundrixAudio.state : 'none', soundFrame: s.soundFrame };
});

// The whole show (or from..to) on the virtual clock.
async function checkRun(browser, query) {
  const page = await openPage(browser, '?check' + query);
  const started = Date.now();
  await page.waitForFunction('window.tundrixCheck', { timeout: 900000, polling: 500 });
  const seconds = (Date.now() - started) / 1000;
  const result = await page.evaluate(() => window.tundrixCheck);
  return { page, result, seconds };
}

// Opens the show at a tick and starts it with a click (or a tap).
async function startLive(browser, tick, options = {}) {
  const page = await openPage(browser, `?from=${tick}`, options);
  const loaded = Date.now();
  if (options.tap) await page.tap('#go');
  else await page.click('#go');
  await page.waitForFunction('window.tundrixStats.firstFrameAt !== null', { timeout: 30000 });
  return { page, firstFrame: (Date.now() - loaded) / 1000 };
}

// Offsets in ticks between the sound heard and the picture since ms (page
// time), as [ms after, offset] pairs.
const offsetsSince = (page, since) =>
  page.evaluate((t) => window.tundrixStats.offsets.filter((o) => o[0] >= t).map((o) => [o[0] - t, o[1]]), since);
const quantile = (values, q) => {
  const v = values.map(Math.abs).sort((a, b) => a - b);
  return v.length ? v[Math.min(v.length - 1, Math.floor(q * v.length))] : NaN;
};

// A few seconds of the live show from a tick: frames drawn and displayed a
// second, the page's CPU share from Chromium's own task accounting, and the
// sound's offset from the picture.
async function liveRun(browser, tick) {
  const { page, firstFrame } = await startLive(browser, tick);
  const client = await page.createCDPSession();
  await client.send('Performance.enable');
  await sleep(1000);  // past the scene's set-up
  const metric = async () => {
    const m = (await client.send('Performance.getMetrics')).metrics;
    return Object.fromEntries(m.map((e) => [e.name, e.value]));
  };
  const before = await metric();
  const s0 = await stat(page);
  const since = await page.evaluate(() => performance.now());
  const t0 = Date.now();
  await sleep(kLiveSeconds * 1000);
  const s1 = await stat(page);
  const elapsed = (Date.now() - t0) / 1000;
  const after = await metric();
  const offsets = (await offsetsSince(page, since)).map((o) => o[1]);
  return {
    page,
    drawn: (s1.drawn - s0.drawn) / elapsed,
    displayed: (s1.displayed - s0.displayed) / elapsed,
    cpu: (after.TaskDuration - before.TaskDuration) / (after.Timestamp - before.Timestamp),
    audio: s1.audio,
    offsets,
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

function checkHiddenTab(hidden) {
  console.log(`hidden tab: the clock moved ${hidden.still.toFixed(0)} ms in 1 s hidden (audio ${hidden.audioHidden}), ` +
    `${hidden.resumed.toFixed(0)} ms in 1 s shown again (audio ${hidden.audio})`);
  if (hidden.still !== 0) failures.push(`the show clock moved ${hidden.still.toFixed(0)} ms while the tab was hidden`);
  if (hidden.audioHidden !== 'suspended') failures.push(`audio context ${hidden.audioHidden} while hidden`);
  if (!(hidden.resumed > 0 && hidden.resumed < 1900))
    failures.push(`the show clock moved ${hidden.resumed} ms in the second after the tab came back`);
  if (hidden.audio !== 'running') failures.push(`audio context ${hidden.audio} after the tab came back`);
}

// Tab reaches the bar's first button, named for a screen reader, and shows
// the bar.
async function tabIntoTheBar(page) {
  await page.keyboard.press('Tab');
  await sleep(400);
  const t = await page.evaluate(() => ({ label: document.activeElement.getAttribute('aria-label'),
    opacity: Number(getComputedStyle(document.getElementById('controls')).opacity) }));
  console.log(`Tab: focus on "${t.label}", bar opacity ${t.opacity}`);
  if (t.label !== 'Pause' || t.opacity < 0.99) failures.push(`Tab went to "${t.label}" (bar opacity ${t.opacity})`);
  await page.evaluate(() => document.activeElement.blur());
}

// A tap on the picture shows the bar (a tap on a shown bar's picture hides
// it); false when it did not show.
async function showBar(page, tapper) {
  const opacity = () => page.evaluate(() => Number(getComputedStyle(document.getElementById('controls')).opacity));
  if (await opacity() > 0.99) return true;
  await tapper('#screen');
  await sleep(400);
  return (await opacity()) > 0.99;
}

// Pauses (or plays) with the bar's button; false when the page did not say
// it is paused (or playing) after it.
async function pressPause(page, tapper, paused) {
  if (!(await showBar(page, tapper))) failures.push('the controls did not show after a tap');
  await tapper('#c-pause');
  await sleep(300);
  const pressed = await page.evaluate(() => document.getElementById('c-pause').getAttribute('aria-pressed'));
  if (pressed !== String(paused)) failures.push(`the pause button says ${pressed} after it was pressed`);
}

// A tap on the picture shows the bar; its pause button holds the picture,
// the music and the screen's wake lock for a second; play lets them go on.
async function pauseAndPlay(page, tapper) {
  const playing = await stat(page);
  if (!playing.wakeLock) failures.push('the screen is not kept on while the show plays');
  await pressPause(page, tapper, true);
  const a = await stat(page);
  await sleep(1000);
  const b = await stat(page);
  console.log(`pause: the canvas went from tick ${a.tick} to ${b.tick}, the worklet from frame ${a.soundFrame} ` +
    `to ${b.soundFrame} in 1 s (audio ${b.audio}, screen kept on: ${b.wakeLock})`);
  if (a.tick !== b.tick || a.drawn !== b.drawn) failures.push(`the picture went on while paused: ${a.tick} to ${b.tick}`);
  if (b.audio !== 'suspended' || a.soundFrame !== b.soundFrame) failures.push(`the music went on while paused (audio ${b.audio})`);
  if (b.wakeLock) failures.push('the screen is kept on while paused');
  await pressPause(page, tapper, false);
  await sleep(700);
  const c = await stat(page);
  if (!(c.tick > b.tick + 35 && c.tick < b.tick + 140)) failures.push(`after play the picture went from tick ${b.tick} to ${c.tick} in 1 s`);
  if (c.audio !== 'running' || !(c.soundFrame > b.soundFrame)) failures.push(`the music did not go on after play (audio ${c.audio})`);
}

// The bar's next button: a black frame, then the next scene from its first
// tick, every frame the whole show's at its tick (the picture wipes draw
// each frame from its tick alone).
async function nextScene(page, tapper, wholeShow, scene) {
  await page.evaluate(() => { Module.frameLog = []; });
  if (!(await showBar(page, tapper))) failures.push('the controls did not show after a tap');
  await tapper('#c-next');
  await sleep(2000);
  const log = await page.evaluate(() => Module.frameLog);
  const change = log.findIndex((f) => f[0] >= 0x80000000);
  const after = change < 0 ? [] : log.slice(change + 1);
  const differing = after.filter((f) => wholeShow[f[0]] !== f[1]);
  console.log(`next scene: ${after.length} frames from tick ${after.length ? after[0][0] : '-'}, ` +
    `${after.length - differing.length} of them the whole show's`);
  if (after.length < 35 || !(after[0][0] >= kSceneStart[scene] && after[0][0] < kSceneStart[scene] + 140))
    failures.push(`next scene did not land on tick ${kSceneStart[scene]}: ${JSON.stringify(log.slice(0, 4))}`);
  if (differing.length) failures.push(`next scene: ${differing.length} frames differ from the whole show's, first at tick ${differing[0][0]}`);
}

// Suspends the audio for 3 s with the tab visible, as a phone does for a
// call: the offset must be back within 2 ticks less than a second after.
async function audioSuspension(page) {
  await page.evaluate(() => window.tundrixAudio.suspend());
  await sleep(3000);
  const resumed = await page.evaluate(async () => { await window.tundrixAudio.resume(); return performance.now(); });
  await sleep(1500);
  const offsets = await offsetsSince(page, resumed);
  const back = offsets.find((o) => Math.abs(o[1]) <= 2);
  const settled = offsets.filter((o) => o[0] >= 1000).map((o) => o[1]);
  console.log(`3 s audio suspension: back within 2 ticks ${back ? back[0].toFixed(0) + ' ms' : 'never'} after the resume; ` +
    `then 90% within ${quantile(settled, 0.9).toFixed(2)} ticks`);
  if (!back || back[0] > 1000) failures.push('the sound was not back in step a second after a 3 s audio suspension');
  if (!(quantile(settled, 0.9) <= 2)) failures.push(`after the suspension the offset stayed at ${quantile(settled, 0.9)} ticks`);
}

// The viewport's screenshot at the device's pixel ratio against the show's
// frame (the page's 320 x 200 canvas of it): the picture inside the viewport
// at the largest whole scale, and every device pixel of it the show pixel
// it belongs to. The bar and the
// message line are hidden for the picture.
async function checkPixels(page, label) {
  const hide = await page.addStyleTag({ content: '#controls, #notice { visibility: hidden !important; }' });
  const shot = await page.screenshot({ encoding: 'base64' });
  await hide.evaluate((e) => e.remove());
  const r = await page.evaluate(async (png) => {
    const bitmap = await createImageBitmap(await (await fetch('data:image/png;base64,' + png)).blob());
    const c = new OffscreenCanvas(bitmap.width, bitmap.height);
    const g = c.getContext('2d');
    g.drawImage(bitmap, 0, 0);
    const got = g.getImageData(0, 0, bitmap.width, bitmap.height).data;
    const screen = document.getElementById('screen');
    const src = window.tundrixFrame.getContext('2d').getImageData(0, 0, 320, 200).data;
    // The page draws the picture into a canvas over the whole viewport.
    const p = window.tundrixStats.fit.picture;
    const [x0, y0, w, h] = [p.x, p.y, p.w, p.h];
    const out = { shot: [bitmap.width, bitmap.height], rect: [x0, y0, w, h],
                  largest: Math.floor(Math.min(bitmap.width / 320, bitmap.height / 200)) };
    if (screen.width !== bitmap.width || screen.height !== bitmap.height) return { ...out, why: 'canvas not the device viewport' };
    if (w % 320 || w / 320 !== h / 200) return { ...out, why: 'not a whole scale' };
    const s = w / 320;
    out.scale = s;
    if (x0 < 0 || y0 < 0 || x0 + w > bitmap.width || y0 + h > bitmap.height) return { ...out, why: 'overflows the viewport' };
    let wrong = 0, first = null;
    for (let y = 0; y < h; y++)
      for (let x = 0; x < w; x++) {
        const a = 4 * ((y0 + y) * bitmap.width + x0 + x), b = 4 * (Math.floor(y / s) * 320 + Math.floor(x / s));
        if (got[a] !== src[b] || got[a + 1] !== src[b + 1] || got[a + 2] !== src[b + 2]) { wrong++; if (!first) first = [x, y]; }
      }
    let lit = 0;
    for (let i = 0; i < src.length; i += 4) lit += src[i] + src[i + 1] + src[i + 2] > 60 ? 1 : 0;
    return { ...out, wrong, first, lit };
  }, shot);
  console.log(`${label}: ${r.shot.join('x')} device pixels, picture ${r.rect.join(',')} at ${r.scale}x ` +
    `(largest whole ${r.largest}), ${r.why || r.wrong + ' device pixels off their show pixel'}`);
  if (r.why) failures.push(`${label}: the picture's ${r.why}`);
  else if (r.scale !== r.largest) failures.push(`${label}: scale ${r.scale}, the largest whole one is ${r.largest}`);
  else if (r.wrong) failures.push(`${label}: ${r.wrong} device pixels differ from their show pixel, first at ${r.first}`);
  if (!r.why && r.lit < 2000) failures.push(`${label}: the picture is too dark to tell (${r.lit} lit pixels)`);
}

async function phone(browser) {
  const viewport = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
  const { page } = await startLive(browser, 1500, { viewport, tap: true });
  await sleep(1000);
  const tap = (sel) => page.tap(sel);
  await pauseAndPlay(page, tap);
  await pressPause(page, tap, true);
  await checkPixels(page, 'phone, portrait');
  // Upright, the whole scale leaves a fifth of the width: the bar offers
  // the full width, and takes it back.
  const fitted = async () => page.evaluate(() => window.tundrixStats.fit.picture.w);
  if (!(await showBar(page, tap)) || await page.$eval('#c-fill', (b) => b.hidden)) {
    failures.push('an upright phone is not offered the full width');
  } else {
    await tap('#c-fill');
    const wide = await fitted();
    await tap('#c-fill');
    const sharp = await fitted();
    console.log(`phone, portrait: filling the width draws the picture ${wide} device pixels wide, sharp ${sharp}`);
    if (wide !== 1170 || sharp !== 960) failures.push(`the fill button gave ${wide} and ${sharp} device pixels`);
  }
  await page.setViewport({ ...viewport, width: 844, height: 390, isLandscape: true });
  await sleep(300);
  await checkPixels(page, 'phone, landscape');
  await page.close();
}

async function laptop(browser) {
  const { page } = await startLive(browser, 1500, { viewport: { width: 1280, height: 720, deviceScaleFactor: 1.25 } });
  await sleep(1000);
  await page.keyboard.press('Space');
  await sleep(300);
  await checkPixels(page, 'laptop at 1.25');
  await page.setViewport({ width: 1280, height: 720, deviceScaleFactor: 1.5 });
  await sleep(300);
  await checkPixels(page, 'laptop at 1.5');
  await page.close();
}

// http on a made-up host name is no secure context: no audio worklet. The
// show plays without sound and says so in one line.
async function insecureOrigin() {
  const browser = await launch([`--host-resolver-rules=MAP tundrix.test 127.0.0.1`]);
  try {
    const base = url.replace('127.0.0.1', 'tundrix.test');
    const { page } = await startLive(browser, 70, { base });
    await sleep(1500);
    const s = await page.evaluate(() => ({ secure: isSecureContext, drawn: window.tundrixStats.drawn,
                                           line: document.getElementById('notice').textContent }));
    console.log(`insecure origin: ${s.drawn} frames, "${s.line}"`);
    if (s.secure) failures.push('the made-up host is a secure context: the test tests nothing');
    if (s.drawn < 50) failures.push(`insecure origin: the show drew ${s.drawn} frames`);
    if (!/^Sound is off: .*https/.test(s.line)) failures.push(`insecure origin: the line says "${s.line}"`);
    await page.close();
  } finally {
    await browser.close();
  }
}

// Hiding the tab after the show ended touches nothing (the page errors that
// fail the test would show).
async function hiddenAfterTheEnd(page) {
  await page.evaluate(async () => {
    for (const hidden of [true, false]) {
      Object.defineProperty(document, 'hidden', { configurable: true, get: () => hidden });
      document.dispatchEvent(new Event('visibilitychange'));
      await new Promise((r) => setTimeout(r, 100));
    }
  });
}

// An audio context the browser will not start (as a browser does that
// counts the click as no permission to play): headless Chromium lets every
// context run, so the page's AudioContext is made one that stays suspended.
// The show plays on without sound and says so.
async function soundThatWillNotStart(browser) {
  const { page } = await startLive(browser, 70, {
    before: (p) => p.evaluateOnNewDocument(() => {
      const Real = window.AudioContext;
      window.AudioContext = function (options) {
        const context = new Real(options);
        context.suspend();
        context.resume = () => new Promise(() => {});
        return context;
      };
    }),
  });
  await sleep(2500);
  const s = await page.evaluate(() => ({ drawn: window.tundrixStats.drawn, audio: window.tundrixAudio.state,
                                         line: document.getElementById('notice').textContent }));
  console.log(`sound that will not start: audio ${s.audio}, ${s.drawn} frames, "${s.line}"`);
  if (s.audio === 'running') failures.push('the page\'s sound ran: the test tests nothing');
  else if (!/^Sound is off: /.test(s.line) || s.drawn < 30) failures.push(`sound that will not start: ${JSON.stringify(s)}`);
  await page.close();
}

async function missingWasm(browser) {
  const base = new URL('../nowasm/', url).href;
  const page = await openPage(browser, '', { base, noWait: true, expectMissing: 'tundrix.wasm' });
  await page.waitForFunction('window.tundrixFailure', { timeout: 30000 });
  const text = await page.evaluate(() => document.getElementById('load-state').textContent);
  console.log(`missing wasm: "${text}"`);
  if (!text.includes('tundrix.wasm')) failures.push(`missing wasm: the page says "${text}"`);
  await page.close();
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
    const wholeShow = r.frames;

    for (const tick of fs.readFileSync(path.join(work, 'ticks.txt'), 'utf8').split(/\s+/).filter(Boolean)) {
      const shot = await checkRun(browser, `&from=${tick}&to=${tick}`);
      const png = await shot.page.evaluate(() => window.tundrixFrame.toDataURL('image/png'));
      fs.writeFileSync(path.join(work, `shot-${tick}.png`), Buffer.from(png.split(',')[1], 'base64'));
      await shot.page.close();
    }

    for (let s = 0; s < kLiveTicks.length; s++) {
      if (s === 0) {
        // Escape on the start screen does nothing; the show then starts.
        const page = await openPage(browser, `?from=${kLiveTicks[0]}`);
        await page.keyboard.press('Escape');
        await page.close();
      }
      const live = await liveRun(browser, kLiveTicks[s]);
      const within = quantile(live.offsets, 0.9);
      console.log(`scene ${s + 1} live: ${live.drawn.toFixed(1)} frames/s drawn, ${live.displayed.toFixed(1)} displayed, ` +
        `audio ${live.audio}, sound 90% within ${within.toFixed(2)} ticks of the picture`);
      if (live.drawn < 35) failures.push(`scene ${s + 1}: ${live.drawn.toFixed(1)} frames per second live`);
      if (live.audio !== 'running') failures.push(`scene ${s + 1}: audio context ${live.audio}`);
      if (!(within <= 2)) failures.push(`scene ${s + 1}: the sound is ${within} ticks from the picture`);
      const click = (sel) => live.page.click(sel);
      if (s === 0) {
        await live.page.keyboard.press('Escape');
        await live.page.waitForFunction('window.tundrixEnding !== undefined', { timeout: 30000 });
        const ending = await live.page.evaluate(() => window.tundrixEnding);
        if (ending !== 'Bou bou bou.') failures.push(`Escape in the first scene ended with "${ending}"`);
        const lock = (await stat(live.page)).wakeLock;
        if (lock) failures.push('the screen is kept on after the show ended');
        await hiddenAfterTheEnd(live.page);
      }
      if (s === 1) {
        checkHiddenTab(await hiddenTab(live.page));
        await tabIntoTheBar(live.page);
        await pauseAndPlay(live.page, click);
        await nextScene(live.page, click, wholeShow, 2);
      }
      if (s === 2) await audioSuspension(live.page);
      await live.page.close();
    }
    await phone(browser);
    await laptop(browser);
    await soundThatWillNotStart(browser);
    await missingWasm(browser);
  } finally {
    await browser.close();
  }
  await insecureOrigin();
}

async function bench() {
  const browser = await launch();
  try {
    for (let s = 0; s < kLiveTicks.length; s++) {
      const live = await liveRun(browser, kLiveTicks[s]);
      const o = live.offsets;
      const mean = o.reduce((a, b) => a + b, 0) / o.length;
      console.log(`scene ${s + 1}: ${live.drawn.toFixed(1)} frames/s drawn, ${live.displayed.toFixed(1)} displayed, ` +
        `${(100 * live.cpu).toFixed(0)}% of a core, first frame ${live.firstFrame.toFixed(2)} s after the click; ` +
        `sound - picture ${mean.toFixed(2)} ticks on average, 90% within ${quantile(o, 0.9).toFixed(2)}, ` +
        `all within ${quantile(o, 1).toFixed(2)}`);
      if (s === 2) await audioSuspension(live.page);
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
