// The transfer page in a real browser: listing, folders, downloads, filter and sort, hostile names,
// phone width. Run with `node --test` (ctest does); TIDEWELL_BIN names the server binary.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { launchBrowser, openPage, screenshot } from './support/browser.mjs';
import { HOSTILE_FILE, HOSTILE_FOLDER, makeBrowseDocuments, ODD_FILE, ODD_FOLDER, write } from './support/content.mjs';
import { card, cardNames, crumbs, expectCards, expectHash, expectNoProblems, WAIT } from './support/page.mjs';
import { makeTempDir, startServer } from './support/server.mjs';

const PNG_PREFIX = 'data:image/png;base64,';
// Folders first, then files by name; symbols sort before letters.
const FOLDERS = [HOSTILE_FOLDER, ODD_FOLDER, 'Trips'];
const TOP = [...FOLDERS, HOSTILE_FILE, 'Harbour.jpg', 'Manual.pdf', 'notes.txt', 'Sunset.png'];

describe('transfer page: browsing', () => {
  let documents;
  let server;
  let browser;

  before(async () => {
    documents = makeBrowseDocuments(makeTempDir('browse'));
    server = await startServer(documents);
    browser = await launchBrowser();
  });

  after(async () => {
    await browser?.close();
    await server?.stop();
    if (documents) fs.rmSync(documents, { recursive: true, force: true });
  });

  async function open(hash = '', options = {}) {
    const opened = await openPage(browser, server.url, options);
    await opened.page.goto(server.url + hash);
    return opened;
  }

  test('lists the top folder: folders first, pictures from the thumbnail route, kinds and sizes', async () => {
    const { page, context, problems } = await open();
    await expectCards(page, TOP);

    // Images and the PDF show their own picture, asked of the thumbnail route as the cards come into
    // view and decoded by the browser; other files show the kind's icon from the listing.
    await page.waitForFunction(
      () => document.querySelectorAll('#grid img.picture.loaded').length === 4 &&
        Array.from(document.querySelectorAll('#grid img')).every((img) => img.complete && img.naturalWidth > 0),
      null, WAIT);
    const thumbs = await page.$$eval('#grid .card', (cards) => cards.map((card) => {
      const img = card.querySelector('.thumb img');
      return {
        name: card.dataset.name,
        folder: Boolean(card.querySelector('.folder-icon')),
        src: img ? img.getAttribute('src') : null,
        icon: img ? img.classList.contains('icon') : null,
        details: card.querySelector('.details').textContent,
      };
    }));
    const byName = Object.fromEntries(thumbs.map((thumb) => [thumb.name, thumb]));
    for (const name of [HOSTILE_FILE, 'Harbour.jpg', 'Sunset.png', 'Manual.pdf']) {
      assert.ok(byName[name].src.startsWith('/thumbnail?path=' + encodeURIComponent(name) + '&size=256&folder=%2F&v='), name + ' has its own picture');
      assert.equal(byName[name].icon, false, name + ' shows its picture, not an icon');
    }
    assert.ok(byName['notes.txt'].src.startsWith(PNG_PREFIX));
    assert.equal(byName['notes.txt'].icon, true);
    assert.ok(byName['Trips'].folder && byName[HOSTILE_FOLDER].folder);
    assert.notEqual(byName['Harbour.jpg'].src, byName['Sunset.png'].src, 'each image has its own thumbnail');

    const size = (name) => fs.statSync(path.join(documents, name)).size;
    assert.equal(byName['notes.txt'].details, `Text · ${size('notes.txt')} B`);
    assert.equal(byName['Manual.pdf'].details, `PDF document · ${size('Manual.pdf')} B`);
    assert.match(byName['Harbour.jpg'].details, /^JPEG image · \d+(\.\d)? (B|KB)$/);
    assert.equal(byName['Trips'].details, 'Folder');

    assert.equal(await page.textContent('#summary'), '3 folders, 5 files');
    assert.deepEqual(await crumbs(page), [{ text: 'Documents', current: true }]);
    assert.equal(await page.isDisabled('#up-button'), true);
    assert.equal(await page.isHidden('#empty'), true);
    assert.equal(await page.isHidden('#uploads'), true);

    await screenshot(page, 'desktop-top-folder.png');
    expectNoProblems(problems);
    await context.close();
  });

  test('shows hostile names as text and runs nothing from them', async () => {
    const { page, context, problems } = await open();
    await expectCards(page, TOP);
    const hostile = card(page, HOSTILE_FILE);
    assert.equal(await hostile.locator('.name').textContent(), HOSTILE_FILE);
    assert.equal(await hostile.locator('img').count(), 1, 'only the thumbnail is an image');
    assert.equal(await page.locator('img[src="x"], #grid svg, #crumbs svg').count(), 0);
    await hostile.hover();

    await card(page, HOSTILE_FOLDER).locator('button').click();
    await expectHash(page, '#/' + encodeURIComponent(HOSTILE_FOLDER));
    await expectCards(page, ['inside.txt']);
    assert.deepEqual(await crumbs(page), [
      { text: 'Documents', current: false },
      { text: HOSTILE_FOLDER, current: true },
    ]);
    assert.equal(await page.locator('#crumbs svg, #grid svg').count(), 0);
    await page.locator('#crumbs button[aria-current="page"]').hover();
    expectNoProblems(problems);
    await context.close();
  });

  test('opens sub-folders, keeps breadcrumbs and the address in step, and goes back up', async () => {
    const { page, context, problems } = await open();
    await expectCards(page, TOP);

    await card(page, 'Trips').locator('button').click();
    await expectHash(page, '#/Trips');
    await expectCards(page, ['Beach', 'Lighthouse.jpg', 'notes.txt']);
    assert.deepEqual(await crumbs(page), [{ text: 'Documents', current: false }, { text: 'Trips', current: true }]);
    assert.equal(await page.isEnabled('#up-button'), true);
    assert.equal(await page.textContent('#summary'), '1 folder, 2 files');

    await card(page, 'Beach').locator('button').click();
    await expectHash(page, '#/Trips/Beach');
    await expectCards(page, []);
    assert.equal(await page.textContent('#empty'), 'This folder is empty.');
    assert.equal(await page.isVisible('#empty'), true);
    assert.equal(await page.textContent('#summary'), '');
    assert.deepEqual((await crumbs(page)).map((crumb) => crumb.text), ['Documents', 'Trips', 'Beach']);

    // A breadcrumb jumps back; the browser's back button returns to the folder before.
    await page.locator('#crumbs button', { hasText: 'Trips' }).click();
    await expectHash(page, '#/Trips');
    await expectCards(page, ['Beach', 'Lighthouse.jpg', 'notes.txt']);
    assert.equal(await page.isHidden('#empty'), true);
    await page.goBack();
    await expectHash(page, '#/Trips/Beach');
    await expectCards(page, []);

    await page.click('#up-button');
    await expectHash(page, '#/Trips');
    await expectCards(page, ['Beach', 'Lighthouse.jpg', 'notes.txt']);
    await page.click('#up-button');
    await expectHash(page, '#/');
    await expectCards(page, TOP);
    assert.equal(await page.isDisabled('#up-button'), true);

    // The keyboard opens folders too.
    await card(page, 'Trips').locator('button').focus();
    await page.keyboard.press('Enter');
    await expectHash(page, '#/Trips');
    await expectCards(page, ['Beach', 'Lighthouse.jpg', 'notes.txt']);
    expectNoProblems(problems);
    await context.close();
  });

  test('opens the folder named in the address, and says so when it cannot', async () => {
    const deep = await open('#/Trips/Beach');
    await expectCards(deep.page, []);
    assert.equal(await deep.page.textContent('#empty'), 'This folder is empty.');
    assert.deepEqual((await crumbs(deep.page)).map((crumb) => crumb.text), ['Documents', 'Trips', 'Beach']);
    expectNoProblems(deep.problems);
    await deep.context.close();

    const gone = await open('#/Gone');
    await gone.page.waitForSelector('#banner:not([hidden])', WAIT);
    assert.match(await gone.page.textContent('#banner'), /cannot be opened/);
    assert.equal(await gone.page.isHidden('#empty'), true, 'an error is not an empty folder');
    assert.deepEqual(await cardNames(gone.page), []);
    await gone.page.click('#up-button');
    await expectCards(gone.page, TOP);
    assert.equal(await gone.page.isHidden('#banner'), true);
    expectNoProblems(gone.problems, ['GET /list?path=Gone&thumbnails=none 500']);
    await gone.context.close();
  });

  test('handles folder and file names with address characters: %, #, &, ?, +, spaces', async () => {
    const { page, context, problems } = await open();
    await expectCards(page, TOP);
    await card(page, ODD_FOLDER).locator('button').click();
    await expectHash(page, '#/' + encodeURIComponent(ODD_FOLDER));
    await expectCards(page, [ODD_FILE]);
    assert.deepEqual((await crumbs(page)).map((crumb) => crumb.text), ['Documents', ODD_FOLDER]);

    // Reloading opens the same folder from the address alone.
    await page.reload();
    await expectCards(page, [ODD_FILE]);
    const [event] = await Promise.all([
      page.waitForEvent('download', WAIT),
      card(page, ODD_FILE).locator('a.save').click(),
    ]);
    assert.equal(event.suggestedFilename(), ODD_FILE);
    assert.ok(fs.readFileSync(await event.path()).equals(fs.readFileSync(path.join(documents, ODD_FOLDER, ODD_FILE))));
    expectNoProblems(problems);
    await context.close();
  });

  test('downloads files with the bytes on disk, from the folder on screen', async () => {
    const { page, context, problems } = await open();
    await expectCards(page, TOP);

    const download = async (target, name) => {
      const [event] = await Promise.all([
        target.waitForEvent('download', WAIT),
        card(target, name).locator('a.save').click(),
      ]);
      const file = await event.path();
      return { name: event.suggestedFilename(), bytes: fs.readFileSync(file) };
    };

    const harbour = await download(page, 'Harbour.jpg');
    assert.equal(harbour.name, 'Harbour.jpg');
    assert.ok(harbour.bytes.equals(fs.readFileSync(path.join(documents, 'Harbour.jpg'))));
    const hostile = await download(page, HOSTILE_FILE);
    assert.ok(hostile.bytes.equals(fs.readFileSync(path.join(documents, HOSTILE_FILE))));

    // The server downloads from the folder listed last. Another browser lists the top folder in
    // between; the page still gets the trip's notes, not the top folder's file of the same name.
    await card(page, 'Trips').locator('button').click();
    await expectCards(page, ['Beach', 'Lighthouse.jpg', 'notes.txt']);
    const other = await open();
    await expectCards(other.page, TOP);
    const notes = await download(page, 'notes.txt');
    assert.equal(notes.name, 'notes.txt');
    assert.equal(notes.bytes.toString(), fs.readFileSync(path.join(documents, 'Trips', 'notes.txt'), 'utf8'));
    const topNotes = await download(other.page, 'notes.txt');
    assert.equal(topNotes.bytes.toString(), 'Notes at the top folder.\n');

    expectNoProblems(problems);
    expectNoProblems(other.problems);
    await other.context.close();
    await context.close();
  });

  test('says so when a file is gone from the device before it downloads', async () => {
    const folder = path.join(documents, 'Vanishing');
    write(path.join(folder, 'Kept.txt'), 'kept\n');
    write(path.join(folder, 'Gone.txt'), 'gone\n');
    try {
      const { page, context, problems } = await open('#/Vanishing');
      await expectCards(page, ['Gone.txt', 'Kept.txt']);
      fs.rmSync(path.join(folder, 'Gone.txt'));
      const downloads = [];
      page.on('download', (event) => downloads.push(event.suggestedFilename()));

      await card(page, 'Gone.txt').locator('a.save').click();
      await page.waitForSelector('#banner:not([hidden])', WAIT);
      assert.equal(await page.textContent('#banner'), '“Gone.txt” is no longer on the device. It may have been moved or deleted.');
      await expectCards(page, ['Kept.txt']);

      // The next download still works, and the notice goes once the folder is shown again.
      const [event] = await Promise.all([
        page.waitForEvent('download', WAIT),
        card(page, 'Kept.txt').locator('a.save').click(),
      ]);
      assert.equal(fs.readFileSync(await event.path(), 'utf8'), 'kept\n');
      assert.deepEqual(downloads, ['Kept.txt'], 'no download starts for the missing file');
      await page.click('#up-button');
      await page.waitForSelector('#grid .card[data-name="Vanishing"]', WAIT);
      assert.equal(await page.isHidden('#banner'), true);
      expectNoProblems(problems);
      await context.close();
    } finally {
      fs.rmSync(folder, { recursive: true, force: true });
    }
  });

  test('filters by name and sorts by name, kind and size, folders always first', async () => {
    const { page, context, problems } = await open();
    await expectCards(page, TOP);

    await page.fill('#filter', 'JPG');
    await expectCards(page, ['Harbour.jpg']);
    assert.equal(await page.textContent('#summary'), '3 folders, 5 files · 1 shown');
    await page.fill('#filter', 'zzz');
    await expectCards(page, []);
    assert.equal(await page.textContent('#empty'), 'Nothing here matches “zzz”.');
    await page.fill('#filter', 'trip');
    await expectCards(page, ['Trips']);
    await page.fill('#filter', '');
    await expectCards(page, TOP);

    await page.selectOption('#sort', 'kind');
    await expectCards(page, [...FOLDERS, 'Harbour.jpg', 'Manual.pdf', HOSTILE_FILE, 'Sunset.png', 'notes.txt']);

    await page.selectOption('#sort', 'size');
    const files = TOP.slice(FOLDERS.length);
    const bySize = files
      .map((name) => ({ name, size: fs.statSync(path.join(documents, name)).size }))
      .sort((a, b) => a.size - b.size)
      .map((entry) => entry.name);
    assert.equal(new Set(files.map((name) => fs.statSync(path.join(documents, name)).size)).size, files.length,
      'the sizes differ, so the order is not decided by names');
    await expectCards(page, [...FOLDERS, ...bySize]);

    // Filter and sort work together.
    await page.fill('#filter', '.png');
    await expectCards(page, bySize.filter((name) => name.endsWith('.png')));
    await page.selectOption('#sort', 'name');
    await expectCards(page, [HOSTILE_FILE, 'Sunset.png']);

    // Opening the folder a filter found shows all of its contents; the chosen sort stays.
    await page.selectOption('#sort', 'size');
    await page.fill('#filter', 'trip');
    await expectCards(page, ['Trips']);
    await card(page, 'Trips').locator('button').click();
    await expectCards(page, ['Beach', 'notes.txt', 'Lighthouse.jpg']);
    assert.equal(await page.inputValue('#filter'), '');
    assert.equal(await page.inputValue('#sort'), 'size');
    expectNoProblems(problems);
    await context.close();
  });

  test('says so when the device stops answering', async () => {
    const own = await startServer(documents);
    const { page, context, problems } = await openPage(browser, own.url);
    try {
      await page.goto(own.url);
      await expectCards(page, TOP);
      await own.stop();
      await card(page, 'Trips').locator('button').click();
      await page.waitForSelector('#banner:not([hidden])', WAIT);
      assert.equal(await page.textContent('#banner'), 'The device did not answer. Is the transfer screen still open?');
      assert.equal(await page.isHidden('#empty'), true);
      assert.deepEqual(problems.dialogs, []);
    } finally {
      await own.stop();
      await context.close();
    }
  });

  test('at phone width the grid shows in columns and nothing overflows sideways', async () => {
    const { page, context, problems } = await open('', {
      viewport: { width: 390, height: 844 },
      deviceScaleFactor: 2,
      isMobile: true,
      hasTouch: true,
    });
    await expectCards(page, TOP);

    const layout = () => page.evaluate(() => {
      const width = document.documentElement.clientWidth;
      const outside = Array.from(document.querySelectorAll('body *'))
        .filter((element) => element.getClientRects().length > 0)
        .filter((element) => {
          const box = element.getBoundingClientRect();
          return box.left < -1 || box.right > width + 1;
        })
        .map((element) => element.id || element.className || element.tagName);
      const lefts = new Set(Array.from(document.querySelectorAll('#grid .card'), (card) => Math.round(card.getBoundingClientRect().left)));
      const cardWidth = document.querySelector('#grid .card')?.getBoundingClientRect().width ?? 0;
      return { scrollWidth: document.documentElement.scrollWidth, width, outside, columns: lefts.size, cardWidth };
    });

    let shape = await layout();
    assert.equal(shape.width, 390);
    assert.ok(shape.scrollWidth <= shape.width, `the page scrolls sideways: ${shape.scrollWidth} > ${shape.width}`);
    assert.deepEqual(shape.outside, [], 'elements reaching past the screen edge');
    assert.ok(shape.columns >= 2, `the grid shows ${shape.columns} column(s)`);
    assert.ok(shape.cardWidth >= 100, `cards are ${shape.cardWidth}px wide`);
    assert.equal(await page.isVisible('#upload-button'), true);
    assert.equal(await page.isVisible('#filter'), true);
    await screenshot(page, 'phone-top-folder.png');

    await card(page, HOSTILE_FOLDER).locator('button').tap();
    await expectCards(page, ['inside.txt']);
    shape = await layout();
    assert.ok(shape.scrollWidth <= shape.width, `the page scrolls sideways: ${shape.scrollWidth} > ${shape.width}`);
    assert.deepEqual(shape.outside, []);
    expectNoProblems(problems);
    await context.close();
  });
});
