// Reading the transfer page the way a person sees it: cards, breadcrumbs, upload rows.
import assert from 'node:assert/strict';

export const WAIT = { timeout: 30000 };

// Waits until the grid shows exactly these names, in this order, and nothing is loading.
export async function expectCards(page, names) {
  try {
    await page.waitForFunction(
      (expected) => !document.body.classList.contains('loading') &&
        JSON.stringify(Array.from(document.querySelectorAll('#grid .card'), (card) => card.dataset.name)) ===
        JSON.stringify(expected),
      names,
      WAIT,
    );
  } catch (error) {
    assert.deepEqual(await cardNames(page), names, 'the cards shown');
    throw error;
  }
}

export function cardNames(page) {
  return page.$$eval('#grid .card', (cards) => cards.map((card) => card.dataset.name));
}

export function card(page, name) {
  return page.locator('#grid .card').filter({ has: page.locator('.name', { hasText: name, exact: true }) });
}

export async function crumbs(page) {
  return page.$$eval('#crumbs button', (buttons) =>
    buttons.map((button) => ({ text: button.textContent, current: button.getAttribute('aria-current') === 'page' })));
}

export async function expectHash(page, hash) {
  await page.waitForFunction((expected) => location.hash === expected, hash, WAIT);
}

// The rows of the upload panel: name as shown, final or current state and status text.
export function uploadRows(page) {
  return page.$$eval('#upload-list .upload-item', (rows) => rows.map((row) => ({
    name: row.querySelector('.file').textContent,
    state: row.className.replace('upload-item', '').trim(),
    status: row.querySelector('.status').textContent,
    fill: row.querySelector('.fill').style.width,
    cancelVisible: !row.querySelector('button').hidden,
  })));
}

const FINAL = ['saved', 'exists', 'unsupported', 'failed', 'cancelled'];

export async function waitForUploadsToEnd(page, count) {
  await page.waitForFunction(
    ({ count, final }) => {
      const rows = Array.from(document.querySelectorAll('#upload-list .upload-item'));
      return rows.length === count && rows.every((row) => final.some((state) => row.classList.contains(state)));
    },
    { count, final: FINAL },
    { timeout: 120000 },
  );
  return uploadRows(page);
}

// Slows the browser's uploads so that progress can be watched; `null` lifts the limit.
export async function limitUploads(context, page, bytesPerSecond) {
  const session = await context.newCDPSession(page);
  await session.send('Network.enable');
  await session.send('Network.emulateNetworkConditions', {
    offline: false,
    latency: 0,
    downloadThroughput: -1,
    uploadThroughput: bytesPerSecond ?? -1,
  });
  return session;
}

// `expectedHttpErrors` lists the refusals a test provokes on purpose, as "METHOD path status".
export function expectNoProblems(problems, expectedHttpErrors = []) {
  assert.deepEqual(problems.dialogs, [], 'no dialog may open');
  assert.deepEqual(problems.httpErrors, expectedHttpErrors, 'requests that failed');
  assert.deepEqual(problems.errors, [], 'no script or console error');
  assert.deepEqual(problems.foreign, [], 'no request may leave the device');
}
