// The transfer page with a big photo folder, in Debian's chromium, against vipsthumbnail.
//
//   node bench/page_bench.mjs            (after a build; TIDEWELL_BIN names another binary)
//
// 1. A first listing of 200 uncached 12-MP photos: the time until the grid shows, then until every
//    tile in the window shows its picture; vipsthumbnail (libvips-tools) making the same tiles'
//    thumbnails at the same size, and the ratio. The listing with every picture inlined (the list
//    route without thumbnails=none) is timed too, for comparison.
// 2. A folder of 10,000 entries scrolled from top to bottom: the long tasks Chromium reports
//    (over 50 ms each) while it lists and scrolls.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

import { launchBrowser } from '../tests/e2e/support/browser.mjs';
import { makeTempDir, startServer } from '../tests/e2e/support/server.mjs';

const PHOTOS = Number(process.env.BENCH_PHOTOS || 200);
const ENTRIES = 10000;
const SIZE = 256;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function makePhotos(folder) {
  fs.mkdirSync(folder, { recursive: true });
  // One 12-MP photo (4000 x 3000) with detail everywhere, copied: every copy is a file of its own
  // that neither the server nor vips has seen.
  const model = path.join(folder, '..', 'model.jpg');
  execFileSync('/usr/bin/convert', ['-size', '4000x3000', 'plasma:tomato-steelblue', '-quality', '92', model]);
  for (let i = 1; i <= PHOTOS; i += 1) fs.copyFileSync(model, path.join(folder, `IMG_${String(i).padStart(4, '0')}.jpg`));
}

async function photoFolder(browser) {
  const documents = makeTempDir('bench-photos');
  makePhotos(path.join(documents, 'Photos'));
  execFileSync('sync');

  // The old way, on a server of its own: every picture inlined in one listing.
  const inlined = await startServer(documents);
  let started = performance.now();
  const reply = await fetch(inlined.url + 'list?path=Photos');
  const bytes = (await reply.arrayBuffer()).byteLength;
  const inlinedMs = performance.now() - started;
  await inlined.stop();

  const server = await startServer(documents);
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
  const page = await context.newPage();
  // The page is open on the top folder, as a person would have it; the photo folder is then
  // opened and timed inside the page, up to the frames that show the grid and the pictures.
  await page.goto(server.url);
  await page.waitForSelector('#grid .card[data-name="Photos"]');
  const timing = await page.evaluate(async (count) => {
    const frame = (ready) => new Promise((resolve) => {
      const check = () => (ready() ? resolve() : requestAnimationFrame(check));
      check();
    });
    const start = performance.now();
    location.hash = '#/Photos';
    // Shown: the first frame with the folder's cards in the window (the first batch of cards
    // covers it; the rest follow a batch per frame).
    await frame(() => document.querySelector('#grid .card[data-name^="IMG_"]'));
    const grid = performance.now() - start;
    await frame(() => document.querySelectorAll('#grid .card').length === count);
    const allCards = performance.now() - start;
    const visible = Array.from(document.querySelectorAll('#grid .card')).filter((card) => {
      const box = card.getBoundingClientRect();
      return box.bottom > 0 && box.top < innerHeight;
    });
    await frame(() => visible.every((card) => card.querySelector('img.picture.loaded')));
    return { grid, allCards, pictures: performance.now() - start, visible: visible.map((card) => card.dataset.name) };
  }, PHOTOS);
  const gridMs = timing.grid;
  const picturesMs = timing.pictures;
  const visible = timing.visible;
  await context.close();
  await server.stop();

  // vipsthumbnail on the same tiles, at the same size, into a folder of its own.
  const out = makeTempDir('bench-vips');
  const files = visible.map((name) => path.join(documents, 'Photos', name));
  started = performance.now();
  execFileSync('vipsthumbnail', ['-s', String(SIZE), '-o', path.join(out, '%s.jpg'), ...files]);
  const vipsMs = performance.now() - started;
  fs.rmSync(out, { recursive: true, force: true });
  fs.rmSync(documents, { recursive: true, force: true });

  console.log(`${PHOTOS} uncached 12-MP photos, window 1280x800, ${visible.length} tiles in view`);
  console.log(`  every picture inlined (old listing): ${inlinedMs.toFixed(0)} ms, ${(bytes / 1048576).toFixed(1)} MB`);
  console.log(`  grid shown:                          ${gridMs.toFixed(0)} ms (target under 100 ms)`);
  console.log(`  all ${PHOTOS} cards built:                ${timing.allCards.toFixed(0)} ms`);
  console.log(`  every tile in view with its picture: ${picturesMs.toFixed(0)} ms`);
  console.log(`  vipsthumbnail, the same ${visible.length} tiles:     ${vipsMs.toFixed(0)} ms`);
  console.log(`  ratio pictures / vipsthumbnail:      ${(picturesMs / vipsMs).toFixed(2)}`);
  console.log(`  ratio inlined listing / grid shown:  ${(inlinedMs / gridMs).toFixed(1)}`);
}

async function bigFolder(browser) {
  const documents = makeTempDir('bench-entries');
  const folder = path.join(documents, 'Many');
  fs.mkdirSync(folder);
  for (let i = 0; i < ENTRIES; i += 1) fs.writeFileSync(path.join(folder, `note ${i}.txt`), 'x');
  const server = await startServer(documents);
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
  const page = await context.newPage();
  await page.addInitScript(() => {
    window.longTasks = [];
    new PerformanceObserver((list) => {
      for (const entry of list.getEntries()) window.longTasks.push({ start: entry.startTime, duration: entry.duration });
    }).observe({ type: 'longtask', buffered: true });
  });
  await page.goto(server.url + '#/Many');
  // Listed: the grid holds every card it will hold (a big folder only the rows around the window).
  await page.waitForFunction(() => document.querySelector('#grid[aria-busy="false"] .card[data-name="note 0.txt"]'), null, { timeout: 60000 });
  await sleep(300);
  const listed = await page.evaluate(() => window.longTasks.slice());
  await page.evaluate(() => { window.longTasks = []; });
  const height = await page.evaluate(() => document.documentElement.scrollHeight);
  for (let y = 0; y < height; y += 600) {
    await page.mouse.wheel(0, 600);
    await sleep(16);
  }
  await sleep(300);
  const scrolled = await page.evaluate(() => window.longTasks.slice());
  await context.close();
  await server.stop();
  fs.rmSync(documents, { recursive: true, force: true });
  const worst = (tasks) => Math.max(0, ...tasks.map((task) => task.duration)).toFixed(0);
  console.log(`${ENTRIES} entries, scrolled top to bottom in steps of 600 px`);
  console.log(`  long tasks while listing:  ${listed.length} (longest ${worst(listed)} ms)`);
  console.log(`  long tasks while scrolling: ${scrolled.length} (longest ${worst(scrolled)} ms)`);
}

const browser = await launchBrowser();
try {
  // BENCH_ONLY=photos or BENCH_ONLY=entries runs one of the two.
  if (process.env.BENCH_ONLY !== 'entries') await photoFolder(browser);
  if (process.env.BENCH_ONLY !== 'photos') await bigFolder(browser);
} finally {
  await browser.close();
}
process.exit(0);
