'use strict';

// The viewer over the page: one picture fitted to the window, zoom, the previous and next picture
// of the folder with the arrow keys, a download link; videos play in the page's own player
// through the download route (which serves byte ranges, so seeking works).
const Viewer = (() => {
  const $ = (id) => document.getElementById(id);
  const root = $('viewer');
  const stage = $('viewer-stage');
  const image = $('viewer-image');
  const video = $('viewer-video');
  const STEP = 1.5;
  let items = [];
  let index = 0;
  let zoom = 1;
  let returnFocus = null;

  function source(entry) {
    // Browsers show no HEIC: the device sends a large picture of it instead.
    return Grid.extension(entry.name) === 'heic' ? Api.thumbnailUrl(entry, 1024) : Api.downloadUrl(entry.name);
  }

  function layout() {
    if (!image.naturalWidth || !image.complete) return;
    const fit = Math.min(stage.clientWidth / image.naturalWidth, stage.clientHeight / image.naturalHeight, 1);
    image.style.width = Math.round(image.naturalWidth * fit * zoom) + 'px';
    image.style.height = Math.round(image.naturalHeight * fit * zoom) + 'px';
    root.classList.toggle('zoomed', zoom > 1);
    image.classList.remove('pending');
    image.dataset.shown = items[index] ? items[index].name : '';
  }

  function setZoom(value) {
    zoom = Math.min(16, Math.max(1, value));
    layout();
  }

  function show(at) {
    const entry = items[at];
    if (!entry) return;
    index = at;
    zoom = 1;
    const isVideo = Grid.previewKind(entry) === 'video';
    $('viewer-name').textContent = entry.name;
    $('viewer-position').textContent = isVideo ? '' : index + 1 + ' of ' + items.length;
    const link = $('viewer-download');
    link.href = Api.downloadUrl(entry.name);
    link.download = entry.name;
    for (const id of ['viewer-previous', 'viewer-next', 'viewer-zoom-in', 'viewer-zoom-out', 'viewer-fit']) {
      $(id).hidden = isVideo;
    }
    $('viewer-previous').disabled = index === 0;
    $('viewer-next').disabled = index === items.length - 1;
    image.hidden = isVideo;
    video.hidden = !isVideo;
    if (isVideo) {
      image.removeAttribute('src');
      video.src = Api.downloadUrl(entry.name);
      video.play().catch(() => {});
    } else {
      // Hidden until it is fitted, so the picture never shows at its own size first.
      image.classList.add('pending');
      delete image.dataset.shown;
      image.alt = entry.name;
      image.src = source(entry);
    }
  }

  function open(entry, shown) {
    const isVideo = Grid.previewKind(entry) === 'video';
    items = isVideo ? [entry] : shown.filter((item) => Grid.previewKind(item) === 'image');
    returnFocus = document.activeElement;
    root.hidden = false;
    document.body.classList.add('viewing');
    show(Math.max(0, items.findIndex((item) => item.name === entry.name)));
    $('viewer-close').focus();
  }

  function close() {
    root.hidden = true;
    document.body.classList.remove('viewing');
    video.pause();
    video.removeAttribute('src');
    video.load();
    image.removeAttribute('src');
    if (returnFocus && returnFocus.isConnected) returnFocus.focus();
  }

  image.addEventListener('load', layout);
  window.addEventListener('resize', layout);
  $('viewer-close').addEventListener('click', close);
  $('viewer-previous').addEventListener('click', () => show(index - 1));
  $('viewer-next').addEventListener('click', () => show(index + 1));
  $('viewer-zoom-in').addEventListener('click', () => setZoom(zoom * STEP));
  $('viewer-zoom-out').addEventListener('click', () => setZoom(zoom / STEP));
  $('viewer-fit').addEventListener('click', () => setZoom(1));
  image.addEventListener('dblclick', () => setZoom(zoom > 1 ? 1 : 2));
  stage.addEventListener('click', (event) => {
    if (event.target === stage) close();
  });
  document.addEventListener('keydown', (event) => {
    if (root.hidden || event.altKey || event.ctrlKey || event.metaKey) return;
    const keys = {
      ArrowLeft: () => show(index - 1),
      ArrowRight: () => show(index + 1),
      Escape: close,
      '+': () => setZoom(zoom * STEP),
      '=': () => setZoom(zoom * STEP),
      '-': () => setZoom(zoom / STEP),
      0: () => setZoom(1),
    };
    const action = keys[event.key];
    if (!action || (event.target === video && event.key.startsWith('Arrow'))) return;
    event.preventDefault();
    action();
  });

  return { open, close };
})();

// The page: shows one folder of the device's documents at a time (its path lives in the address
// after '#', so back and forward work), filters and sorts it here, downloads and uploads.
(() => {
  const $ = (id) => document.getElementById(id);
  const state = { folder: '', entries: [], shown: [], loading: 0, rendering: 0, selected: new Set(), anchor: null };

  const grid = $('grid');
  const filter = $('filter');
  const sort = $('sort');
  const banner = $('banner');
  const empty = $('empty');
  const summary = $('summary');

  function folderFromHash() {
    const raw = location.hash.replace(/^#\/?/, '');
    try {
      return raw.split('/').filter(Boolean).map(decodeURIComponent).join('/');
    } catch (error) {
      return '';
    }
  }

  function go(folder) {
    const hash = '#/' + folder.split('/').filter(Boolean).map(encodeURIComponent).join('/');
    if (location.hash === hash) load(folder);
    else location.hash = hash;
  }

  function renderCrumbs() {
    const crumbs = $('crumbs');
    const parts = state.folder ? state.folder.split('/') : [];
    const fragment = document.createDocumentFragment();
    const add = (label, target, current) => {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = label;
      if (current) button.setAttribute('aria-current', 'page');
      button.addEventListener('click', () => go(target));
      fragment.appendChild(button);
    };
    add('Documents', '', parts.length === 0);
    parts.forEach((part, index) => {
      const sep = document.createElement('span');
      sep.className = 'sep';
      sep.textContent = '/';
      fragment.appendChild(sep);
      add(part, parts.slice(0, index + 1).join('/'), index === parts.length - 1);
    });
    crumbs.replaceChildren(fragment);
    $('up-button').disabled = parts.length === 0;
    // The device saves every upload in its top folder, whichever folder is on screen.
    $('uploads-note').hidden = parts.length === 0;
  }

  const actions = {
    open: (entry) => go(join(state.folder, entry.name)),
    download,
    preview,
    isSelected: (entry) => state.selected.has(entry.name),
    toggle,
  };

  // Resolves once the grid shows the entries as filtered and sorted now; a later call wins.
  async function render() {
    const ticket = ++state.rendering;
    const shown = await Grid.arrange(state.entries, filter.value, sort.value);
    if (ticket !== state.rendering) return;
    state.shown = shown;
    // Entries gone from the folder leave the selection.
    const names = new Set(state.entries.map((entry) => entry.name));
    for (const name of state.selected) if (!names.has(name)) state.selected.delete(name);
    state.anchor = null;
    Grid.render(grid, shown, actions);
    showSelection();
    const folders = state.entries.filter((entry) => entry.directory).length;
    const files = state.entries.length - folders;
    summary.textContent = state.entries.length
      ? plural(folders, 'folder') + ', ' + plural(files, 'file') +
        (shown.length !== state.entries.length ? ' · ' + shown.length + ' shown' : '')
      : '';
    empty.hidden = shown.length > 0 || !banner.hidden || !$('signin').hidden;
    empty.textContent = state.entries.length ? 'Nothing here matches “' + filter.value.trim() + '”.' : 'This folder is empty.';
  }

  function plural(count, word) {
    return count + ' ' + word + (count === 1 ? '' : 's');
  }

  function join(folder, name) {
    return folder ? folder + '/' + name : name;
  }

  // A filter typed for one folder would hide the next folder's contents: it is cleared on the way.
  function enter(folder) {
    if (folder !== state.folder) {
      filter.value = '';
      state.selected.clear();
      // The cards shown belong to the folder left; a big folder takes a moment to put in order.
      Grid.clear(grid);
    }
    state.folder = folder;
  }

  // Selection: a click on a box selects or clears its entry; with Shift, every entry from the box
  // clicked before to this one takes the same state.
  function toggle(entry, index, shift, checked) {
    const from = shift && state.anchor !== null ? Math.min(state.anchor, index) : index;
    const to = shift && state.anchor !== null ? Math.max(state.anchor, index) : index;
    for (let i = from; i <= to; i += 1) {
      const name = state.shown[i].name;
      if (checked) state.selected.add(name);
      else state.selected.delete(name);
    }
    state.anchor = index;
    showSelection();
  }

  function showSelection() {
    Grid.showSelection(grid, actions.isSelected, state.shown);
    const count = state.selected.size;
    $('selection-bar').hidden = count === 0;
    $('selection-count').textContent = count === 1 ? '1 selected' : count + ' selected';
    const names = Array.from(state.selected);
    const link = $('selection-download');
    link.href = names.length ? Api.zipUrl(names) : '#';
    link.download = (names.length === 1 ? names[0] : (state.folder.split('/').pop() || 'Documents')) + '.zip';
    const all = state.shown.length > 0 && state.shown.every((entry) => state.selected.has(entry.name));
    $('select-all').textContent = all ? 'Select none' : 'Select all';
    document.body.classList.toggle('selecting', count > 0);
  }

  function failureText(error) {
    return error.status === 404 || error.status === 500
      ? 'This folder cannot be opened. It may have been moved or deleted on the device.'
      : 'The device did not answer. Is the transfer screen still open?';
  }

  function showNotice(text) {
    banner.textContent = text;
    banner.hidden = false;
  }

  async function load(folder) {
    const ticket = ++state.loading;
    document.body.classList.add('loading');
    try {
      const reply = await Api.list(folder);
      if (ticket !== state.loading) return;
      enter(folder);
      state.entries = Array.isArray(reply.files) ? reply.files : [];
      banner.hidden = true;
    } catch (error) {
      if (ticket !== state.loading) return;
      enter(folder);
      state.entries = [];
      if (error.status === 401) askForCode();
      else showNotice(failureText(error));
    } finally {
      if (ticket === state.loading) document.body.classList.remove('loading');
    }
    renderCrumbs();
    render();
  }

  // With an access code turned on, the device answers 401 until this browser signed in once.
  const signin = $('signin');
  const signinError = $('signin-error');
  function askForCode() {
    signin.hidden = false;
    $('signin-code').focus();
  }
  async function signIn(code) {
    const result = await Api.signIn(code.trim());
    signinError.hidden = result.status === 200;
    signinError.textContent = result.status === 200 ? '' : result.text || 'The code was not accepted.';
    if (result.status !== 200) {
      askForCode();
      return;
    }
    signin.hidden = true;
    $('signin-code').value = '';
    load(folderFromHash());
  }
  signin.addEventListener('submit', (event) => {
    event.preventDefault();
    signIn($('signin-code').value);
  });

  // The server downloads from the folder listed last, so the folder is listed again first: another
  // browser may have listed a different one in the meantime. That fresh listing also tells whether
  // the file is still there; a browser would only report a failed download.
  // Lists the folder on screen again; resolves to whether every named entry is still there (files
  // only when asked), after saying which is gone.
  async function relist(names, filesOnly) {
    let reply;
    try {
      reply = await Api.list(state.folder);
    } catch (error) {
      showNotice(failureText(error));
      return false;
    }
    const files = Array.isArray(reply.files) ? reply.files : [];
    const missing = names.find((name) => !files.some((file) => file.name === name && !(filesOnly && file.directory)));
    if (missing === undefined) return true;
    state.entries = files;
    showNotice('“' + missing + '” is no longer on the device. It may have been moved or deleted.');
    render();
    return false;
  }

  function follow(href, name) {
    const link = document.createElement('a');
    link.href = href;
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
  }

  async function download(entry) {
    if (await relist([entry.name], true)) follow(Api.downloadUrl(entry.name), entry.name);
  }

  async function downloadSelection(event) {
    event.preventDefault();
    const names = Array.from(state.selected);
    if (names.length && (await relist(names, false))) follow(Api.zipUrl(names), $('selection-download').download);
  }

  // Images open in the viewer, videos in the page's player, PDFs in the browser's own viewer.
  async function preview(entry) {
    const kind = Grid.previewKind(entry);
    if (kind === 'pdf') {
      const tab = window.open('about:blank', '_blank');
      if (await relist([entry.name], true)) {
        if (tab) tab.location.href = Api.viewUrl(entry.name);
        else window.open(Api.viewUrl(entry.name), '_blank');
      } else if (tab) {
        tab.close();
      }
      return;
    }
    if (await relist([entry.name], true)) Viewer.open(entry, state.shown);
  }

  const uploads = new UploadQueue(
    {
      panel: $('uploads'),
      list: $('upload-list'),
      title: $('uploads-title'),
      overall: $('uploads-overall'),
      fill: $('overall-fill'),
      clear: $('uploads-clear'),
    },
    () => load(state.folder),
  );

  const input = $('file-input');
  $('upload-button').addEventListener('click', () => input.click());
  input.addEventListener('change', () => {
    uploads.add(Array.from(input.files));
    input.value = ''; // the same file can be picked again
  });

  // Drag and drop anywhere on the page; folders dropped are skipped (the server takes files only).
  const overlay = $('drop-overlay');
  let dragDepth = 0;
  const hasFiles = (event) => event.dataTransfer && Array.from(event.dataTransfer.types).includes('Files');
  document.addEventListener('dragenter', (event) => {
    if (!hasFiles(event)) return;
    event.preventDefault();
    dragDepth += 1;
    overlay.hidden = false;
  });
  document.addEventListener('dragover', (event) => {
    if (hasFiles(event)) event.preventDefault();
  });
  document.addEventListener('dragleave', () => {
    dragDepth = Math.max(0, dragDepth - 1);
    if (dragDepth === 0) overlay.hidden = true;
  });
  document.addEventListener('drop', (event) => {
    if (!hasFiles(event)) return;
    event.preventDefault();
    dragDepth = 0;
    overlay.hidden = true;
    const files = [];
    const items = Array.from(event.dataTransfer.items || []);
    Array.from(event.dataTransfer.files).forEach((file, index) => {
      const entry = items[index] && items[index].webkitGetAsEntry ? items[index].webkitGetAsEntry() : null;
      if (!entry || entry.isFile) files.push(file);
    });
    if (files.length) uploads.add(files);
  });

  $('selection-download').addEventListener('click', downloadSelection);
  $('selection-clear').addEventListener('click', () => {
    state.selected.clear();
    showSelection();
  });
  $('select-all').addEventListener('click', () => {
    const all = state.shown.length > 0 && state.shown.every((entry) => state.selected.has(entry.name));
    for (const entry of state.shown) {
      if (all) state.selected.delete(entry.name);
      else state.selected.add(entry.name);
    }
    showSelection();
  });

  $('up-button').addEventListener('click', () => go(state.folder.split('/').slice(0, -1).join('/')));
  filter.addEventListener('input', render);
  sort.addEventListener('change', render);
  window.addEventListener('hashchange', () => load(folderFromHash()));
  // A scanned QR code brings the access code in the fragment: it signs in and leaves the address.
  const scanned = /^#code=([0-9]+)$/.exec(location.hash);
  if (scanned) {
    history.replaceState(null, '', location.pathname + location.search + '#/');
    signIn(scanned[1]);
  } else {
    load(folderFromHash());
  }
})();
