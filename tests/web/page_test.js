// The web page in a real browser: the system's Chromium, headless, opens
// the page from disk and is given images as a user gives them; every file
// it offers is downloaded through its link and compared with the native
// tool's cut, byte for byte. No request may leave the page.
//
//   node tests/web/page_test.js [SCREENSHOT.png]
'use strict';

const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { test, before, after } = require('node:test');
const { pathToFileURL } = require('node:url');

const puppeteer = require('puppeteer-core');
const { pageDir, OUTPUT_FOLDER, images, nativeRun, assertSameFiles, temporaryFolder } = require('./fixtures.js');

const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
const SCREENSHOT = process.argv[2] || path.join(pageDir, '..', 'page-after-cut.png');
const PAGE_BYTES_LIMIT = 300 * 1024;
const CUT_MS_LIMIT = 100;
const NAMES = ['PROG', 'MUS00', 'MUS01', 'MUS02', 'MUS03', 'MUS04', 'MUS05', 'MUS06', 'MUS07', 'MUS08'];

const image = images();
const work = temporaryFolder('page');
const pageUrl = pathToFileURL(path.join(pageDir, 'index.html')).href;
let browser;
let page;
let cdp;
const requests = [];      // every URL the page asked for
const pageErrors = [];    // uncaught errors and console errors of the page
const figures = [];
const downloads = { begun: [], progress: [], clicks: 0, files: 0 };  // the browser's download events

before(async () => {
  browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    userDataDir: path.join(work, 'profile'),
    // No sandbox as root; no connections of Chromium's own on a closed network.
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  page = await browser.newPage();
  page.on('request', (request) => requests.push(request.url()));
  page.on('pageerror', (error) => pageErrors.push(String(error)));
  page.on('console', (message) => {
    if (message.type() === 'error') {
      pageErrors.push(message.text());
    }
  });
  cdp = await browser.target().createCDPSession();
  cdp.on('Browser.downloadWillBegin', (event) => downloads.begun.push(event));
  cdp.on('Browser.downloadProgress', (event) => downloads.progress.push(event));
  await page.goto(pageUrl);
  await page.waitForSelector('body[data-state="ready"]');
});

after(async () => {
  if (browser) {
    await browser.close();
  }
  fs.rmSync(work, { recursive: true, force: true });
  figures.push(`${downloads.files} files downloaded with ${downloads.clicks} clicks`);
  for (const figure of figures) {
    console.log(figure);
  }
});

/// Gives the page `bytes` as the file `name`, through its file picker, and
/// waits for the cut.
async function give(name, bytes) {
  const file = path.join(work, 'given', name);
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(file, bytes);
  await page.evaluate(() => { document.body.dataset.state = 'waiting'; });
  const input = await page.$('#file');
  await input.uploadFile(file);
  await page.waitForSelector('body[data-state="cut"]');
}

/// Chooses `value` in the select `id`, as a user would, and waits for the cut.
async function choose(id, value) {
  await page.evaluate(() => { document.body.dataset.state = 'waiting'; });
  await page.select(id, value);
  await page.waitForSelector('body[data-state="cut"]');
}

/// The names of the download links the page offers, in its order.
function offeredLinks() {
  return page.$$eval('a[download]', (links) => links.map((a) => a.getAttribute('download')));
}

/// Waits up to `ms` for an event of `events` (appended to as CDP reports)
/// that `wanted` accepts.
async function eventSeen(events, wanted, ms) {
  for (const until = Date.now() + ms; Date.now() < until;) {
    const event = events.find(wanted);
    if (event) {
      return event;
    }
    await new Promise((resolve) => setTimeout(resolve, 10));
  }
  return null;
}

/// Clicks each download link, as a user does, and returns what arrived: a
/// map of file name to bytes.
async function downloadAll() {
  const folder = fs.mkdtempSync(path.join(work, 'downloads-'));
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: folder, eventsEnabled: true });
  const arrived = new Map();
  for (const name of await offeredLinks()) {
    // Chromium lets pass a click that comes while it starts the last
    // download; a user clicks again, and so does the test, four times at most.
    let begun = null;
    for (let attempt = 0; attempt < 5 && begun === null; ++attempt) {
      downloads.clicks += 1;
      downloads.begun.length = 0;
      await page.click(`a[download="${name}"]`);
      begun = await eventSeen(downloads.begun, (e) => e.suggestedFilename === name, 1000);
    }
    assert.ok(begun !== null, `clicking ${name} downloads nothing`);
    const ended = await eventSeen(downloads.progress,
                                  (e) => e.guid === begun.guid && e.state !== 'inProgress', 10000);
    assert.equal(ended && ended.state, 'completed', `the download of ${name}`);
    arrived.set(name, fs.readFileSync(path.join(folder, name)));
    downloads.files += 1;
  }
  return arrived;
}

function unzipped(bytes) {
  const folder = fs.mkdtempSync(path.join(work, 'unzip-'));
  const zip = path.join(folder, 'files.zip');
  fs.writeFileSync(zip, bytes);
  childProcess.execFileSync('unzip', ['-q', zip, '-d', path.join(folder, 'out')]);
  return new Map(fs.readdirSync(path.join(folder, 'out'))
    .map((name) => [name, fs.readFileSync(path.join(folder, 'out', name))]));
}

/// Downloads everything offered; asserts the single files and the .zip's
/// each equal the native cut of `args`.
async function assertOffersNativeCut(args, name, bytes, zipName) {
  const expected = nativeRun(args, name, bytes);
  assert.equal(expected.status, 0);
  assert.deepEqual([...expected.files.keys()].sort(), [...NAMES].sort());
  const arrived = await downloadAll();
  assert.deepEqual([...arrived.keys()], [zipName, ...NAMES]);
  const single = new Map(NAMES.map((n) => [n, arrived.get(n)]));
  assertSameFiles(single, expected.files, `${name}: the files downloaded one by one`);
  assertSameFiles(unzipped(arrived.get(zipName)), expected.files, `${name}: ${zipName}`);
}

const transcript = () => page.$eval('#transcript', (pre) => pre.textContent);

test('a 2HD image: each file and the .zip as the native tool cuts them, in under 100 ms', async () => {
  await give('game.d88', image.disk2HD);
  await assertOffersNativeCut(['--output-dir', OUTPUT_FOLDER, '--', 'game.d88'], 'game.d88', image.disk2HD,
                              'game.zip');
  const lines = (await transcript()).split('\n');
  assert.deepEqual(lines.slice(0, 3), ['2HD Version', 'cutting ... PROG', 'cutting ... MUS00']);
  // The time from the file read to the links offered, as the page takes it, for this and four more.
  const times = [];
  for (let i = 0; i < 5; ++i) {
    if (i > 0) {
      await give('game.d88', image.disk2HD);
    }
    times.push(Number(await page.$eval('body', (body) => body.dataset.cutMs)));
  }
  figures.push(`a 2HD image listed, cut and offered after it was read, in ms: ${times.join(', ')}`);
  assert.ok(Math.max(...times) < CUT_MS_LIMIT, times.join(', '));
  assert.equal(await page.$eval('#disk-choice', (label) => label.hidden), true);
});

test('the page fits a phone\'s width and is reached by the keyboard', async () => {
  await page.setViewport({ width: 360, height: 740, deviceScaleFactor: 1 });
  await give('game.d88', image.disk2HD);
  const widths = await page.evaluate(() => [document.documentElement.scrollWidth, window.innerWidth]);
  assert.ok(widths[0] <= widths[1], `the page is ${widths[0]} px wide in a ${widths[1]} px window`);
  // Tab from the top: the file picker first, then the media choice, then the downloads.
  await page.mouse.click(2, 2);
  const reached = [];
  for (let i = 0; i < 14; ++i) {
    await page.keyboard.press('Tab');
    reached.push(await page.evaluate(() => {
      const e = document.activeElement;
      return e.id || e.getAttribute('download') || e.tagName;
    }));
  }
  assert.deepEqual(reached.slice(0, 4), ['file', 'media', 'game.zip', 'PROG'], reached.join(' '));
  await page.setViewport({ width: 800, height: 600, deviceScaleFactor: 1 });
});

test('two disks: the chooser cuts disk 1 as the native tool does with --disk 1', async () => {
  await give('two.d88', image.twoDisks);
  const rows = await page.$$eval('#disk-rows tr', (trs) => trs.map((tr) => tr.textContent));
  assert.equal(rows.length, 2);
  assert.equal(await page.$eval('#disk-choice', (label) => label.hidden), false);
  assert.match(await transcript(), /^2DD Version\n/);
  await choose('#disk', '1');
  assert.match(await transcript(), /^2HD Version\n/);
  await assertOffersNativeCut(['--disk', '1', '--output-dir', OUTPUT_FOLDER, '--', 'two.d88'], 'two.d88',
                              image.twoDisks, 'two-disk1.zip');
  await page.screenshot({ path: SCREENSHOT, fullPage: true });
  figures.push(`screenshot after a cut: ${SCREENSHOT}`);
});

test('a disk labelled 0x00: nothing cut as its header says, a whole cut by 2HD', async () => {
  await give('zero.d88', image.labelled00);
  assert.match(await transcript(), /disk 0 is 2D \(media 0x00\), which has no layout/);
  assert.deepEqual(await offeredLinks(), []);
  await choose('#media', '2HD');
  await assertOffersNativeCut(['--media', '2HD', '--output-dir', OUTPUT_FOLDER, '--', 'zero.d88'], 'zero.d88',
                              image.labelled00, 'zero.zip');
  await choose('#media', '');
});

test('a disk cut off: the short file is marked and offered, the unwritten ones are not', async () => {
  await give('cut off.d88', image.cutOff);
  const states = await page.$$eval('#files li', (items) => items.map((li) => li.dataset.state));
  assert.deepEqual(states, ['short', ...Array(9).fill('unwritten')]);
  assert.deepEqual(await offeredLinks(), ['cut off.zip', 'PROG']);
  const expected = nativeRun(['--output-dir', OUTPUT_FOLDER, '--', 'cut off.d88'], 'cut off.d88', image.cutOff);
  assert.equal(expected.status, 1);
  assertSameFiles(new Map([['PROG', (await downloadAll()).get('PROG')]]), expected.files, 'the short PROG');
  assert.match(await page.$eval('#status', (p) => p.textContent), /status 1/);
});

test('a file that is no D88 image: the tool\'s message, and nothing to download', async () => {
  await give('notes.zip', image.notD88);
  assert.match(await transcript(), /^notes\.zip: holds no D88 disk \(the 688 bytes at byte 0 are no D88 disk header\)\n$/);
  assert.deepEqual(await offeredLinks(), []);
  assert.match(await page.$eval('#status', (p) => p.textContent), /nothing to download/);
});

test('files dropped on the zone: the first is cut, and the page says the rest were not', async () => {
  await page.evaluate(() => { document.body.dataset.state = 'waiting'; });
  await page.evaluate((base64) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const dropped = new DataTransfer();
    dropped.items.add(new File([bytes], 'dropped.d88'));
    dropped.items.add(new File(['not cut'], 'second.d88'));
    document.getElementById('drop').dispatchEvent(new DragEvent('drop', { dataTransfer: dropped, bubbles: true }));
  }, image.disk2HD.toString('base64'));
  await page.waitForSelector('body[data-state="cut"]');
  assert.equal(await page.$eval('#disks-title', (h) => h.textContent), 'dropped.d88: 1 disk');
  assert.deepEqual(await offeredLinks(), ['dropped.zip', ...NAMES]);
  assert.match(await page.$eval('#status', (p) => p.textContent), /Of the 2 files dropped only this one is cut/);
});

test('the page\'s files are small, and nothing left it', async () => {
  let total = 0;
  for (const file of fs.readdirSync(pageDir)) {
    total += fs.statSync(path.join(pageDir, file)).size;
  }
  figures.push(`the page's files: ${total} bytes (${(total / 1024).toFixed(1)} KiB) in all`);
  assert.ok(total < PAGE_BYTES_LIMIT, `${total} bytes`);
  const outside = requests.filter((url) => !url.startsWith(pathToFileURL(pageDir).href + '/') &&
                                           !url.startsWith('blob:') && !url.startsWith('data:'));
  assert.deepEqual(outside, []);
  assert.ok(requests.includes(pageUrl), 'the requests were seen');
  assert.deepEqual(pageErrors, []);
});
