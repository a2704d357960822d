'use strict';

// The page: shows one folder of the device's documents at a time (its path lives in the address
// after '#', so back and forward work), filters and sorts it here, downloads and uploads.
(() => {
  const $ = (id) => document.getElementById(id);
  const state = { folder: '', entries: [], loading: 0 };

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

  function render() {
    const shown = Grid.sortEntries(Grid.filterEntries(state.entries, filter.value), sort.value);
    Grid.render(grid, shown, { open: (entry) => go(join(state.folder, entry.name)), download });
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
    if (folder !== state.folder) filter.value = '';
    state.folder = folder;
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
  async function download(entry) {
    let reply;
    try {
      reply = await Api.list(state.folder);
    } catch (error) {
      showNotice(failureText(error));
      return;
    }
    const files = Array.isArray(reply.files) ? reply.files : [];
    if (!files.some((file) => file.name === entry.name && !file.directory)) {
      state.entries = files;
      showNotice('“' + entry.name + '” is no longer on the device. It may have been moved or deleted.');
      render();
      return;
    }
    const link = document.createElement('a');
    link.href = Api.downloadUrl(entry.name);
    link.download = entry.name;
    document.body.appendChild(link);
    link.click();
    link.remove();
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
