// The page served and opened as a player's browser would, for the page's
// tests and its benchmark: a static file server for build-web/site on
// 127.0.0.1 (compressing what it sends, as web servers do, when asked to),
// and Debian's Chromium, headless, driven by playwright-core (found through
// NODE_PATH: scripts/install-deps web puts it in build-web/node).
import { createRequire } from 'node:module';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import zlib from 'node:zlib';

const { chromium } = createRequire(import.meta.url)('playwright-core');

const types = {'.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
  '.jpg': 'image/jpeg', '.gif': 'image/gif', '.png': 'image/png', '.svg': 'image/svg+xml',
  '.replay': 'text/plain'};
// Already compressed: sent as they are.
const packed = new Set(['.jpg', '.gif', '.png']);

// Serves `dir`, and `extra` (a Map from a path to its bytes) beside it. With
// `compress`, text and WebAssembly go out as the client accepts them, Brotli
// before gzip, each at its highest setting, as a server that compresses its
// static files ahead of time sends them. Resolves to {origin, close()}.
export async function serveSite(dir, {extra = new Map(), compress = false} = {}) {
  const root = path.resolve(dir);
  const cache = new Map();  // path and encoding to the bytes sent
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://localhost');
    const name = url.pathname === '/' ? '/index.html' : url.pathname;
    let body = extra.get(url.pathname);
    if (body === undefined) {
      const file = path.join(root, path.normalize(name));
      if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
        response.writeHead(404).end();
        return;
      }
      body = fs.readFileSync(file);
    }
    const ext = path.extname(name);
    const headers = {'Content-Type': types[ext] || 'application/octet-stream', 'Cache-Control': 'no-store'};
    const accepts = String(request.headers['accept-encoding'] || '');
    const encoding = !compress || packed.has(ext) ? null
      : /\bbr\b/.test(accepts) ? 'br' : /\bgzip\b/.test(accepts) ? 'gzip' : null;
    if (encoding) {
      const key = name + ' ' + encoding;
      if (!cache.has(key)) {
        cache.set(key, encoding === 'br'
          ? zlib.brotliCompressSync(body, {params: {[zlib.constants.BROTLI_PARAM_QUALITY]: 11}})
          : zlib.gzipSync(body, {level: 9}));
      }
      body = cache.get(key);
      headers['Content-Encoding'] = encoding;
      headers['Vary'] = 'Accept-Encoding';
    }
    headers['Content-Length'] = body.length;
    response.writeHead(200, headers);
    response.end(body);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {origin: `http://127.0.0.1:${server.address().port}`, close: () => server.close()};
}

// Debian's Chromium, headless, with nothing of its own on the network.
export function launchChromium() {
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

// A page of the site at `address` in a fresh context (nothing cached), its
// window 1280 x 900 CSS pixels at `scale` device pixels to one; resolves
// once the program runs. Errors in the page are told to `onError`.
export async function openPage(browser, address, {scale = 1, onError = null} = {}) {
  const context = await browser.newContext({viewport: {width: 1280, height: 900}, deviceScaleFactor: scale,
    acceptDownloads: true});
  const page = await context.newPage();
  page.on('pageerror', (e) => { console.log('page error: ' + e.message); if (onError) onError(e); });
  page.on('console', (m) => { if (m.type() === 'error') console.log('console: ' + m.text()); });
  await page.goto(address);
  await page.waitForFunction(() => window.kestrin && window.kestrin.ready === true, null, {timeout: 20000});
  return page;
}
