// Runs the d88cut module, the console tool's own code compiled to
// WebAssembly, on an image held in memory. The image is written into the
// module's in-memory file system, the command runs with the arguments the
// console tool takes, and what it printed and the files it wrote come back
// as bytes. Nothing here cuts or reads a disk: it only passes bytes in and
// out, and reads the tool's own lines to tell which file is which.
//
// A classic script, so that a page opened from disk can load it; Node takes
// it with require().
(function (exports) {
  'use strict';

  const IMAGE_FOLDER = '/image';
  const OUTPUT_FOLDER = '/files';
  const NEWLINE = 10;

  /// The path, in the image folder, that the command is given for an image
  /// the user named `name`: the name itself where it is one file name, so
  /// that every message names the file as the user knows it.
  function imagePath(name) {
    if (typeof name !== 'string' || name === '' || name === '.' || name === '..' ||
        name.includes('/') || name.includes('\0')) {
      return 'image.d88';
    }
    // A lone "-" would be standard input.
    return name === '-' ? './-' : name;
  }

  /// The tool's arguments for a listing or a cut of the image at `image`,
  /// as the console takes them: `disk` a number or null, `media` "2HD",
  /// "2DD" or null (as the disk's header says).
  function commandLine({ list = false, disk = null, media = null, image }) {
    const args = [];
    if (list) {
      args.push('--list');
    }
    if (disk !== null && disk !== undefined) {
      args.push('--disk', String(disk));
    }
    if (media) {
      args.push('--media', media);
    }
    if (!list) {
      args.push('--output-dir', OUTPUT_FOLDER);
    }
    args.push('--', image);
    return args;
  }

  const utf8 = new TextDecoder('utf-8', { fatal: true });
  const shiftJis = new TextDecoder('shift_jis', { fatal: true });
  const lenient = new TextDecoder('utf-8');

  /// One line of the tool's output as text. Names and paths are UTF-8; the
  /// one message that is not, that the image cannot be opened, is Shift_JIS.
  function decodeLine(bytes) {
    for (const decoder of [utf8, shiftJis]) {
      try {
        return decoder.decode(bytes);
      } catch (notThisOne) {
        // the next decoder, or the lenient one
      }
    }
    return lenient.decode(bytes);
  }

  function concatBytes(parts) {
    let length = 0;
    for (const part of parts) {
      length += part.length;
    }
    const all = new Uint8Array(length);
    let at = 0;
    for (const part of parts) {
      all.set(part, at);
      at += part.length;
    }
    return all;
  }

  /// What one run of the command did.
  class CommandRun {
    constructor(args, status, chunks, files) {
      this.args = args;
      this.status = status;
      this.files = files;  // Map: name -> Uint8Array, each file the run wrote
      this.stdout = concatBytes(chunks.filter((c) => c.stream === 'out').map((c) => c.bytes));
      this.stderr = concatBytes(chunks.filter((c) => c.stream === 'err').map((c) => c.bytes));
      this.lines = CommandRun.linesOf(chunks);
    }

    /// The output as a terminal shows it: lines in the order written, each
    /// with the stream it came on ('out' or 'err').
    static linesOf(chunks) {
      const lines = [];
      let open = null;  // a line not yet ended: {stream, parts}
      const end = () => {
        if (open !== null) {
          lines.push({ stream: open.stream, text: decodeLine(concatBytes(open.parts)) });
          open = null;
        }
      };
      for (const chunk of chunks) {
        if (open !== null && open.stream !== chunk.stream) {
          end();
        }
        let from = 0;
        for (let at = 0; at < chunk.bytes.length; ++at) {
          if (chunk.bytes[at] === NEWLINE) {
            open = open || { stream: chunk.stream, parts: [] };
            open.parts.push(chunk.bytes.subarray(from, at));
            end();
            from = at + 1;
          }
        }
        if (from < chunk.bytes.length) {
          open = open || { stream: chunk.stream, parts: [] };
          open.parts.push(chunk.bytes.subarray(from));
        }
      }
      end();
      return lines;
    }

    get stdoutText() {
      return lenient.decode(this.stdout);
    }

    /// Each file the cut went for, in its order: the name, the bytes written
    /// (null when it was not written) and the tool's message when it came out
    /// short or was not written (else null).
    cutFiles() {
      const cutting = 'cutting ... ';
      const names = this.lines
        .filter((line) => line.stream === 'out' && line.text.startsWith(cutting))
        .map((line) => line.text.slice(cutting.length));
      return names.map((name) => {
        const message = this.lines.find((line) => line.stream === 'err' &&
                                                  line.text.startsWith(name + ': '));
        return {
          name,
          bytes: this.files.has(name) ? this.files.get(name) : null,
          message: message ? message.text : null,
        };
      });
    }
  }

  /// The command's module, loaded once, and the runs made with it.
  class D88Cut {
    /// Loads the module that `createModule` (createD88CutModule) makes.
    static async load(createModule) {
      const cut = new D88Cut();
      cut.module = await createModule({
        noInitialRun: true,
        stdin: () => null,  // nothing to read: a run never waits for input
        stdout: (byte) => cut.collect('out', byte),
        stderr: (byte) => cut.collect('err', byte),
      });
      const fs = cut.module.FS;
      fs.mkdir(IMAGE_FOLDER);
      fs.mkdir(OUTPUT_FOLDER);
      return cut;
    }

    constructor() {
      this.module = null;
      this.chunks = [];
      this.image = null;
    }

    collect(stream, byte) {
      const last = this.chunks[this.chunks.length - 1];
      if (last && last.stream === stream) {
        last.pending.push(byte);
      } else {
        this.chunks.push({ stream, pending: [byte] });
      }
    }

    /// Holds `bytes` as the image the user named `name`, in place of any
    /// earlier one; returns the path the command is given.
    putImage(name, bytes) {
      const fs = this.module.FS;
      this.removeAll(IMAGE_FOLDER);
      this.image = imagePath(name);
      fs.writeFile(IMAGE_FOLDER + '/' + this.image, bytes);
      return this.image;
    }

    removeAll(folder) {
      const fs = this.module.FS;
      for (const name of fs.readdir(folder)) {
        if (name !== '.' && name !== '..') {
          fs.unlink(folder + '/' + name);
        }
      }
    }

    /// Runs the command with `args`, as the console tool would be run in
    /// the image's folder, into an empty output folder.
    run(args) {
      const fs = this.module.FS;
      this.removeAll(OUTPUT_FOLDER);
      this.chunks = [];
      fs.chdir(IMAGE_FOLDER);
      const status = this.module.callMain(args.slice());
      const chunks = this.chunks.map((c) => ({ stream: c.stream, bytes: Uint8Array.from(c.pending) }));
      this.chunks = [];
      const files = new Map();
      for (const name of fs.readdir(OUTPUT_FOLDER)) {
        if (name !== '.' && name !== '..') {
          files.set(name, fs.readFile(OUTPUT_FOLDER + '/' + name));
        }
      }
      return new CommandRun(args, status, chunks, files);
    }

    /// Lists the image held, with a cut by `media` ("2HD", "2DD" or null).
    list(media = null) {
      return this.run(commandLine({ list: true, media, image: this.image }));
    }

    /// Cuts disk `disk` (null: the first) of the image held, by `media`.
    cut(disk = null, media = null) {
      return this.run(commandLine({ disk, media, image: this.image }));
    }
  }

  // One disk's line of a listing: index, offset, size, media byte and name,
  // tracks, the disk's name in quotes, and what a cut would do.
  const DISK_LINE =
    /^ *(\d+) +(-?\d+) +(-?\d+) {2}0x([0-9A-F]{2}) (\S+) +(\d+) {2}("(?:[^"\\]|\\x[0-9A-F]{2})*") *(.*)$/;
  const COUNT_LINE = /: (\d+) disks?$/;

  /// The name a disk header holds, from its listed form: the bytes the
  /// quotes stand for, shown as Shift_JIS where they are that (as Japanese
  /// disk names are), else as listed.
  function diskName(quoted) {
    const inner = quoted.slice(1, -1);
    const bytes = [];
    for (let at = 0; at < inner.length;) {
      if (inner[at] === '\\') {
        bytes.push(parseInt(inner.slice(at + 2, at + 4), 16));
        at += 4;
      } else {
        bytes.push(inner.charCodeAt(at));
        at += 1;
      }
    }
    try {
      const text = shiftJis.decode(Uint8Array.from(bytes));
      if (!/[\u0000-\u001f\u007f]/.test(text)) {
        return text;
      }
    } catch (notShiftJis) {
      // shown as listed
    }
    return quoted;
  }

  /// The disks a listing shows: each disk line read into its columns; of a
  /// line in any other form, its text is the `outcome`, and it has no `name`.
  function parseListing(text) {
    const lines = text.split('\n');
    const count = lines.length > 0 ? COUNT_LINE.exec(lines[0]) : null;
    const disks = [];
    for (const line of lines.slice(2)) {
      if (line === '') {
        break;  // the table ends; a track listing may follow
      }
      const match = DISK_LINE.exec(line);
      if (match) {
        disks.push({
          index: Number(match[1]),
          media: '0x' + match[4] + ' ' + match[5],
          listedName: match[7],
          name: diskName(match[7]),
          outcome: match[8],
        });
      } else {
        const index = /^ *(\d+)/.exec(line);
        disks.push({ index: index ? Number(index[1]) : disks.length, outcome: line.trim() });
      }
    }
    return { count: count ? Number(count[1]) : 0, disks };
  }

  exports.D88Cut = D88Cut;
  exports.commandLine = commandLine;
  exports.parseListing = parseListing;
  exports.OUTPUT_FOLDER = OUTPUT_FOLDER;
})(typeof module === 'object' && module.exports ? module.exports : (window.d88cut = {}));
