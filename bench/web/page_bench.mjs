// The web page's figures beside the floor's (bench/web/floor: a canvas that
// repaints one small oval 64 times a second, no WebAssembly), in headless
// Chromium on 127.0.0.1, each page served compressed as a web server sends it:
//   node page_bench.mjs SITE_DIR FLOOR_DIR [SECONDS]
// - bytes transferred until the launcher's first frame (headers included);
// - time from navigation to the first frame, the median of 7 loads each;
// - ticks in SECONDS (default 60) of Brick Breaker's level 1 waiting for its
//   ball, and how late each came (p50, p99, most), beside the floor's;
// - the renderer's CPU while Dodge plays (its first 4 s, before a ball can
//   reach the player standing still), beside the floor's over as long.
// Needs playwright-core through NODE_PATH (scripts/bench web sets it).
import os from 'node:os';

import { launchChromium, openPage, serveSite } from '../../tools/web/site_server.mjs';

const [siteDir, floorDir, secondsArg] = process.argv.slice(2);
if (!floorDir) {
  console.error('usage: node page_bench.mjs SITE_DIR FLOOR_DIR [SECONDS]');
  process.exit(2);
}
const seconds = Number(secondsArg || 60);
const site = await serveSite(siteDir, {compress: true});
const floor = await serveSite(floorDir, {compress: true});
const browser = await launchChromium();

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const quantile = (xs, q) => {
  const s = [...xs].sort((a, b) => a - b);
  return s[Math.min(s.length - 1, Math.floor(q * s.length))];
};

// A fresh context (nothing cached); resolves once the first frame is
// marked, with what the page fetched by then: every response that ended
// before the mark, its bytes as transferred (headers included).
async function firstFrame(address) {
  const context = await browser.newContext({viewport: {width: 1280, height: 900}});
  const page = await context.newPage();
  await page.goto(address);
  await page.waitForFunction(() => performance.getEntriesByName('first-frame').length > 0, null, {timeout: 20000});
  const {ms, fetched} = await page.evaluate(() => {
    const mark = performance.getEntriesByName('first-frame')[0].startTime;
    const entries = [...performance.getEntriesByType('navigation'), ...performance.getEntriesByType('resource')];
    return {ms: mark, fetched: entries.filter((e) => e.responseEnd > 0 && e.responseEnd <= mark)
      .map((e) => ({name: e.name.replace(/^.*\//, '') || '/', bytes: e.transferSize, body: e.encodedBodySize}))};
  });
  const bytes = fetched.reduce((sum, f) => sum + f.bytes, 0);
  const files = fetched.map((f) => `${f.name} ${f.bytes} (body ${f.body})`);
  return {context, page, ms, bytes, files};
}

async function loads(address, count) {
  const times = [];
  let last = null;
  for (let i = 0; i < count; ++i) {
    const r = await firstFrame(address);
    times.push(r.ms);
    if (last) await last.context.close();
    last = r;
  }
  await last.context.close();
  return {ms: median(times), bytes: last.bytes, files: last.files};
}

// The renderer's CPU seconds (every renderer process: one page is open).
async function rendererCpu() {
  const cdp = await browser.newBrowserCDPSession();
  const {processInfo} = await cdp.send('SystemInfo.getProcessInfo');
  await cdp.detach();
  return processInfo.filter((p) => p.type === 'renderer').reduce((sum, p) => sum + p.cpuTime, 0);
}

async function cpuOver(page, ms) {
  const before = await rendererCpu();
  const t0 = Date.now();
  await page.waitForTimeout(ms);
  const cpu = await rendererCpu() - before;
  return 100 * cpu / ((Date.now() - t0) / 1000);
}

function pacing(lateness) {
  return {ticks: lateness.length, p50: quantile(lateness, 0.5), p99: quantile(lateness, 0.99),
    most: Math.max(...lateness)};
}

const fmt = (x, d = 2) => x.toFixed(d);
console.log(`Machine: ${os.cpus().length} cores, ${os.cpus()[0].model}; ${new Date().toISOString().slice(0, 16).replace('T', ' ')} UTC; ` +
  `load ${os.loadavg().map((l) => l.toFixed(2)).join(' ')}`);
try {
  // ---- the first frame: bytes and time ----
  const floorLoad = await loads(floor.origin + '/', 7);
  const pageLoad = await loads(site.origin + '/', 7);
  console.log(`bytes until the first frame: page ${pageLoad.bytes} (${fmt(pageLoad.bytes / 1024, 1)} KiB; goal at most 150 KB), floor ${floorLoad.bytes}`);
  for (const f of pageLoad.files) console.log('  ' + f);
  console.log(`navigation to the first frame, median of 7: page ${fmt(pageLoad.ms, 1)} ms, floor ${fmt(floorLoad.ms, 1)} ms, ` +
    `ratio ${fmt(pageLoad.ms / floorLoad.ms)} (goal at most 1.5)`);

  // ---- the renderer's CPU: Dodge playing, the floor ----
  {
    const page = await openPage(browser, site.origin + '/');
    const r = await page.evaluate(() => window.kestrin.where('Main', 'Image2'));
    await page.mouse.click(r.x + r.width / 2, r.y + r.height / 2);
    await page.waitForFunction(() => window.kestrin.where('frmKestrinDodge', 'Paddle') !== null);
    const dodge = await cpuOver(page, 4000);
    await page.context().close();
    const f = await firstFrame(floor.origin + '/');
    const floorCpu = await cpuOver(f.page, 4000);
    await f.context.close();
    console.log(`renderer CPU over 4 s: Dodge playing ${fmt(dodge, 1)} % of a core, floor ${fmt(floorCpu, 1)} % (goal at most the floor's)`);
  }

  // ---- ticks and their lateness over SECONDS ----
  {
    const page = await openPage(browser, site.origin + '/?bench');
    const r = await page.evaluate(() => window.kestrin.where('Main', 'Image1'));
    await page.mouse.click(r.x + r.width / 2, r.y + r.height / 2);
    await page.waitForFunction(() => window.kestrin.where('frmKestrinBrickBreaker', 'Paddle') !== null);
    const from = await page.evaluate(() => window.kestrin.lateness().length);
    await page.waitForTimeout(seconds * 1000);
    const late = await page.evaluate((n) => window.kestrin.lateness().slice(n), from);
    await page.context().close();
    const f = await firstFrame(floor.origin + '/');
    const floorFrom = await f.page.evaluate(() => window.floor.lateness.length);
    await f.page.waitForTimeout(seconds * 1000);
    const floorLate = await f.page.evaluate((n) => window.floor.lateness.slice(n), floorFrom);
    await f.context.close();
    const p = pacing(late), q = pacing(floorLate);
    const goal = Math.round(seconds * 64);
    console.log(`ticks in ${seconds} s: page ${p.ticks} (goal ${goal} +- 1), floor ${q.ticks}`);
    console.log(`tick lateness: page p50 ${fmt(p.p50)} ms, p99 ${fmt(p.p99)} ms, most ${fmt(p.most)} ms (goal p99 at most 2 ms); ` +
      `floor p50 ${fmt(q.p50)}, p99 ${fmt(q.p99)}, most ${fmt(q.most)}`);
  }
} finally {
  await browser.close();
  site.close();
  floor.close();
}
