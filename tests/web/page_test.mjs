// The page in the system's Chromium, played as a player plays it:
//   node page_test.mjs SITE_DIR NATIVE_BUILD OUTPUT_DIR
// SITE_DIR is build-web/site, NATIVE_BUILD the native build (its
// kestrin-replay and kestrin_caption_layouts), and OUTPUT_DIR gets the
// screenshots, the recordings and the traces. Needs
// playwright-core (scripts/install-deps web puts it in build-web/node) and
// /usr/bin/chromium.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

import { launchChromium, openPage, serveSite } from '../../tools/web/site_server.mjs';
import { check, failed, finish, requireSite } from './checks.mjs';

const [siteDir, nativeBuild, outDir] = process.argv.slice(2);
if (!outDir) {
  console.error('usage: node page_test.mjs SITE_DIR NATIVE_BUILD OUTPUT_DIR');
  process.exit(2);
}
const replayTool = path.join(nativeBuild, 'tools', 'kestrin-replay');
const captionTool = path.join(nativeBuild, 'tests', 'kestrin_caption_layouts');
requireSite(siteDir);
fs.mkdirSync(outDir, {recursive: true});

const served = new Map();  // extra files by path: the recordings watched
const server = await serveSite(siteDir, {extra: served});
const origin = server.origin;
const browser = await launchChromium();

const open = (query, scale = 1) => openPage(browser, origin + '/' + query, {scale, onError: () => failed()});

const lastLine = (page) => page.evaluate(() => {
  const lines = window.kestrin.trace().trimEnd().split('\n');
  return JSON.parse(lines[lines.length - 1]);
});

async function click(page, screen, control) {
  const r = await page.evaluate(([s, c]) => window.kestrin.where(s, c), [screen, control]);
  if (!r) throw new Error(`${screen}.${control} is not shown`);
  await page.mouse.click(r.x + r.width / 2, r.y + r.height / 2);
}

// A key held as a keyboard holds it: repeated downs, one up.
async function hold(page, key, ms) {
  await page.keyboard.down(key);
  for (let t = 33; t < ms; t += 33) {
    await page.waitForTimeout(33);
    await page.keyboard.down(key);
  }
  await page.keyboard.up(key);
}

async function until(page, what, test, ms = 15000) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    if (await test()) return true;
    await page.waitForTimeout(50);
  }
  throw new Error('timed out waiting for ' + what);
}

const resetShown = async (page, screen) => {
  const line = await lastLine(page);
  const s = line.screens && line.screens[screen];
  return s !== undefined && s.controls.cmdReset.Visible;
};

function replayNatively(script, name) {
  const file = path.join(outDir, name + '.replay');
  fs.writeFileSync(file, script);
  return execFileSync(replayTool, [file], {encoding: 'utf8', maxBuffer: 1 << 28});
}

try {
  // ---- a whole session played by pointer and keys, to its end ----
  const page = await open('?trace');
  await page.screenshot({path: path.join(outDir, 'launcher-1x.png')});
  const captions = await page.evaluate(() => window.kestrin.captions());
  fs.writeFileSync(path.join(outDir, 'captions.txt'), captions);
  check(captions.length > 0 && captions === execFileSync(captionTool, {encoding: 'utf8'}),
    'the page lays out every design caption as the native build does');
  const bb = 'frmKestrinBrickBreaker';
  await click(page, 'Main', 'Image1');
  await until(page, 'level 1', async () => (await page.evaluate(() => window.kestrin.where('frmKestrinBrickBreaker', 'Paddle'))) !== null);
  await hold(page, 'ArrowLeft', 400);
  await hold(page, 'ArrowRight', 250);
  await page.keyboard.press('Space');
  await until(page, 'a lost ball', () => resetShown(page, bb));
  await page.screenshot({path: path.join(outDir, 'lost-life-1x.png')});
  await click(page, bb, 'cmdReset');  // Reset by pointer
  check(!(await resetShown(page, bb)), 'a click on Reset hides it');
  await page.waitForTimeout(4000);  // an idle stretch: the ticks go on
  await page.keyboard.press('Space');
  await until(page, 'a second lost ball', () => resetShown(page, bb));
  await page.keyboard.press('Tab');  // Reset by keyboard
  check((await lastLine(page)).focus === bb + '.cmdReset', 'Tab gives Reset the focus');
  await page.screenshot({path: path.join(outDir, 'reset-focused-1x.png')});
  await page.keyboard.press('Space');
  check(!(await resetShown(page, bb)), 'Space on the focused Reset clicks it');
  await page.keyboard.press('Space');
  await until(page, 'the Game Over box', () => page.evaluate(() => !document.getElementById('box-layer').hidden));
  await page.screenshot({path: path.join(outDir, 'game-over-1x.png')});
  check(await page.evaluate(() => document.getElementById('box-title').textContent === 'Kestrin Brick Breaker' &&
    document.getElementById('box-text').textContent === 'Game Over'), 'the box says Game Over, titled as the game');
  const heldTrace = await page.evaluate(() => window.kestrin.trace());
  await page.waitForTimeout(500);
  check(heldTrace === await page.evaluate(() => window.kestrin.trace()), 'nothing runs while the box is open');
  await page.keyboard.press('Enter');
  await until(page, 'the end', () => page.evaluate(() => !document.getElementById('end').hidden));
  check(await page.evaluate(() => document.querySelectorAll('.kw-window:not(#box)').length === 0), 'every window is gone at the end');
  await page.screenshot({path: path.join(outDir, 'ended-1x.png')});

  const downloading = page.waitForEvent('download');
  await page.click('#download-end');
  const download = await downloading;
  const downloaded = fs.readFileSync(await download.path(), 'utf8');
  const recording = await page.evaluate(() => window.kestrin.recording());
  const trace = await page.evaluate(() => window.kestrin.trace());
  check(downloaded === recording, 'the downloaded recording is the session\'s');
  check(trace.endsWith('"event":"end"}\n'), 'the trace ends with the end');
  fs.writeFileSync(path.join(outDir, 'session.jsonl'), trace);
  check(replayNatively(recording, 'session') === trace, 'the recording replays natively to the page\'s trace, byte for byte');

  await page.click('#again');
  await until(page, 'a new start', async () => (await page.evaluate(() => window.kestrin.where('Main', 'Image2'))) !== null);
  const again = await page.evaluate(() => window.kestrin.trace());
  check(again.startsWith('{"t":0,"event":"start"') && again.split('\n').length === 2, 'starting again is a new start of the program');

  // ---- the launcher by keyboard, and P to pause ----
  await page.keyboard.press('ArrowRight');
  check((await lastLine(page)).focus === 'Main.Image2', 'Right gives the Dodge card the focus');
  await page.screenshot({path: path.join(outDir, 'card-focused-1x.png')});
  await page.keyboard.press('Enter');
  await until(page, 'Dodge', async () => (await page.evaluate(() => window.kestrin.where('frmKestrinDodge', 'Paddle'))) !== null);
  await page.waitForTimeout(300);
  await page.keyboard.press('KeyP');
  const pausedAt = (await lastLine(page)).t;
  await page.waitForTimeout(800);
  await page.screenshot({path: path.join(outDir, 'paused-1x.png')});
  check((await lastLine(page)).t === pausedAt, 'P pauses: no tick runs');
  await page.keyboard.press('KeyP');
  await page.waitForTimeout(300);
  check((await lastLine(page)).t > pausedAt, 'P again goes on');

  // ---- close boxes: the game's brings the launcher back, the launcher's ends;
  // Brick Breaker opened by keys between ----
  await page.click('.kw-window.kw-active .kw-close');
  await until(page, 'the launcher back', async () => (await page.evaluate(() => window.kestrin.where('Main', 'Image1'))) !== null);
  check((await lastLine(page)).event === 'close', 'a game\'s close box closes it');
  await page.keyboard.press('ArrowLeft');
  await page.keyboard.press('Space');
  await until(page, 'Brick Breaker by keys', async () => (await page.evaluate(() => window.kestrin.where('frmKestrinBrickBreaker', 'Paddle'))) !== null);
  await page.click('.kw-window.kw-active .kw-close');
  await until(page, 'the launcher again', async () => (await page.evaluate(() => window.kestrin.where('Main', 'Image1'))) !== null);
  await page.click('.kw-window.kw-active .kw-close');
  await until(page, 'the end', () => page.evaluate(() => !document.getElementById('end').hidden));
  const [closedScript, closedTrace] = await page.evaluate(() => [window.kestrin.recording(), window.kestrin.trace()]);
  check(closedTrace.endsWith('"event":"end"}\n') && replayNatively(closedScript, 'closed') === closedTrace,
    'the launcher\'s close box ends the program, and the session replays to its trace');

  // ---- the recording watched, eight times as fast ----
  served.set('/recordings/session.replay', recording);
  const watch = await open('?watch=recordings/session.replay&speed=8&trace');
  await until(watch, 'the watched game to end', () => watch.evaluate(() => window.kestrin.session() === 'ended'), 30000);
  check(await watch.evaluate(() => window.kestrin.trace()) === trace, 'watching the recording gives the session\'s trace');

  // ---- a hidden page stands still ----
  // Headless Chromium keeps every page visible, whatever tab is in front,
  // so the page is made to say it is hidden, as the browser says it.
  const paused = await open('?trace');
  await click(paused, 'Main', 'Image2');
  await paused.waitForTimeout(1000);
  await paused.evaluate(() => {
    Object.defineProperty(document, 'hidden', {configurable: true, get: () => true});
    document.dispatchEvent(new Event('visibilitychange'));
  });
  const before = (await lastLine(paused)).t;
  await paused.waitForTimeout(1500);
  check((await lastLine(paused)).t === before, 'a hidden page runs no tick');
  await paused.evaluate(() => {
    Object.defineProperty(document, 'hidden', {configurable: true, get: () => false});
    document.dispatchEvent(new Event('visibilitychange'));
  });
  await paused.waitForTimeout(500);
  const after = (await lastLine(paused)).t;
  check(after > before && after - before < 1.2e6, 'shown again, it goes on from where it stood');
  // Both at one moment, between two ticks.
  const [pausedScript, pausedTrace] = await paused.evaluate(() => [window.kestrin.recording(), window.kestrin.trace()]);
  check(replayNatively(pausedScript, 'paused') === pausedTrace, 'a paused session replays to its trace');

  // ---- sharp at twice the pixels ----
  const sharp = await open('', 2);
  const size = await sharp.evaluate(() => {
    const c = document.querySelector('.kw-window canvas');
    return [c.width, c.height, c.clientWidth, c.clientHeight];
  });
  check(size[0] === 2 * size[2] && size[1] === 2 * size[3], 'at a device pixel ratio of 2 the canvas has twice the pixels');
  await sharp.screenshot({path: path.join(outDir, 'launcher-2x.png')});
  await click(sharp, 'Main', 'Image2');
  await sharp.waitForTimeout(1500);
  await sharp.screenshot({path: path.join(outDir, 'dodge-2x.png')});

  // ---- the density rising after load: twice the pixels, the sharper pictures ----
  const moved = await open('');
  const cdp = await moved.context().newCDPSession(moved);
  await cdp.send('Emulation.setDeviceMetricsOverride', {width: 1280, height: 900, deviceScaleFactor: 2, mobile: false});
  // Headless Chromium changes the density without telling the page (no
  // media query change, no resize), so the page is told as a zoom tells it.
  await moved.evaluate(() => window.dispatchEvent(new Event('resize')));
  await until(moved, 'the sharper title cards', () => moved.evaluate(() =>
    performance.getEntriesByType('resource').filter((e) => e.name.endsWith('-title@2x.jpg') && e.responseEnd > 0).length === 2));
  await moved.waitForTimeout(200);
  const movedSize = await moved.evaluate(() => {
    const c = window.kestrin.canvas('Main');
    return [c.width, c.clientWidth];
  });
  check(movedSize[0] === 2 * movedSize[1], 'a density that rises after load redraws at twice the pixels, from the @2x pictures');
  await moved.screenshot({path: path.join(outDir, 'launcher-risen-2x.png')});
} catch (e) {
  failed(e);
} finally {
  await finish(() => browser.close(), () => server.close());
}
