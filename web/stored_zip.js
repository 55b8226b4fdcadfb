// A zip archive of files stored as they are, without compression: the
// files a cut writes are a few kilobytes each, and stored, every byte of
// each is in the archive as it is, which any unzip reads.
//
// A classic script, so that a page opened from disk can load it; Node takes
// it with require().
(function (exports) {
  'use strict';

  const CRC_TABLE = (() => {
    const table = new Uint32Array(256);
    for (let n = 0; n < 256; ++n) {
      let c = n;
      for (let k = 0; k < 8; ++k) {
        c = c & 1 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
      }
      table[n] = c >>> 0;
    }
    return table;
  })();

  /// The CRC-32 of `bytes`, as zip and PNG take it.
  function crc32(bytes) {
    let c = 0xFFFFFFFF;
    for (let i = 0; i < bytes.length; ++i) {
      c = CRC_TABLE[(c ^ bytes[i]) & 0xFF] ^ (c >>> 8);
    }
    return (c ^ 0xFFFFFFFF) >>> 0;
  }

  /// `date` as MS-DOS time and date words, which hold 1980 to 2107 only.
  function dosDateTime(date) {
    const year = Math.min(Math.max(date.getFullYear(), 1980), 2107);
    return {
      time: (date.getHours() << 11) | (date.getMinutes() << 5) | (date.getSeconds() >> 1),
      day: ((year - 1980) << 9) | ((date.getMonth() + 1) << 5) | date.getDate(),
    };
  }

  const LOCAL_HEADER = 30;
  const CENTRAL_HEADER = 46;
  const END_RECORD = 22;
  const UTF8_NAMES = 0x0800;  // general purpose flag bit 11: names are UTF-8

  /// The archive of `entries` ({name, bytes}, in order), each stamped `date`.
  /// Without the zip64 extension an archive holds 65535 entries and 4 GiB;
  /// past that it throws a RangeError.
  function storedZip(entries, date = new Date()) {
    const encoder = new TextEncoder();
    const names = entries.map((entry) => encoder.encode(entry.name));
    const { time, day } = dosDateTime(date);
    let size = END_RECORD;
    entries.forEach((entry, i) => {
      size += LOCAL_HEADER + CENTRAL_HEADER + 2 * names[i].length + entry.bytes.length;
    });
    if (entries.length > 0xFFFF || size > 0xFFFFFFFF) {
      throw new RangeError('too much for a zip archive without zip64');
    }
    const archive = new Uint8Array(size);
    const view = new DataView(archive.buffer);
    let at = 0;
    const u16 = (value) => { view.setUint16(at, value, true); at += 2; };
    const u32 = (value) => { view.setUint32(at, value, true); at += 4; };
    const put = (bytes) => { archive.set(bytes, at); at += bytes.length; };

    const records = entries.map((entry, i) => {
      const record = { offset: at, crc: crc32(entry.bytes), name: names[i], size: entry.bytes.length };
      u32(0x04034B50);  // local file header
      u16(10);          // version needed: 1.0, stored
      u16(UTF8_NAMES);
      u16(0);           // method: stored
      u16(time);
      u16(day);
      u32(record.crc);
      u32(record.size);  // compressed
      u32(record.size);
      u16(record.name.length);
      u16(0);            // extra field
      put(record.name);
      put(entry.bytes);
      return record;
    });
    const directory = at;
    for (const record of records) {
      u32(0x02014B50);  // central directory header
      u16(20);          // made by: version 2.0, MS-DOS attributes
      u16(10);
      u16(UTF8_NAMES);
      u16(0);
      u16(time);
      u16(day);
      u32(record.crc);
      u32(record.size);
      u32(record.size);
      u16(record.name.length);
      u16(0);  // extra field
      u16(0);  // comment
      u16(0);  // disk number
      u16(0);  // internal attributes
      u32(0);  // external attributes
      u32(record.offset);
      put(record.name);
    }
    const directorySize = at - directory;
    u32(0x06054B50);  // end of central directory
    u16(0);
    u16(0);
    u16(records.length);
    u16(records.length);
    u32(directorySize);
    u32(directory);
    u16(0);  // comment
    return archive;
  }

  exports.crc32 = crc32;
  exports.storedZip = storedZip;
})(typeof module === 'object' && module.exports ? module.exports : (window.storedZip = {}));
