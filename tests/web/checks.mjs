// What the page's tests share: checks said one a line and counted, the
// site they need, and the end of a run with its status.
import fs from 'node:fs';
import path from 'node:path';

let failures = 0;

// Exits 77 (skipped) where no page has been built.
export function requireSite(siteDir) {
  if (fs.existsSync(path.join(siteDir, 'index.html'))) return;
  console.log(`skipped: no page built in ${siteDir} (scripts/web build)`);
  process.exit(77);
}

export function check(ok, what) {
  console.log((ok ? 'ok     ' : 'FAILED ') + what);
  if (!ok) ++failures;
}

// A failure that stopped the run, or an error in a page.
export function failed(error) {
  if (error) console.log('FAILED ' + (error.stack || error));
  ++failures;
}

// Closes what the run opened, says how it went and exits with it.
export async function finish(...closers) {
  for (const close of closers) await close();
  console.log(failures === 0 ? 'all passed' : failures + ' failed');
  process.exit(failures === 0 ? 0 : 1);
}
