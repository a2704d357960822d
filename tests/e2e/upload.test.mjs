// Uploads through the transfer page in a real browser: the file picker, a drop, progress, the
// server's answers per file, cancelling, the streamed route for large files, and the listing after.
import assert from 'node:assert/strict';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { launchBrowser, openPage, screenshot } from './support/browser.mjs';
import { makeImage, makePdf, write } from './support/content.mjs';
import {
  card, expectCards, expectNoProblems, limitUploads, uploadRows, waitForUploadsToEnd, WAIT,
} from './support/page.mjs';
import { makeTempDir, startServer } from './support/server.mjs';


describe('transfer page: uploads', () => {
  let documents;
  let sources;
  let server;
  let browser;

  before(async () => {
    documents = makeTempDir('upload-docs');
    sources = makeTempDir('upload-sources');
    makeImage(path.join(documents, 'Sunset.png'), '120x120', 'radial-gradient:#ffca28-#d84315');
    fs.mkdirSync(path.join(documents, 'Trips'));
    server = await startServer(documents);
    browser = await launchBrowser();
  });

  after(async () => {
    await browser?.close();
    await server?.stop();
    for (const folder of [documents, sources]) if (folder) fs.rmSync(folder, { recursive: true, force: true });
  });

  const source = (name) => path.join(sources, name);
  const saved = (name) => path.join(documents, name);
  const sameBytes = (a, b) => fs.readFileSync(a).equals(fs.readFileSync(b));
  // The device answers with file URLs; the page shows them unescaped.
  const fileUrl = (name) => 'file://' + saved(name);

  async function open(options = {}) {
    const opened = await openPage(browser, server.url, options);
    await opened.page.goto(server.url);
    await opened.page.waitForSelector('#grid .card', WAIT);
    return opened;
  }

  // Builds a DataTransfer in the page holding the files ({ name, bytes }), then drags it in and
  // drops it on the grid.
  async function dropFiles(page, files) {
    const payload = files.map(({ name, bytes }) => ({ name, base64: bytes.toString('base64') }));
    await page.evaluate((payload) => {
      const transfer = new DataTransfer();
      for (const file of payload) {
        const bytes = Uint8Array.from(atob(file.base64), (c) => c.charCodeAt(0));
        transfer.items.add(new File([bytes], file.name, { type: 'image/png' }));
      }
      window.__dropTransfer = transfer;
      const target = document.getElementById('grid');
      for (const type of ['dragenter', 'dragover']) {
        target.dispatchEvent(new DragEvent(type, { bubbles: true, cancelable: true, dataTransfer: transfer }));
      }
    }, payload);
    assert.equal(await page.isVisible('#drop-overlay'), true, 'dragging files over the page shows the drop hint');
    const accepted = await page.evaluate(() => {
      const event = new DragEvent('drop', { bubbles: true, cancelable: true, dataTransfer: window.__dropTransfer });
      document.getElementById('grid').dispatchEvent(event);
      return event.defaultPrevented;
    });
    assert.equal(accepted, true, 'the page takes the drop instead of letting the browser open the file');
    assert.equal(await page.isHidden('#drop-overlay'), true);
  }

  test('uploads two picked files and a dropped one with progress, answers, and the listing after', async () => {
    // Photos that do not compress, so each upload lasts long enough at the limited speed to watch.
    makeImage(source('Coast.jpg'), '480x360', 'xc:', '+noise', 'Random', '-quality', '92');
    makeImage(source('Reef.png'), '200x150', 'xc:', '+noise', 'Random');
    makeImage(source('Plage été.png'), '160x120', 'gradient:#4dd0e1-#006064');
    const { page, context, problems } = await open();
    await expectCards(page, ['Trips', 'Sunset.png']);
    const limiter = await limitUploads(context, page, 200 * 1024);

    await page.setInputFiles('#file-input', [source('Coast.jpg'), source('Reef.png')]);
    await page.waitForSelector('#uploads:not([hidden])', WAIT);

    // While sending: bytes so far, speed and time left per file and overall, bars filling.
    await page.waitForFunction(() => {
      const status = document.querySelector('#upload-list .upload-item.sending .status');
      return status && /^[\d.]+ (B|KB|MB) of [\d.]+ (KB|MB) · [\d.]+ (B|KB|MB)\/s · \d+ s left$/.test(status.textContent);
    }, null, WAIT);
    await page.waitForFunction(() => /^Uploading 2 of 2$/.test(document.getElementById('uploads-title').textContent) &&
      / of .* · .*\/s/.test(document.getElementById('uploads-overall').textContent), null, WAIT);
    await page.waitForFunction(() => {
      const width = parseFloat(document.getElementById('overall-fill').style.width);
      return width > 0 && width < 100;
    }, null, WAIT);
    const sending = (await uploadRows(page)).filter((row) => row.state === 'sending');
    assert.ok(sending.length >= 1 && sending.every((row) => row.cancelVisible), 'a file being sent can be cancelled');

    await dropFiles(page, [{ name: 'Plage été.png', bytes: fs.readFileSync(source('Plage été.png')) }]);
    assert.equal((await uploadRows(page)).length, 3);
    await screenshot(page, 'desktop-uploading.png');
    await limiter.send('Network.emulateNetworkConditions', { offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });

    const rows = await waitForUploadsToEnd(page, 3);
    assert.deepEqual(rows.map(({ name, state, status }) => ({ name, state, status })), [
      { name: 'Coast.jpg', state: 'saved', status: 'Saved · File saved: ' + fileUrl('Coast.jpg') },
      { name: 'Reef.png', state: 'saved', status: 'Saved · File saved: ' + fileUrl('Reef.png') },
      { name: 'Plage été.png', state: 'saved', status: 'Saved · File saved: ' + fileUrl('Plage été.png') },
    ]);
    assert.ok(rows.every((row) => row.fill === '100%' && !row.cancelVisible));
    assert.equal(await page.textContent('#uploads-title'), 'Uploads: 3 finished');
    for (const name of ['Coast.jpg', 'Reef.png', 'Plage été.png']) assert.ok(sameBytes(source(name), saved(name)), name);

    // The listing refreshes by itself once the last upload ends, with thumbnails of the new photos.
    await expectCards(page, ['Trips', 'Coast.jpg', 'Plage été.png', 'Reef.png', 'Sunset.png']);
    const picture = card(page, 'Plage été.png').locator('img.picture.loaded');
    await picture.waitFor(WAIT);
    assert.ok((await picture.getAttribute('src')).startsWith('/thumbnail?path=' + encodeURIComponent('Plage été.png') + '&'));
    await screenshot(page, 'desktop-uploaded.png');

    await page.click('#uploads-clear');
    assert.equal(await page.isHidden('#uploads'), true);
    expectNoProblems(problems);
    await context.close();
  });

  test('shows the answers for an existing name, an unsupported type, the same file twice, a hostile name', async () => {
    makeImage(source('Sunset.png'), '64x64', 'xc:#123456');
    makePdf(source('report.pdf'));
    makeImage(source('Again.jpg'), '64x48', 'gradient:#ffffff-#000000');
    const before = fs.readFileSync(saved('Sunset.png'));
    const { page, context, problems } = await open();

    await page.setInputFiles('#file-input', [source('Sunset.png'), source('report.pdf')]);
    let rows = await waitForUploadsToEnd(page, 2);
    assert.deepEqual(rows.map(({ name, state, status }) => ({ name, state, status })), [
      { name: 'Sunset.png', state: 'exists',
        status: 'Already exists on the device: File already exists: ' + fileUrl('Sunset.png') },
      { name: 'report.pdf', state: 'unsupported', status: 'Not received: This type of file cannot be received.' },
    ]);
    assert.ok(fs.readFileSync(saved('Sunset.png')).equals(before), 'an existing file is never overwritten');
    assert.equal(fs.existsSync(saved('report.pdf')), false);
    // The device's alerts, which `serve` prints as lines of its log.
    await waitFor(() => /Alert: File Already Exists - A file with this name is already in this folder\. \[OK\]/.test(server.log()) &&
      /Alert: Unsupported File Type - This type of file cannot be received\. \[OK\]/.test(server.log()), 'both alerts');

    // Picking the same file again sends it again; the second answer says it is there already.
    await page.setInputFiles('#file-input', source('Again.jpg'));
    await waitForUploadsToEnd(page, 3);
    await page.setInputFiles('#file-input', source('Again.jpg'));
    rows = await waitForUploadsToEnd(page, 4);
    assert.deepEqual(rows.slice(2).map((row) => row.state), ['saved', 'exists']);
    assert.ok(sameBytes(source('Again.jpg'), saved('Again.jpg')));
    await page.waitForSelector('#grid .card[data-name="Again.jpg"]', WAIT);
    assert.equal(await page.locator('#grid .card[data-name="report.pdf"]').count(), 0);

    // A hostile name stays text in the upload panel too.
    const hostile = '<img src=x onerror=alert(3)>.jpg';
    makeImage(source(hostile), '48x48', 'xc:#336699');
    await page.setInputFiles('#file-input', source(hostile));
    rows = await waitForUploadsToEnd(page, 5);
    assert.deepEqual(rows[4], { name: hostile, state: 'saved', status: 'Saved · File saved: ' + fileUrl(hostile),
      fill: '100%', cancelVisible: false });
    assert.equal(await page.locator('#uploads img').count(), 0);
    await page.waitForSelector(`#grid .card[data-name="${hostile}"]`, WAIT);

    // Two different files of one name dropped together are sent at the same time: one is saved
    // whole, the other is told the name is taken.
    const twins = [0, 1].map((shade) => {
      makeImage(source('Twin.png'), '96x96', 'xc:', '+noise', 'Random', '-fill', shade ? 'white' : 'black', '-colorize', '40');
      return fs.readFileSync(source('Twin.png'));
    });
    assert.ok(!twins[0].equals(twins[1]));
    await dropFiles(page, twins.map((bytes) => ({ name: 'Twin.png', bytes })));
    rows = await waitForUploadsToEnd(page, 7);
    assert.deepEqual(rows.slice(5).map((row) => row.state).sort(), ['exists', 'saved']);
    const kept = fs.readFileSync(saved('Twin.png'));
    assert.ok(kept.equals(twins[0]) || kept.equals(twins[1]), 'the saved file is one of the two, whole');
    expectNoProblems(problems, ['POST /upload 404']);
    await context.close();
  });

  test('from a sub-folder, uploads go to the top folder and the page says so', async () => {
    makeImage(source('From trip.jpg'), '64x48', 'gradient:#a5d6a7-#1b5e20');
    const { page, context, problems } = await open();
    assert.equal(await page.isHidden('#uploads-note'), true);
    await page.locator('#grid .card[data-name="Trips"] button').click();
    await expectCards(page, []);

    await page.setInputFiles('#file-input', source('From trip.jpg'));
    const [row] = await waitForUploadsToEnd(page, 1);
    assert.equal(row.status, 'Saved · File saved: ' + fileUrl('From trip.jpg'));
    assert.equal(await page.textContent('#uploads-note'), 'Uploaded files go to Documents, the top folder.');
    assert.equal(await page.isVisible('#uploads-note'), true);
    await screenshot(page, 'desktop-upload-from-sub-folder.png');
    assert.ok(sameBytes(source('From trip.jpg'), saved('From trip.jpg')));
    assert.equal(fs.existsSync(path.join(documents, 'Trips', 'From trip.jpg')), false);

    await page.click('#up-button');
    await page.waitForSelector('#grid .card[data-name="From trip.jpg"]', WAIT);
    assert.equal(await page.isHidden('#uploads-note'), true);
    expectNoProblems(problems);
    await context.close();
  });

  test('cancelling stops a file being sent and a file still waiting; neither leaves anything behind', async () => {
    write(source('Long.mp4'), crypto.randomBytes(600 * 1024));
    write(source('Short.mp3'), crypto.randomBytes(24 * 1024));
    write(source('Later.mp4'), crypto.randomBytes(100 * 1024));
    const { page, context, problems } = await open();
    const logStart = server.log().length;
    await limitUploads(context, page, 48 * 1024);

    // Two files are sent at a time, so the third waits; it is cancelled while it still does.
    await page.setInputFiles('#file-input', [source('Long.mp4'), source('Short.mp3'), source('Later.mp4')]);
    const waitingState = await page.evaluate(() => {
      const row = Array.from(document.querySelectorAll('#upload-list .upload-item'))
        .find((item) => item.querySelector('.file').textContent === 'Later.mp4');
      const before = row.className;
      row.querySelector('button').click();
      return before;
    });
    assert.equal(waitingState, 'upload-item waiting');
    await page.waitForFunction(() => {
      const status = document.querySelector('#upload-list .upload-item.sending .status');
      return status && /^[1-9][\d.]* (B|KB) of /.test(status.textContent);
    }, null, WAIT);
    await page.locator('#upload-list .upload-item', { hasText: 'Long.mp4' }).locator('button').click();

    const rows = await waitForUploadsToEnd(page, 3);
    assert.deepEqual(rows.map(({ name, state, status }) => ({ name, state, status })), [
      { name: 'Long.mp4', state: 'cancelled', status: 'Cancelled' },
      { name: 'Short.mp3', state: 'saved', status: 'Saved · File saved: ' + fileUrl('Short.mp3') },
      { name: 'Later.mp4', state: 'cancelled', status: 'Cancelled' },
    ]);
    await page.waitForSelector('#grid .card[data-name="Short.mp3"]', WAIT);
    // The server notices the cut connection and answers it; only then is the folder final.
    const answered = () => (server.log().slice(logStart).match(/POST \/upload \d+/g) || []).sort();
    await waitFor(() => answered().length >= 2, 'the server to answer the cut upload');
    assert.deepEqual(answered(), ['POST /upload 200', 'POST /upload 400'], 'the waiting file was never sent');
    assert.equal(fs.existsSync(saved('Long.mp4')), false);
    assert.equal(fs.existsSync(saved('Later.mp4')), false);
    assert.ok(sameBytes(source('Short.mp3'), saved('Short.mp3')));
    assert.deepEqual(fs.readdirSync(documents).filter((name) => name.startsWith('.')), []);
    expectNoProblems(problems);
    await context.close();
  });

  test('a file over the streaming threshold goes through the streamed route and arrives intact', async () => {
    const big = source('Holiday.mp4');
    const handle = fs.openSync(big, 'w');
    const chunk = crypto.randomBytes(1024 * 1024);
    for (let i = 0; i < 65; i += 1) fs.writeSync(handle, chunk);
    fs.writeSync(handle, crypto.randomBytes(12345));
    fs.closeSync(handle);

    const { page, context, problems } = await open();
    const requests = [];
    page.on('request', (request) => {
      if (request.url().includes('upload')) requests.push(request.method() + ' ' + new URL(request.url()).pathname + new URL(request.url()).search);
    });
    await page.setInputFiles('#file-input', big);
    const [row] = await waitForUploadsToEnd(page, 1);
    assert.equal(row.state, 'saved', row.status);
    // Sent in pieces under one upload id, each starting where the one before ended.
    const size = fs.statSync(big).size;
    const pieces = requests.map((request) => new URLSearchParams(request.split('?')[1]));
    assert.ok(requests.every((request) => request.startsWith('PUT /upload-stream?path=Holiday.mp4&id=')), requests.join('\n'));
    assert.equal(new Set(pieces.map((piece) => piece.get('id'))).size, 1);
    assert.deepEqual(pieces.map((piece) => Number(piece.get('offset'))),
      Array.from({ length: Math.ceil(size / (8 * 1024 * 1024)) }, (_, i) => i * 8 * 1024 * 1024));
    assert.ok(pieces.every((piece) => Number(piece.get('total')) === size));
    assert.equal(fs.statSync(saved('Holiday.mp4')).size, fs.statSync(big).size);
    assert.ok(sameBytes(big, saved('Holiday.mp4')));
    await page.waitForSelector('#grid .card[data-name="Holiday.mp4"]', WAIT);
    fs.rmSync(big);
    expectNoProblems(problems);
    await context.close();
  });

  test('at phone width the upload panel stays on the screen', async () => {
    makeImage(source('Phone shot with a rather long name that has to wrap somewhere.jpg'), '90x160', 'gradient:#ce93d8-#4a148c');
    makePdf(source('phone.pdf'));
    const { page, context, problems } = await open({
      viewport: { width: 390, height: 844 }, deviceScaleFactor: 2, isMobile: true, hasTouch: true,
    });
    await page.setInputFiles('#file-input', [
      source('Phone shot with a rather long name that has to wrap somewhere.jpg'), source('phone.pdf'),
    ]);
    await waitForUploadsToEnd(page, 2);
    await page.waitForSelector('#grid .card[data-name^="Phone shot"]', WAIT);
    const shape = await page.evaluate(() => {
      const panel = document.getElementById('uploads').getBoundingClientRect();
      return {
        width: document.documentElement.clientWidth,
        scrollWidth: document.documentElement.scrollWidth,
        panel: { left: panel.left, right: panel.right },
      };
    });
    assert.ok(shape.scrollWidth <= shape.width, `the page scrolls sideways: ${shape.scrollWidth} > ${shape.width}`);
    assert.ok(shape.panel.left >= 0 && shape.panel.right <= shape.width, JSON.stringify(shape));
    await screenshot(page, 'phone-uploads.png');
    expectNoProblems(problems, ['POST /upload 404']);
    await context.close();
  });
});

async function waitFor(condition, what, timeout = 30000) {
  const deadline = Date.now() + timeout;
  while (!condition()) {
    if (Date.now() > deadline) throw new Error('Timed out waiting for ' + what);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}
