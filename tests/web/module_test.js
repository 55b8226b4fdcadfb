// The web page's module under Node: every run gives the status, the
// standard output and error, and the files, byte for byte, that the native
// tool gives for the same arguments and image; the page's readings of them
// (which file is short, the listing's disks, the .zip) hold.
//
//   node --no-experimental-fetch tests/web/module_test.js
'use strict';

const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { test } = require('node:test');

const { pageDir, images, nativeRun, assertSameFiles, temporaryFolder } = require('./fixtures.js');
const d88cut = require(path.join(pageDir, 'd88cut_run.js'));
const { storedZip, crc32 } = require(path.join(pageDir, 'stored_zip.js'));
const createModule = require(path.join(pageDir, 'd88cut.js'));

const image = images();
const loaded = d88cut.D88Cut.load(createModule);

function sameAsNative(run, name, bytes, what) {
  const expected = nativeRun(run.args, name, bytes);
  assert.equal(run.status, expected.status, `${what}: exit status`);
  assert.equal(Buffer.from(run.stdout).toString('latin1'), expected.stdout.toString('latin1'),
               `${what}: standard output`);
  assert.equal(Buffer.from(run.stderr).toString('latin1'), expected.stderr.toString('latin1'),
               `${what}: standard error`);
  assertSameFiles(run.files, expected.files, what);
  return expected;
}

test('each run matches the native tool byte for byte', async () => {
  const cut = await loaded;
  const cases = [
    // [what, image name, image, disk, media, list]
    ['a 2HD disk', 'game.d88', image.disk2HD, null, null, false],
    ['a 2DD disk', 'game.d88', image.disk2DD, null, null, false],
    ['disk 1 of two', 'two.d88', image.twoDisks, 1, null, false],
    ['disk 0 of two', 'two.d88', image.twoDisks, 0, null, false],
    ['no disk 2 of two', 'two.d88', image.twoDisks, 2, null, false],
    ['a disk labelled 0x00, as its header says', 'zero.d88', image.labelled00, null, null, false],
    ['a disk labelled 0x00, by 2HD', 'zero.d88', image.labelled00, null, '2HD', false],
    ['a 2HD disk by 2DD', 'game.d88', image.disk2HD, null, '2DD', false],
    ['a disk cut off', 'cut off.d88', image.cutOff, null, null, false],
    ['no D88 file', 'notes.zip', image.notD88, null, null, false],
    ['an empty file', 'empty.d88', Buffer.alloc(0), null, null, false],
    ['a Japanese name', 'ゲーム (Disk 1).d88', image.disk2HD, null, null, false],
    ['the listing of two disks', 'two.d88', image.twoDisks, null, null, true],
    ['the listing by 2HD', 'zero.d88', image.labelled00, null, '2HD', true],
    ['the tracks of disk 1', 'two.d88', image.twoDisks, 1, null, true],
  ];
  for (const [what, name, bytes, disk, media, list] of cases) {
    const held = cut.putImage(name, bytes);
    assert.equal(held, name);
    sameAsNative(cut.run(d88cut.commandLine({ list, disk, media, image: held })), name, bytes, what);
  }
});

test('the same module cuts one image after another with nothing left of the last', async () => {
  const cut = await loaded;
  cut.putImage('a.d88', image.disk2HD);
  const first = cut.cut();
  cut.putImage('b.d88', image.notD88);
  const second = cut.cut();
  assert.equal(second.files.size, 0);
  cut.putImage('a.d88', image.disk2HD);
  assertSameFiles(cut.cut().files, first.files, 'the first image cut again');
});

test('an image that cannot be opened: the Shift_JIS line is decoded, the rest is English', async () => {
  const cut = await loaded;
  cut.putImage('held.d88', image.disk2HD);
  const run = cut.run(['--', 'missing.d88']);
  sameAsNative(run, 'missing.d88', null, 'a missing image');
  assert.deepEqual(run.lines, [
    { stream: 'err', text: 'ファイルをオープンできません.' },
    { stream: 'err', text: 'd88cut: cannot open missing.d88: No such file or directory' },
  ]);
});

test('names the file system cannot hold as given are held under another', async () => {
  const cut = await loaded;
  const names = [['', 'image.d88'], ['.', 'image.d88'], ['..', 'image.d88'], ['a/b.d88', 'image.d88'],
                 ['-', './-'], ['-game.d88', '-game.d88']];
  for (const [given, held] of names) {
    assert.equal(cut.putImage(given, image.disk2HD), held, JSON.stringify(given));
    const run = cut.cut();
    assert.equal(run.status, 0, JSON.stringify(given));
    assert.equal(run.files.size, 10, JSON.stringify(given));
  }
});

test('a cut tells whole, short and unwritten files apart, in the lines a terminal shows', async () => {
  const cut = await loaded;
  cut.putImage('cut off.d88', image.cutOff);
  const run = cut.cut();
  const expected = nativeRun(run.args, 'cut off.d88', image.cutOff);
  const files = run.cutFiles();
  assert.deepEqual(files.map((f) => f.name),
                   ['PROG', 'MUS00', 'MUS01', 'MUS02', 'MUS03', 'MUS04', 'MUS05', 'MUS06', 'MUS07', 'MUS08']);
  const prog = files[0];
  assert.ok(prog.bytes !== null && prog.message.startsWith('PROG: read '), prog.message);
  for (const file of files.slice(1)) {
    assert.equal(file.bytes, null, file.name);
    assert.match(file.message, /; not written$/, file.name);
  }
  assert.deepEqual(files.filter((f) => f.bytes !== null).map((f) => f.name), [...expected.files.keys()]);
  // Each message follows its "cutting ..." line, as on a terminal.
  const texts = run.lines.map((line) => line.text);
  assert.equal(texts[0], '2HD Version');
  assert.equal(texts[1], 'cutting ... PROG');
  assert.equal(texts[2], prog.message);
  assert.equal(texts[3], 'cutting ... MUS00');
  assert.match(texts[texts.length - 1], /^d88cut: 10 of 10 files short \(PROG, MUS00, .*\); 9 not written \(MUS00, /);

  cut.putImage('game.d88', image.disk2HD);
  assert.ok(cut.cut().cutFiles().every((f) => f.bytes !== null && f.message === null));
});

test('the listing is read into its disks, a Shift_JIS name decoded', async () => {
  const cut = await loaded;
  cut.putImage('two.d88', image.twoDisks);
  const two = d88cut.parseListing(cut.list().stdoutText);
  assert.equal(two.count, 2);
  assert.deepEqual(two.disks.map((d) => [d.index, d.media, d.name, d.outcome]), [
    [0, '0x10 2DD', 'SAMPLE 2DD', '2DD layout: all 10 files whole'],
    [1, '0x20 2HD', 'SAMPLE 2HD', '2HD layout: all 10 files whole'],
  ]);
  cut.putImage('zero.d88', image.labelled00);
  assert.equal(d88cut.parseListing(cut.list().stdoutText).disks[0].outcome,
               'not cut (media 0x00; --media can choose a layout)');
  assert.equal(d88cut.parseListing(cut.list('2HD').stdoutText).disks[0].outcome,
               '2HD layout: all 10 files whole');
  cut.putImage('jp.d88', image.shiftJisName);
  const jp = d88cut.parseListing(cut.list().stdoutText).disks[0];
  assert.equal(jp.listedName, '"\\x83Q\\x81[\\x83\\x80"');
  assert.equal(jp.name, 'ゲーム');
  cut.putImage('empty.d88', new Uint8Array(0));
  assert.deepEqual(d88cut.parseListing(cut.list().stdoutText), { count: 0, disks: [] });
});

test('the stored zip holds each file as it is, for unzip', async () => {
  assert.equal(crc32(new TextEncoder().encode('123456789')), 0xCBF43926);
  const cut = await loaded;
  cut.putImage('game.d88', image.disk2HD);
  const run = cut.cut();
  const entries = [...run.files].map(([name, bytes]) => ({ name, bytes }));
  entries.push({ name: 'empty', bytes: new Uint8Array(0) });
  const folder = temporaryFolder('zip');
  const zip = path.join(folder, 'files.zip');
  fs.writeFileSync(zip, storedZip(entries, new Date(2026, 11, 11, 17, 30, 58)));
  try {
    childProcess.execFileSync('unzip', ['-tq', zip]);
    const listing = childProcess.execFileSync('unzip', ['-Z', '-l', zip]).toString();
    assert.match(listing, /26-Dec-11 17:30/, listing);
    childProcess.execFileSync('unzip', ['-q', zip, '-d', path.join(folder, 'out')]);
    const unpacked = new Map(fs.readdirSync(path.join(folder, 'out'))
      .map((name) => [name, fs.readFileSync(path.join(folder, 'out', name))]));
    const expected = new Map(entries.map((e) => [e.name, Buffer.from(e.bytes)]));
    assertSameFiles(unpacked, expected, 'the unzipped archive');
  } finally {
    fs.rmSync(folder, { recursive: true });
  }
});
