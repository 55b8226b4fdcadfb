// The page: takes an image from the drop zone or the file picker, lists its
// disks, cuts the chosen one, and offers each file the cut wrote, and all of
// them as one .zip, as links to download. Every line shown and every byte
// offered comes from the d88cut module (d88cut_run.js runs it).
(function () {
  'use strict';

  const $ = (id) => document.getElementById(id);
  const page = {
    cut: null,       // the loaded module, a d88cut.D88Cut
    imageName: '',   // as the user named the image
    links: [],       // object URLs offered for download, revoked when replaced
  };

  function setStatus(text, isError = false) {
    const status = $('status');
    status.textContent = text;
    status.classList.toggle('err', isError);
  }

  function element(tag, properties = {}, children = []) {
    const node = document.createElement(tag);
    Object.assign(node, properties);
    for (const child of children) {
      node.append(child);
    }
    return node;
  }

  function downloadLink(name, bytes, type) {
    const url = URL.createObjectURL(new Blob([bytes], { type }));
    page.links.push(url);
    return element('a', { href: url, download: name, textContent: name });
  }

  function forgetLinks() {
    for (const url of page.links) {
      URL.revokeObjectURL(url);
    }
    page.links = [];
  }

  /// "game.d88" -> "game": the stem the .zip is named after.
  function stem(name) {
    const dot = name.lastIndexOf('.');
    return dot > 0 ? name.slice(0, dot) : name || 'image';
  }

  function showListing(run) {
    const listing = d88cut.parseListing(run.stdoutText);
    const rows = $('disk-rows');
    rows.replaceChildren();
    for (const disk of listing.disks) {
      const cells = disk.name === undefined
        ? [element('td', { textContent: String(disk.index) }),
           element('td', { textContent: disk.outcome, colSpan: 3 })]
        : [element('td', { textContent: String(disk.index) }),
           element('td', { textContent: disk.name, title: disk.listedName }),
           element('td', { textContent: disk.media }),
           element('td', { textContent: disk.outcome })];
      rows.append(element('tr', {}, cells));
    }
    $('disks-title').textContent = page.imageName + ': ' +
      (listing.count === 1 ? '1 disk' : listing.count + ' disks');
    const chooser = $('disk');
    const chosen = chooser.value;
    chooser.replaceChildren(...listing.disks.map((disk) =>
      element('option', { value: String(disk.index), textContent: 'disk ' + disk.index })));
    if (chosen !== '' && Number(chosen) < listing.count) {
      chooser.value = chosen;
    }
    $('disk-choice').hidden = listing.count < 2;
    $('disks').hidden = listing.count === 0;
    return listing;
  }

  function showCut(run, disk, elapsed) {
    const transcript = $('transcript');
    transcript.replaceChildren(...run.lines.map((line) =>
      element('span', { className: line.stream === 'err' ? 'err' : '', textContent: line.text + '\n' })));

    forgetLinks();
    const written = [];
    const list = $('files');
    list.replaceChildren();
    for (const file of run.cutFiles()) {
      const state = file.bytes === null ? 'unwritten' : file.message !== null ? 'short' : 'whole';
      const item = element('li');
      item.dataset.state = state;
      if (file.bytes !== null) {
        written.push({ name: file.name, bytes: file.bytes });
        item.append(downloadLink(file.name, file.bytes, 'application/octet-stream'),
                    ' ' + file.bytes.length + ' bytes');
      } else {
        item.append(element('span', { className: 'mono', textContent: file.name }));
      }
      const mark = { whole: '', short: ' — short, the missing bytes are zero', unwritten: ' — not written' }[state];
      if (mark !== '') {
        item.append(element('span', { className: 'mark', textContent: mark }));
      }
      list.append(item);
    }
    const all = $('all');
    all.replaceChildren();
    if (written.length > 0) {
      const zipName = stem(page.imageName) + (disk > 0 ? '-disk' + disk : '') + '.zip';
      const link = downloadLink(zipName, storedZip.storedZip(written), 'application/zip');
      link.className = 'all';
      link.textContent = (written.length === 1 ? 'The 1 file' : 'All ' + written.length + ' files') +
        ' as ' + zipName;
      all.append(link);
    }
    $('cut').hidden = false;
    const outcome = written.length === 0 ? 'nothing to download' :
      written.length + (written.length === 1 ? ' file' : ' files') + ' ready to download';
    setStatus('Cut ' + page.imageName + ' in ' + elapsed.toFixed(1) + ' ms: ' + outcome +
              (run.status !== 0 ? ' (d88cut ended with status ' + run.status + ')' : '') + '.',
              run.status !== 0);
    document.body.dataset.cutMs = elapsed.toFixed(2);
    document.body.dataset.state = 'cut';
  }

  /// Lists the image held and cuts the chosen disk by the chosen media;
  /// `started` is when the work began, for the time the page shows.
  function cutImage(started = performance.now()) {
    const media = $('media').value || null;
    const listing = showListing(page.cut.list(media));
    const disk = listing.count > 1 ? Number($('disk').value) : null;
    const run = page.cut.cut(disk, media);
    showCut(run, disk, performance.now() - started);
  }

  /// Runs `work` on the module; false, saying so, when the module stopped
  /// short in it (out of memory, say): what it then holds is not trusted.
  function guarded(work) {
    try {
      work();
      return true;
    } catch (error) {
      page.cut = null;
      setStatus('d88cut stopped on ' + page.imageName + ': ' + error +
                '. Reload the page to cut another image.', true);
      document.body.dataset.state = 'failed';
      return false;
    }
  }

  /// Takes `file`, the first of `given` files dropped or chosen, as the image.
  async function takeFile(file, given = 1) {
    if (!file) {
      return;
    }
    if (page.cut === null) {
      if (document.body.dataset.state !== 'failed') {
        setStatus('The cutter is still loading: give ' + file.name + ' again in a moment.');
      }
      return;
    }
    document.body.dataset.state = 'reading';
    setStatus('Reading ' + file.name + '…');
    let bytes;
    try {
      bytes = new Uint8Array(await file.arrayBuffer());
    } catch (error) {
      setStatus('Cannot read ' + file.name + ': ' + error.message +
                ' (a folder cannot be cut; choose the image file itself)', true);
      document.body.dataset.state = 'failed';
      return;
    }
    const started = performance.now();
    page.imageName = file.name;
    if (!guarded(() => {
      page.cut.putImage(file.name, bytes);
      $('disk').replaceChildren();
      cutImage(started);
    })) {
      return;
    }
    if (given > 1) {
      setStatus($('status').textContent + ' Of the ' + given + ' files dropped only this one is cut: ' +
                'drop them one at a time.', $('status').classList.contains('err'));
    }
  }

  function wireDropZone() {
    const drop = $('drop');
    $('file').addEventListener('change', (event) => {
      takeFile(event.target.files[0]);
      event.target.value = '';  // the same file chosen again is taken again
    });
    drop.addEventListener('dragover', (event) => {
      event.preventDefault();
      drop.classList.add('over');
    });
    drop.addEventListener('dragleave', () => drop.classList.remove('over'));
    drop.addEventListener('drop', (event) => {
      event.preventDefault();
      event.stopPropagation();
      drop.classList.remove('over');
      takeFile(event.dataTransfer.files[0], event.dataTransfer.files.length);
    });
    // A file dropped beside the zone is taken too, rather than opened by the browser.
    window.addEventListener('dragover', (event) => event.preventDefault());
    window.addEventListener('drop', (event) => {
      event.preventDefault();
      takeFile(event.dataTransfer.files[0], event.dataTransfer.files.length);
    });
    for (const id of ['disk', 'media']) {
      $(id).addEventListener('change', () => {
        if (page.imageName !== '' && page.cut !== null) {
          guarded(() => cutImage());
        }
      });
    }
  }

  wireDropZone();
  d88cut.D88Cut.load(createD88CutModule).then((cut) => {
    page.cut = cut;
    setStatus('Ready: drop a D88 image, or choose one.');
    document.body.dataset.state = 'ready';
  }, (error) => {
    setStatus('The cutter could not start in this browser: ' + error, true);
    document.body.dataset.state = 'failed';
  });
})();
