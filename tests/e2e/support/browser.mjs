// Debian's chromium driven through playwright-core; never a browser of playwright's own.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

let chromium;
try {
  ({ chromium } = await import('playwright-core'));
} catch (error) {
  throw new Error('playwright-core is missing: run scripts/install-deps.sh, or npm install in tests/e2e. ' + error.message);
}

const here = path.dirname(fileURLToPath(import.meta.url));
// ctest points this into the build tree; a run by hand writes beside the tests.
export const OUTPUT_DIR = process.env.E2E_OUTPUT_DIR || path.resolve(here, '..', 'output');

export const CHROMIUM = process.env.CHROMIUM_BIN || '/usr/bin/chromium';

export function launchBrowser() {
  // A new browser without a user data dir runs on a fresh temporary profile.
  return chromium.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: [
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
}

// Opens a page in a context of its own and records what must never happen on it: dialogs
// (alert() from a hostile name would open one), script errors, console errors, failed requests and
// requests to anywhere but the device itself.
export async function openPage(browser, origin, options = {}) {
  const context = await browser.newContext({ acceptDownloads: true, ...options });
  const page = await context.newPage();
  const problems = { dialogs: [], errors: [], foreign: [], httpErrors: [] };
  page.on('dialog', (dialog) => {
    problems.dialogs.push(dialog.type() + ': ' + dialog.message());
    dialog.dismiss().catch(() => {});
  });
  page.on('pageerror', (error) => problems.errors.push(String(error)));
  // Failed requests are recorded as responses below; the console's copy of them is left out.
  page.on('console', (message) => {
    if (message.type() === 'error' && !message.text().startsWith('Failed to load resource')) {
      problems.errors.push('console: ' + message.text());
    }
  });
  page.on('response', (response) => {
    if (response.status() >= 400) {
      const url = new URL(response.url());
      problems.httpErrors.push(`${response.request().method()} ${url.pathname}${url.search} ${response.status()}`);
    }
  });
  page.on('request', (request) => {
    const url = request.url();
    if (!url.startsWith(origin) && !url.startsWith('data:')) problems.foreign.push(url);
  });
  return { context, page, problems };
}

export async function screenshot(page, name) {
  fs.mkdirSync(OUTPUT_DIR, { recursive: true });
  const file = path.join(OUTPUT_DIR, name);
  // Bars that are still sliding to their width are shown where they end.
  await page.screenshot({ path: file, fullPage: true, animations: 'disabled' });
  return file;
}
