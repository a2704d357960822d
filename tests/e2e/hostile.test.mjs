// The transfer page against foreign web pages: a page of another origin that posts forms to the
// device changes nothing, and the access code signs a browser in by hand or by the QR fragment.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { launchBrowser, openPage } from './support/browser.mjs';
import { makeImage } from './support/content.mjs';
import { expectCards, expectNoProblems, WAIT } from './support/page.mjs';
import { makeTempDir, startServer } from './support/server.mjs';

// Everything in a folder, name by name, with the bytes of each file.
function snapshot(folder) {
  return Object.fromEntries(fs.readdirSync(folder).sort().map((name) => [name, fs.readFileSync(path.join(folder, name)).toString('base64')]));
}

// A page of another origin with two forms that post to the device as soon as it loads; each
// answer lands in a frame of its own, so the page stays.
function foreignPage(device) {
  const content = Buffer.from('not what was there').toString('base64');
  const form = (route, name) => `
    <iframe name="${route}"></iframe>
    <form id="${route}" method="POST" action="${device}${route}" target="${route}">
      <input name="note" value="from elsewhere"><input name="name" value="${name}">
      <input name="content" value="${content}">
    </form>`;
  return `<!DOCTYPE html><html><body>${form('save', 'Sunset.png')}${form('upload', 'Planted.png')}
    <script>document.getElementById('save').submit(); document.getElementById('upload').submit();</script>
    </body></html>`;
}

describe('transfer page: foreign pages and the access code', () => {
  let documents;
  let browser;
  const servers = [];

  before(async () => {
    documents = makeTempDir('hostile-docs');
    makeImage(path.join(documents, 'Sunset.png'), '60x60', 'gradient:#ffca28-#d84315');
    browser = await launchBrowser();
  });

  after(async () => {
    await browser?.close();
    for (const server of servers) await server.stop();
    if (documents) fs.rmSync(documents, { recursive: true, force: true });
  });

  test('a form posted from another origin is refused and the folder stays as it was', async () => {
    const device = await startServer(documents);
    servers.push(device);
    const foreign = http.createServer((request, response) => {
      response.writeHead(200, { 'Content-Type': 'text/html' });
      response.end(foreignPage(device.url));
    });
    await new Promise((resolve) => foreign.listen(0, '127.0.0.1', resolve));
    try {
      const before = snapshot(documents);
      const { context, page } = await openPage(browser, device.url);
      // "localhost" is another site than 127.0.0.1: the browser sends the posts as cross-site.
      await page.goto(`http://localhost:${foreign.address().port}/`);
      const refusals = () => (device.log().match(/POST \/(save|upload) 403/g) || []).sort();
      await page.waitForFunction(() => document.querySelectorAll('iframe').length === 2, null, WAIT);
      for (let waited = 0; refusals().length < 2 && waited < 20000; waited += 100) await new Promise((r) => setTimeout(r, 100));
      assert.deepEqual(refusals(), ['POST /save 403', 'POST /upload 403']);
      assert.deepEqual(snapshot(documents), before, 'the folder is unchanged');
      await context.close();
    } finally {
      foreign.close();
    }
  });

  test('with --code the page asks for the code; the QR fragment signs in by itself', async () => {
    const device = await startServer(documents, ['--code']);
    servers.push(device);
    const code = /Access code: (\d{6})/.exec(device.log())?.[1];
    assert.ok(code, 'serve prints the access code');
    const wrong = code === '000000' ? '000001' : '000000';

    const typed = await openPage(browser, device.url);
    await typed.page.goto(device.url);
    await typed.page.waitForSelector('#signin:not([hidden])', WAIT);
    await typed.page.fill('#signin-code', wrong);
    await typed.page.click('#signin button[type=submit]');
    await typed.page.waitForSelector('#signin-error:not([hidden])', WAIT);
    assert.equal(await typed.page.textContent('#signin-error'), 'The access code is wrong.');
    await typed.page.fill('#signin-code', code);
    await typed.page.click('#signin button[type=submit]');
    await expectCards(typed.page, ['Sunset.png']);
    assert.ok(await typed.page.isHidden('#signin'));
    expectNoProblems(typed.problems, ['GET /list?path=%2F&thumbnails=none 401', 'POST /sign-in 403']);
    await typed.context.close();

    const scanned = await openPage(browser, device.url);
    await scanned.page.goto(device.url + '#code=' + code);
    await expectCards(scanned.page, ['Sunset.png']);
    assert.equal(new URL(scanned.page.url()).hash, '#/', 'the code leaves the address bar');
    const cookies = await scanned.context.cookies();
    assert.equal(cookies.length, 1);
    assert.equal(cookies[0].httpOnly, true);
    assert.equal(cookies[0].sameSite, 'Strict');
    assert.equal(cookies[0].expires, -1, 'a session cookie');
    expectNoProblems(scanned.problems);
    await scanned.context.close();
  });
});
