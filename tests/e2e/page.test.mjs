// The transfer page with big folders, previews, selections and resumable uploads, in a real browser.
// Run with `node --test` (ctest does); TIDEWELL_BIN names the server binary. E2E_RESUME_MB sets the
// size of the upload that survives a server restart (96 MiB by default; 2048 for the 2 GiB case).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { launchBrowser, OUTPUT_DIR, openPage } from './support/browser.mjs';
import { makeImage, makePdf, write } from './support/content.mjs';
import { card, expectCards, expectNoProblems, limitUploads, uploadRows, waitForUploadsToEnd, WAIT } from './support/page.mjs';
import { makeTempDir, startServer } from './support/server.mjs';

const PHOTOS = 500;
const MANY = 2500;
const RESUME_MB = Number(process.env.E2E_RESUME_MB || 96);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Files of 2 GiB and more are too large to read whole.
async function sha256(file) {
  const hash = crypto.createHash('sha256');
  for await (const chunk of fs.createReadStream(file)) hash.update(chunk);
  return hash.digest('hex');
}

// What the window shows (a whole page of 500 cards would make a picture too tall to look at).
async function screenshot(page, name) {
  fs.mkdirSync(OUTPUT_DIR, { recursive: true });
  await page.screenshot({ path: path.join(OUTPUT_DIR, name), animations: 'disabled' });
}

describe('transfer page: big folders, previews, selections, resumable uploads', () => {
  let documents;
  let sources;
  let server;
  let browser;

  before(async () => {
    documents = makeTempDir('page-docs');
    sources = makeTempDir('page-sources');
    const photos = path.join(documents, 'Photos');
    fs.mkdirSync(photos);
    const model = makeImage(path.join(sources, 'model.jpg'), '1600x1200', 'plasma:tomato-steelblue');
    for (let i = 1; i <= PHOTOS; i += 1) fs.copyFileSync(model, path.join(photos, `Photo ${String(i).padStart(3, '0')}.jpg`));
    // First in the folder: a video and a PDF, which show a frame and a page of their own.
    execFileSync('ffmpeg', ['-v', 'error', '-y', '-f', 'lavfi', '-i', 'testsrc=s=320x240:d=6:r=25', '-pix_fmt', 'yuv420p',
      '-c:v', 'libx264', path.join(photos, 'A clip.mp4')]);
    makePdf(path.join(photos, 'A manual.pdf'));
    makeImage(path.join(documents, 'Trips', 'Harbour.jpg'), '320x240', 'gradient:#1e88e5-#0d2b52');
    makeImage(path.join(documents, 'Trips', 'Été à la plage.png'), '200x200', 'radial-gradient:#ffca28-#d84315');
    write(path.join(documents, 'Trips', 'notes.txt'), 'Packing list\n');
    write(path.join(documents, 'Trips', 'Beach', 'shells.txt'), 'shells\n');
    fs.mkdirSync(path.join(documents, 'Many'));
    for (let i = 1; i <= MANY; i += 1) fs.writeFileSync(path.join(documents, 'Many', `Note ${i}.txt`), 'x');
    server = await startServer(documents);
    browser = await launchBrowser();
  });

  after(async () => {
    await browser?.close();
    await server?.stop();
    for (const folder of [documents, sources]) if (folder) fs.rmSync(folder, { recursive: true, force: true });
  });

  async function open(hash, options = {}) {
    const opened = await openPage(browser, server.url, options);
    await opened.page.goto(server.url + hash);
    return opened;
  }

  test('a folder of 500 photos shows its grid at once and loads the pictures in view, a few at a time', async () => {
    const { page, context, problems } = await open('', { viewport: { width: 1280, height: 800 } });
    // Each picture takes a little longer than it would, so loading can be watched.
    let active = 0;
    let most = 0;
    const asked = [];
    await page.route('**/thumbnail?*', async (route) => {
      active += 1;
      most = Math.max(most, active);
      asked.push(decodeURIComponent(new URL(route.request().url()).searchParams.get('path')));
      await sleep(120);
      await route.continue();
      active -= 1;
    });
    await page.goto(server.url + '#/Photos');
    await page.waitForFunction((count) => document.querySelectorAll('#grid .card').length === count, PHOTOS + 2, WAIT);
    await page.waitForFunction(() => document.querySelectorAll('#grid img.picture.loaded').length >= 4, null, WAIT);
    await screenshot(page, 'page-lazy-grid.png');

    const inView = () => page.evaluate(() => Array.from(document.querySelectorAll('#grid .card')).filter((card) => {
      const box = card.getBoundingClientRect();
      return box.bottom > 0 && box.top < innerHeight;
    }).map((card) => card.dataset.name));
    const loaded = (names) => page.evaluate((names) => names.every((name) => {
      const img = document.querySelector(`#grid .card[data-name="${name}"] img.picture`);
      return img && img.classList.contains('loaded') && img.naturalWidth > 0;
    }), names);
    const visible = await inView();
    for (let i = 0; i < 100 && !(await loaded(visible)); i += 1) await sleep(100);
    assert.ok(await loaded(visible), 'every tile in view gets its picture');
    assert.ok(asked.slice(0, 8).every((name) => visible.includes(name)), 'the tiles in view come first: ' + asked.slice(0, 8));
    assert.ok(most <= 4, `at most 4 pictures at a time, saw ${most}`);
    assert.ok(asked.length < 150, `only tiles near the view are asked for, not ${asked.length}`);
    assert.ok(await loaded(['A clip.mp4', 'A manual.pdf']), 'the video shows a frame and the PDF its page');

    // Far down the folder, the tiles that come into view get theirs.
    await page.locator('#grid .card[data-name="Photo 480.jpg"]').scrollIntoViewIfNeeded();
    const lower = await inView();
    for (let i = 0; i < 100 && !(await loaded(lower)); i += 1) await sleep(100);
    assert.ok(await loaded(lower));
    expectNoProblems(problems);
    await context.close();
  });

  test(`a folder of ${MANY} entries keeps only the rows near the window; scrolling, Shift ranges and the filter reach them all`, async () => {
    const { page, context, problems } = await open('#/Many', { viewport: { width: 1280, height: 800 } });
    await page.waitForSelector('#grid[aria-busy="false"] .card', WAIT);
    const inPage = () => page.evaluate(() => {
      const cards = Array.from(document.querySelectorAll('#grid .card'));
      const seen = cards.filter((item) => {
        const box = item.getBoundingClientRect();
        return box.bottom > 0 && box.top < innerHeight;
      });
      return {
        count: cards.length,
        seen: seen.map((item) => item.dataset.name),
        positions: seen.map((item) => Number(item.getAttribute('aria-posinset'))),
        size: cards[0]?.getAttribute('aria-setsize'),
        overflow: document.documentElement.scrollWidth - innerWidth,
      };
    });
    let now = await inPage();
    assert.ok(now.count < 200, `${now.count} cards in the page`);
    assert.equal(now.size, String(MANY));
    assert.equal(now.seen[0], 'Note 1.txt');
    assert.equal(await page.textContent('#summary'), `0 folders, ${MANY} files`);
    await card(page, 'Note 2.txt').locator('.pick').click();

    // The end of the scroll bar is the end of the folder, every entry in its place.
    await page.evaluate(() => window.scrollTo(0, document.documentElement.scrollHeight));
    await card(page, `Note ${MANY}.txt`).waitFor(WAIT);
    now = await inPage();
    assert.ok(now.seen.includes(`Note ${MANY}.txt`), 'the last entry is in view: ' + now.seen.slice(-3));
    assert.ok(now.seen.every((name, i) => name === `Note ${now.positions[i]}.txt`), 'each card where its entry is');
    assert.equal(now.overflow, 0);
    await card(page, `Note ${MANY - 1}.txt`).locator('.pick').click({ modifiers: ['Shift'] });
    assert.equal(await page.textContent('#selection-count'), `${MANY - 2} selected`);
    assert.equal(await page.locator('#grid .card.selected').count(), now.count - 1, 'every card in the page but the last selected');
    await screenshot(page, 'page-many.png');

    await page.fill('#filter', 'Note 1234');
    await expectCards(page, ['Note 1234.txt']);
    expectNoProblems(problems);
    await context.close();
  });

  test('the viewer: fit, zoom, arrow keys, download; a video plays; a PDF opens in a tab of its own', async () => {
    const { page, context, problems } = await open('#/Photos', { viewport: { width: 1100, height: 760 } });
    await card(page, 'Photo 002.jpg').waitFor(WAIT);
    await card(page, 'Photo 002.jpg').locator('a.open').click();
    await page.waitForSelector('#viewer:not([hidden])', WAIT);
    const shown = () => page.evaluate(() => ({
      name: document.getElementById('viewer-name').textContent,
      position: document.getElementById('viewer-position').textContent,
      src: document.getElementById('viewer-image').getAttribute('src'),
      width: document.getElementById('viewer-image').getBoundingClientRect().width,
      natural: document.getElementById('viewer-image').naturalWidth,
    }));
    const fittedAs = (name) => page.waitForFunction((name) => document.getElementById('viewer-image').dataset.shown === name, name, WAIT);
    await fittedAs('Photo 002.jpg');
    let now = await shown();
    assert.deepEqual([now.name, now.position, now.src], ['Photo 002.jpg', '2 of 500', '/download?path=Photo%20002.jpg']);
    assert.ok(now.natural === 1600 && now.width <= 1100, 'fitted to the window');
    await screenshot(page, 'page-viewer.png');
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('ArrowRight');
    assert.equal((await shown()).name, 'Photo 004.jpg');
    await page.keyboard.press('ArrowLeft');
    assert.equal((await shown()).name, 'Photo 003.jpg');
    await fittedAs('Photo 003.jpg');
    const fitted = (await shown()).width;
    await page.keyboard.press('+');
    now = await shown();
    assert.ok(now.width > fitted * 1.4, `zoomed from ${fitted} to ${now.width}`);
    const [saved] = await Promise.all([page.waitForEvent('download', WAIT), page.click('#viewer-download')]);
    assert.equal(saved.suggestedFilename(), 'Photo 003.jpg');
    assert.ok(fs.readFileSync(await saved.path()).equals(fs.readFileSync(path.join(documents, 'Photos', 'Photo 003.jpg'))));
    await page.keyboard.press('Escape');
    assert.equal(await page.isHidden('#viewer'), true);

    // The video plays in the page, fetched in ranges from the download route.
    await card(page, 'A clip.mp4').locator('a.open').click();
    await page.waitForFunction(() => document.getElementById('viewer-video').currentTime >= 2, null, WAIT);
    await page.keyboard.press('Escape');

    const [tab] = await Promise.all([context.waitForEvent('page', WAIT), card(page, 'A manual.pdf').locator('a.open').click()]);
    await tab.waitForURL(/inline=1/, WAIT);
    assert.equal(new URL(tab.url()).pathname + new URL(tab.url()).search, '/download?path=A%20manual.pdf&inline=1');
    const reply = await page.request.get(tab.url());
    assert.match(reply.headers()['content-disposition'], /^inline; filename="A manual.pdf"/);
    assert.equal(reply.headers()['content-type'], 'application/pdf');
    assert.equal(reply.headers()['content-security-policy'], "default-src 'self'; img-src 'self' data:");
    const plain = await page.request.get(server.url + 'download?path=Photo%20001.jpg&inline=1');
    assert.match(plain.headers()['content-disposition'], /^attachment;/, 'only PDFs open inline');
    expectNoProblems(problems);
    await context.close();
  });

  test('checkboxes, Shift ranges and select all; the ZIP holds every selected entry byte for byte', async () => {
    const { page, context, problems } = await open('#/Trips');
    const names = ['Beach', 'Été à la plage.png', 'Harbour.jpg', 'notes.txt'];
    await page.waitForFunction((count) => document.querySelectorAll('#grid .card').length === count, names.length, WAIT);
    await card(page, 'Beach').locator('.pick').click();
    await card(page, 'Harbour.jpg').locator('.pick').click({ modifiers: ['Shift'] });
    assert.equal(await page.textContent('#selection-count'), '3 selected');
    assert.deepEqual(await page.$$eval('#grid .card.selected', (cards) => cards.map((item) => item.dataset.name)), names.slice(0, 3));
    await screenshot(page, 'page-multiselect.png');

    const [download] = await Promise.all([page.waitForEvent('download', WAIT), page.click('#selection-download')]);
    assert.equal(download.suggestedFilename(), 'Trips.zip');
    const zip = await download.path();
    const entries = execFileSync('zipinfo', ['-1', zip], { encoding: 'utf8' }).trim().split('\n');
    assert.deepEqual(entries, ['Beach/', 'Beach/shells.txt', 'Été à la plage.png', 'Harbour.jpg']);
    execFileSync('unzip', ['-tq', zip]);
    for (const entry of entries.filter((name) => !name.endsWith('/'))) {
      const bytes = execFileSync('unzip', ['-p', zip, entry]);
      assert.ok(bytes.equals(fs.readFileSync(path.join(documents, 'Trips', entry))), entry);
    }

    await page.click('#select-all');
    assert.equal(await page.textContent('#selection-count'), '4 selected');
    assert.equal(await page.textContent('#select-all'), 'Select none');
    await page.click('#select-all');
    assert.equal(await page.isHidden('#selection-bar'), true);
    expectNoProblems(problems);
    await context.close();
  });

  test('a large upload goes on after the server stopped mid-way and arrives with the same bytes', async () => {
    const big = path.join(sources, 'Long trip.mp4');
    const handle = fs.openSync(big, 'w');
    const chunk = crypto.randomBytes(1024 * 1024);
    for (let i = 0; i < RESUME_MB; i += 1) fs.writeSync(handle, chunk);
    fs.writeSync(handle, crypto.randomBytes(4321));
    fs.closeSync(handle);
    const { page, context, problems } = await open('');
    await page.waitForSelector('#grid .card', WAIT);
    // Slow enough that the stop comes mid-way: about 4 s for the usual size, 16 s for 2 GiB.
    await limitUploads(context, page, Math.max(24, RESUME_MB / 16) * 1024 * 1024);
    await page.setInputFiles('#file-input', big);

    // Once a good part arrived, the server goes away and comes back on the same port.
    const held = () => fs.readdirSync(documents).filter((name) => name.startsWith('.tidewell-resume-'))
      .map((name) => fs.statSync(path.join(documents, name)).size)[0] || 0;
    for (let i = 0; i < 2400 && held() < RESUME_MB * 1024 * 1024 * 0.3; i += 1) await sleep(50);
    const port = Number(new URL(server.url).port);
    await server.stop();
    const cut = held();
    assert.ok(cut > 0 && cut < fs.statSync(big).size, `cut at ${cut}`);
    await page.waitForFunction(() => /trying again/.test(document.querySelector('#upload-list .status').textContent), null, WAIT)
      .catch(async (error) => {
        throw new Error(error.message + ': ' + (await page.textContent('#upload-list .status')) + '\n' + server.log());
      });
    await screenshot(page, 'page-upload-interrupted.png');
    server = await startServer(documents, [], { port });

    const [row] = await waitForUploadsToEnd(page, 1);
    assert.equal(row.state, 'saved', row.status);
    assert.equal(row.fill, '100%');
    assert.equal(await page.$eval('#overall-fill', (fill) => fill.style.width), '100%');
    await screenshot(page, 'page-upload-resumed.png');
    assert.equal(await sha256(path.join(documents, 'Long trip.mp4')), await sha256(big), 'the same bytes');
    assert.deepEqual(fs.readdirSync(documents).filter((name) => name.startsWith('.')), []);
    assert.deepEqual((await uploadRows(page)).map((item) => item.name), ['Long trip.mp4']);
    fs.rmSync(big);
    // While the server stops, requests on connections still open hear 503 (the cut piece with the
    // length to go on from).
    problems.httpErrors = problems.httpErrors.filter((error) => !/^(PUT|HEAD) \/upload-stream\?\S+ 503$/.test(error));
    expectNoProblems(problems);
    await context.close();
  });

  test('a large upload goes on after the browser was offline for a moment', async () => {
    const big = path.join(sources, 'Offline.mp4');
    fs.writeFileSync(big, crypto.randomBytes(80 * 1024 * 1024 + 77));
    const { page, context, problems } = await open('');
    await page.waitForSelector('#grid .card', WAIT);
    const network = await limitUploads(context, page, 16 * 1024 * 1024);
    await page.setInputFiles('#file-input', big);
    const held = () => fs.readdirSync(documents).filter((name) => name.startsWith('.tidewell-resume-'))
      .map((name) => fs.statSync(path.join(documents, name)).size)[0] || 0;
    for (let i = 0; i < 600 && held() < 24 * 1024 * 1024; i += 1) await sleep(50);

    // DevTools network emulation takes the browser offline, as a phone losing Wi-Fi would be.
    await network.send('Network.emulateNetworkConditions', { offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
    await page.waitForFunction(() => /trying again/.test(document.querySelector('#upload-list .status').textContent), null, WAIT);
    await sleep(1000);
    await network.send('Network.emulateNetworkConditions', { offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });

    const [row] = await waitForUploadsToEnd(page, 1);
    assert.equal(row.state, 'saved', row.status);
    assert.equal(row.fill, '100%');
    assert.equal(await sha256(path.join(documents, 'Offline.mp4')), await sha256(big), 'the same bytes');
    assert.deepEqual(fs.readdirSync(documents).filter((name) => name.startsWith('.')), []);
    fs.rmSync(big);
    // A piece sent while the cut one still held the upload hears 409 with the length to go on from.
    problems.httpErrors = problems.httpErrors.filter((error) => !/^PUT \/upload-stream\?\S+ (409|503)$/.test(error));
    expectNoProblems(problems);
    await context.close();
  });
});
