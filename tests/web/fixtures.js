// What the web page's tests share: images made by the native test build's
// d88sample, edited where a case needs it, and the native d88cut's run on
// them, which the module and the page must match byte for byte.
'use strict';

const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const root = path.resolve(__dirname, '..', '..');
const native = {
  tool: process.env.D88CUT_NATIVE || path.join(root, 'build/test/tool/d88cut'),
  sample: process.env.D88CUT_SAMPLE || path.join(root, 'build/test/tests/d88sample'),
};
const pageDir = process.env.D88CUT_PAGE || path.join(root, 'build/web/page');

const MEDIA_BYTE = 0x1B;  // in a disk header
const NAME_BYTES = 16;    // the name at the header's start, then a zero

for (const [what, file] of [['native d88cut', native.tool], ['d88sample', native.sample],
                            ['the web page', path.join(pageDir, 'd88cut.js')]]) {
  if (!fs.existsSync(file)) {
    console.error(`${file} is missing: build ${what} first ` +
                  '(cmake --workflow --preset test; cmake --workflow --preset web)');
    process.exit(1);
  }
}

// Where the page has the tool write its files; a native run writes them in
// a fresh folder instead.
const { OUTPUT_FOLDER } = require(path.join(pageDir, 'd88cut_run.js'));

function temporaryFolder(label) {
  return fs.mkdtempSync(path.join(os.tmpdir(), `d88cut-web-${label}-`));
}

/// A sample disk from d88sample: '2hd' or '2dd'.
function sampleDisk(kind) {
  const folder = temporaryFolder('sample');
  const file = path.join(folder, 'sample.d88');
  childProcess.execFileSync(native.sample, [file, kind], { stdio: 'ignore' });
  const bytes = fs.readFileSync(file);
  fs.rmSync(folder, { recursive: true });
  return bytes;
}

function withMedia(image, media) {
  const edited = Buffer.from(image);
  edited[MEDIA_BYTE] = media;
  return edited;
}

function withName(image, nameBytes) {
  assert.ok(nameBytes.length <= NAME_BYTES);
  const edited = Buffer.from(image);
  edited.fill(0, 0, NAME_BYTES + 1);
  Buffer.from(nameBytes).copy(edited, 0);
  return edited;
}

/// The images the tests cut, by the name a user would give them.
function images() {
  const disk2HD = sampleDisk('2hd');
  const disk2DD = sampleDisk('2dd');
  return {
    disk2HD,
    disk2DD,
    // Disk 0 2DD, disk 1 2HD: the chosen disk shows in every byte cut.
    twoDisks: Buffer.concat([disk2DD, disk2HD]),
    // A 2HD disk whose header says 0x00 (2D), which has no layout of its own.
    labelled00: withMedia(disk2HD, 0x00),
    // A 2HD disk that ends inside track 11: PROG (tracks 8 to 14) short, the
    // data files (tracks 70 to 74) not written.
    cutOff: disk2HD.subarray(0, 0x2B0 + 11 * 8 * (16 + 1024) + 500),
    // "ゲーム" in Shift_JIS, as a Japanese disk's header names it.
    shiftJisName: withName(disk2HD, [0x83, 0x51, 0x81, 0x5B, 0x83, 0x80]),
    // The start of a zip archive, as a user may give one by mistake.
    notD88: Buffer.concat([Buffer.from('PK\u0003\u0004\u0014\u0000\u0000\u0000\u0008\u0000', 'latin1'),
                           Buffer.from('notes.txt, not a disk image. '.repeat(3)), Buffer.alloc(900)]),
  };
}

/// The native tool's run, in a fresh folder holding `image` as `name`:
/// status, standard output and error as bytes, and each file it wrote.
function nativeRun(args, name, image) {
  const folder = temporaryFolder('native');
  const outputs = path.join(folder, 'files');
  if (image !== null) {
    fs.writeFileSync(path.join(folder, name), image);
  }
  const run = childProcess.spawnSync(native.tool, args.map((a) => (a === OUTPUT_FOLDER ? outputs : a)),
                                     { cwd: folder });
  const files = new Map();
  if (fs.existsSync(outputs)) {
    for (const file of fs.readdirSync(outputs)) {
      files.set(file, fs.readFileSync(path.join(outputs, file)));
    }
  }
  fs.rmSync(folder, { recursive: true });
  return { status: run.status, stdout: run.stdout, stderr: run.stderr, files };
}

/// Asserts that two maps of file name to bytes hold the same files, byte for byte.
function assertSameFiles(actual, expected, what) {
  assert.deepEqual([...actual.keys()].sort(), [...expected.keys()].sort(), `${what}: the files written`);
  for (const [name, bytes] of expected) {
    assert.ok(Buffer.from(actual.get(name)).equals(bytes), `${what}: ${name} differs from the native cut`);
  }
}

module.exports = { native, pageDir, OUTPUT_FOLDER, images, nativeRun, assertSameFiles, temporaryFolder };
