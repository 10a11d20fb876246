// The page's pixels against the desktop's, at 1x and 2x, every screen:
//   node pixels_test.mjs SITE_DIR NATIVE_BUILD SOURCE_DIR OUTPUT_DIR
// Each state is a script of tools/screenshots run by kestrin-screenshot,
// which renders the window as the Qt host paints it and writes the run as a
// replay script; the page watches that script to its end and its canvas is
// read back. The ground, rectangles, the title cards and the focus frame
// must be the same pixels. Text and the rims of ovals are antialiased by
// two different rasterisers (Qt's and Skia's): there a pixel may differ by
// a little, and only a small share of them may differ at all. Buttons are
// drawn in each host's own style and are not compared. Both pictures and a
// picture of the differences are left in OUTPUT_DIR.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

import { launchChromium, openPage, serveSite } from '../../tools/web/site_server.mjs';
import { check, failed, finish, requireSite } from './checks.mjs';

const [siteDir, nativeBuild, sourceDir, outDir] = process.argv.slice(2);
if (!outDir) {
  console.error('usage: node pixels_test.mjs SITE_DIR NATIVE_BUILD SOURCE_DIR OUTPUT_DIR');
  process.exit(2);
}
requireSite(siteDir);
const screenshotTool = path.join(nativeBuild, 'tools', 'screenshots', 'kestrin-screenshot');
const scripts = path.join(sourceDir, 'tools', 'screenshots');
fs.mkdirSync(outDir, {recursive: true});

// What two rasterisers' antialiasing makes of one edge, measured over these
// screens: of the pixels that text or an oval's rim touches, 33 to 41 % at
// 1x and 19 to 24 % at 2x differ, by at most 93 of 255 in a channel. The
// bounds sit just above, so that a glyph or an oval out of place (a pixel
// off moves nearly all of them, by far more) fails.
const kEdgeShare = 0.45;
const kEdgeChannel = 100;
// Each text and oval keeps its ink and its place: the ink's total within
// this share (measured: at most 2.7 %), its centre within this many device
// pixels (measured: at most 0.32, for a lone digit or a small ball).
const kEdgeInk = 0.035;
const kEdgeShift = 0.4;
// The monkey and the banana are scaled down into their boxes by each host's
// own smooth scaling (Qt's and the browser's), not from one copy: measured,
// at most 60 of 255 apart.
const kScaledChannel = 64;

const states = [
  {name: 'launcher', screen: 'Main', script: path.join(scripts, 'launcher.replay')},
  {name: 'card-focused', screen: 'Main', lines: 'keydown 39\nkeyup 39\n'},
  {name: 'level1', screen: 'frmKestrinBrickBreaker', script: path.join(scripts, 'brickbreaker-level1.replay')},
  {name: 'lost-life', screen: 'frmKestrinBrickBreaker', script: path.join(scripts, 'brickbreaker-lost-life.replay')},
  {name: 'level2', screen: 'frmKestrinBrickBreakerLvl2', script: path.join(scripts, 'brickbreaker-level2.replay')},
  {name: 'level3', screen: 'frmKestrinBrickBreakerLvl3', script: path.join(scripts, 'brickbreaker-level3.replay')},
  {name: 'dodge', screen: 'frmKestrinDodge', script: path.join(scripts, 'dodge.replay')},
];


// Runs in the page: the screen's canvas against the desktop's picture of it,
// pixel by pixel, each pixel judged by the control painted in front there.
async function compare({png, screen, scale}) {
  const canvas = window.kestrin.canvas(screen);
  if (!canvas) return {error: screen + ' is not shown'};
  const w = canvas.width, h = canvas.height;
  const ours = canvas.getContext('2d').getImageData(0, 0, w, h).data;
  const bitmap = await createImageBitmap(await (await fetch('data:image/png;base64,' + png)).blob(),
    {colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
  if (bitmap.width !== w || bitmap.height !== h) {
    return {error: `the canvas is ${w} x ${h}, the desktop's window ${bitmap.width} x ${bitmap.height}`};
  }
  const theirs = new OffscreenCanvas(w, h).getContext('2d');
  theirs.drawImage(bitmap, 0, 0);
  const native = theirs.getImageData(0, 0, w, h).data;

  // Front first: the first control whose box holds a pixel judges it.
  const kinds = {B: 'button', L: 'edge', O: 'edge', R: 'exact', I: 'exact', P: 'scaled'};
  const boxes = window.kestrin.controls(screen).map((c) => ({
    kind: kinds[c.kind], name: c.name,
    x0: Math.floor(c.x * scale), y0: Math.floor(c.y * scale),
    x1: Math.ceil((c.x + c.width) * scale), y1: Math.ceil((c.y + c.height) * scale),
    ink: [{sum: 0, x: 0, y: 0}, {sum: 0, x: 0, y: 0}],  // ours, theirs
  }));
  const stats = {exact: {pixels: 0, differ: 0, max: 0, first: []}, edge: {pixels: 0, differ: 0, max: 0},
    scaled: {pixels: 0, differ: 0, max: 0}, button: {pixels: 0}, shift: 0, inkRatio: 0};
  const diff = new Uint8ClampedArray(w * h * 4);
  for (let y = 0; y < h; ++y) {
    for (let x = 0; x < w; ++x) {
      const box = boxes.find((b) => x >= b.x0 && x < b.x1 && y >= b.y0 && y < b.y1);
      const kind = box ? box.kind : 'exact';
      const i = 4 * (y * w + x);
      const d = Math.max(Math.abs(ours[i] - native[i]), Math.abs(ours[i + 1] - native[i + 1]),
        Math.abs(ours[i + 2] - native[i + 2]));
      diff[i] = diff[i + 1] = diff[i + 2] = 255 - Math.min(255, d * 4);
      diff[i + 3] = 255;
      const s = stats[kind];
      if (kind === 'button') { ++s.pixels; continue; }
      if (kind === 'edge') {
        // The pixels the text or the rim touches, not the ground around it,
        // and how much ink each host put where.
        const j = 4 * (Math.min(box.y0 + 1, h - 1) * w + Math.min(box.x0 + 1, w - 1));
        const away = (a, k) => Math.max(Math.abs(a[k] - native[j]), Math.abs(a[k + 1] - native[j + 1]),
          Math.abs(a[k + 2] - native[j + 2]));
        const inks = [away(ours, i), away(native, i)];
        if (inks[0] === 0 && inks[1] === 0) continue;
        inks.forEach((v, n) => { box.ink[n].sum += v; box.ink[n].x += v * x; box.ink[n].y += v * y; });
      }
      ++s.pixels;
      if (d === 0) continue;
      ++s.differ;
      s.max = Math.max(s.max, d);
      if (kind === 'exact' && s.first.length < 5) s.first.push(`(${x}, ${y}) ${box ? box.name : 'ground'} by ${d}`);
    }
  }
  // A text or an oval in its place: its ink as much, its centre where it was.
  for (const b of boxes) {
    const [o, t] = b.ink;
    if (b.kind !== 'edge' || t.sum < 255 * 4) continue;
    const shift = Math.hypot(o.x / o.sum - t.x / t.sum, o.y / o.sum - t.y / t.sum);
    const ink = Math.abs(o.sum / t.sum - 1);
    if (shift > stats.shift || ink > stats.inkRatio) stats.worst = b.name;
    stats.inkRatio = Math.max(stats.inkRatio, ink);
    stats.shift = Math.max(stats.shift, shift);
  }
  const picture = new OffscreenCanvas(w, h);
  picture.getContext('2d').putImageData(new ImageData(diff, w, h), 0, 0);
  const toUrl = async (blob) => new Promise((resolve) => {
    const reader = new FileReader();
    reader.onload = () => resolve(reader.result);
    reader.readAsDataURL(blob);
  });
  return {stats, page: canvas.toDataURL('image/png'), diff: await toUrl(await picture.convertToBlob())};
}

const served = new Map();
const server = await serveSite(siteDir, {extra: served});
const browser = await launchChromium();
const totals = {edge: {pixels: 0, differ: 0, max: 0}};
try {
  for (const state of states) {
    let script = state.script;
    if (!script) {
      script = path.join(outDir, state.name + '.input.replay');
      fs.writeFileSync(script, state.lines);
    }
    const played = path.join(outDir, state.name + '.replay');
    for (const scale of [1, 2]) {
      const native = path.join(outDir, `${state.name}-${scale}x-desktop.png`);
      execFileSync(screenshotTool, ['--scale', String(scale), '--played', played, script, state.screen, native],
        {env: {...process.env, QT_QPA_PLATFORM: 'offscreen'}, stdio: ['ignore', 'ignore', 'inherit']});
      served.set(`/played/${state.name}.replay`, fs.readFileSync(played));
      const page = await openPage(browser, `${server.origin}/?watch=/played/${state.name}.replay&speed=64`,
        {scale, onError: () => failed()});
      await page.waitForFunction(() => document.getElementById('status').textContent.includes('played to its end'),
        null, {timeout: 30000});
      const png = fs.readFileSync(native).toString('base64');
      const result = await page.evaluate(compare, {png, screen: state.screen, scale});
      await page.context().close();
      const what = `${state.name} at ${scale}x`;
      if (result.error) {
        check(false, `${what}: ${result.error}`);
        continue;
      }
      for (const [name, url] of [['page', result.page], ['diff', result.diff]]) {
        fs.writeFileSync(path.join(outDir, `${state.name}-${scale}x-${name}.png`), Buffer.from(url.split(',')[1], 'base64'));
      }
      const {exact, edge, scaled, button, shift, inkRatio} = result.stats;
      check(exact.differ === 0, `${what}: ground, shapes and pictures the same, ${exact.pixels} pixels` +
        (exact.differ ? `; ${exact.differ} differ: ${exact.first.join(', ')}` : ''));
      const share = edge.pixels ? edge.differ / edge.pixels : 0;
      check(share <= kEdgeShare && edge.max <= kEdgeChannel && shift <= kEdgeShift && inkRatio <= kEdgeInk,
        `${what}: text and ovals' rims: ${edge.differ} of ${edge.pixels} pixels differ ` +
        `(${(100 * share).toFixed(1)} %), by at most ${edge.max} of 255; ink ${(100 * inkRatio).toFixed(1)} % ` +
        `apart, centres ${shift.toFixed(3)} pixels (${result.stats.worst})` + (button.pixels ? `; buttons not compared` : ''));
      if (scaled.pixels) {
        check(scaled.max <= kScaledChannel, `${what}: pictures stretched to their boxes: ${scaled.differ} of ` +
          `${scaled.pixels} pixels differ, by at most ${scaled.max} of 255`);
      }
      totals.edge.pixels += edge.pixels;
      totals.edge.differ += edge.differ;
      totals.edge.max = Math.max(totals.edge.max, edge.max);
    }
  }
  console.log(`every screen: of ${totals.edge.pixels} pixels of text and ovals' rims, ${totals.edge.differ} differ ` +
    `(${(100 * totals.edge.differ / Math.max(1, totals.edge.pixels)).toFixed(2)} %), by at most ${totals.edge.max} of 255`);
} catch (e) {
  failed(e);
} finally {
  await finish(() => browser.close(), () => server.close());
}
