'use strict';

// Renders a folder's entries. Names are always set as text, never as markup.
const Grid = (() => {
  const KINDS = {
    png: 'PNG image', jpg: 'JPEG image', jpeg: 'JPEG image', heic: 'HEIC image', gif: 'GIF image',
    pdf: 'PDF document', mp4: 'Video', mov: 'Video', avi: 'Video', mp3: 'Audio', zip: 'ZIP archive',
    txt: 'Text', webp: 'WebP image',
  };
  const IMAGE_EXTENSIONS = new Set(['png', 'jpg', 'jpeg', 'heic']);
  const VIDEO_EXTENSIONS = new Set(['mp4', 'mov', 'avi']);
  // Cards made in one go before the page paints; the rest follow a batch per frame, so a folder
  // of thousands of entries never holds the page up.
  const FIRST_BATCH = 120;
  const BATCH = 100;

  function extension(name) {
    const dot = name.lastIndexOf('.');
    return dot > 0 && dot < name.length - 1 ? name.slice(dot + 1).toLowerCase() : '';
  }

  // How a file is previewed on the page: 'image' (the viewer), 'video' (the page's player), 'pdf'
  // (the browser's own viewer in a new tab), or '' (downloaded).
  function previewKind(entry) {
    if (entry.directory) return '';
    const ext = extension(entry.name);
    if (IMAGE_EXTENSIONS.has(ext)) return 'image';
    if (VIDEO_EXTENSIONS.has(ext)) return 'video';
    return ext === 'pdf' ? 'pdf' : '';
  }

  function kindLabel(entry) {
    if (entry.directory) return 'Folder';
    const ext = extension(entry.name);
    return KINDS[ext] || (ext ? ext.toUpperCase() + ' file' : 'File');
  }

  function formatSize(bytes) {
    if (!Number.isFinite(bytes) || bytes < 0) return '';
    if (bytes < 1024) return bytes + ' B';
    const units = ['KB', 'MB', 'GB', 'TB'];
    let value = bytes / 1024;
    let unit = 0;
    while (value >= 1024 && unit < units.length - 1) {
      value /= 1024;
      unit += 1;
    }
    return (value >= 10 ? value.toFixed(0) : value.toFixed(1)) + ' ' + units[unit];
  }

  const collator = new Intl.Collator(undefined, { numeric: true, sensitivity: 'base' });

  // Folders first, then by the chosen key; ties by name.
  function sortEntries(entries, key) {
    const byName = (a, b) => collator.compare(a.name, b.name);
    const compare = {
      name: byName,
      kind: (a, b) => collator.compare(kindLabel(a), kindLabel(b)) || byName(a, b),
      size: (a, b) => (a.size || 0) - (b.size || 0) || byName(a, b),
    }[key] || byName;
    return entries.slice().sort((a, b) => (b.directory - a.directory) || compare(a, b));
  }

  function filterEntries(entries, text) {
    const needle = text.trim().toLocaleLowerCase();
    if (!needle) return entries;
    return entries.filter((entry) => entry.name.toLocaleLowerCase().includes(needle));
  }

  // Loads the pictures of the tiles in view, those nearest to view next, at most a few at a time;
  // a tile scrolled away before its turn is not loaded.
  const Thumbnails = (() => {
    const MAX_ACTIVE = 4;
    const queue = new Set();
    let active = 0;
    const observer = new IntersectionObserver((changes) => {
      for (const change of changes) {
        if (change.isIntersecting) queue.add(change.target);
        else queue.delete(change.target);
      }
      pump();
    }, { rootMargin: '400px 0px' });

    function inView(img) {
      const box = img.getBoundingClientRect();
      return box.bottom > 0 && box.top < window.innerHeight;
    }

    function pump() {
      while (active < MAX_ACTIVE && queue.size) {
        let next = null;
        for (const img of queue) {
          if (!img.isConnected) {
            queue.delete(img);
            continue;
          }
          if (!next) next = img;
          if (inView(img)) {
            next = img;
            break;
          }
        }
        if (!next) return;
        queue.delete(next);
        observer.unobserve(next);
        load(next);
      }
    }

    function load(img) {
      active += 1;
      const done = (ok) => {
        active -= 1;
        img.classList.toggle('loaded', ok);
        if (!ok) img.dispatchEvent(new CustomEvent('thumbnail-failed'));
        pump();
      };
      img.addEventListener('load', () => done(true), { once: true });
      img.addEventListener('error', () => done(false), { once: true });
      img.src = img.dataset.src;
    }

    function watch(img) {
      observer.observe(img);
    }

    function reset() {
      queue.clear();
      observer.disconnect();
    }

    return { watch, reset, pump };
  })();

  function placeholder(entry) {
    if (entry.thumbnail) {
      const icon = document.createElement('img');
      icon.alt = '';
      icon.className = 'icon';
      icon.src = entry.thumbnail;
      return icon;
    }
    const page = document.createElement('div');
    page.className = 'page-icon';
    return page;
  }

  function thumbnail(entry) {
    const box = document.createElement('div');
    box.className = 'thumb';
    if (entry.directory) {
      const icon = document.createElement('div');
      icon.className = 'folder-icon';
      box.appendChild(icon);
      return box;
    }
    if (!previewKind(entry)) {
      box.appendChild(placeholder(entry));
      return box;
    }
    // The kind's icon (or a plain page for an image) shows until the picture arrives, and stays
    // when none can be made.
    const fallback = placeholder(entry);
    const img = document.createElement('img');
    img.alt = '';
    img.className = 'picture';
    img.decoding = 'async';
    img.dataset.src = Api.thumbnailUrl(entry);
    img.addEventListener('load', () => fallback.remove(), { once: true });
    img.addEventListener('thumbnail-failed', () => img.remove(), { once: true });
    box.append(fallback, img);
    Thumbnails.watch(img);
    return box;
  }

  function card(entry, index, actions) {
    const item = document.createElement('li');
    item.className = 'card';
    item.dataset.name = entry.name;
    item.dataset.index = String(index);
    const pick = document.createElement('input');
    pick.type = 'checkbox';
    pick.className = 'pick';
    pick.setAttribute('aria-label', 'Select ' + entry.name);
    pick.checked = actions.isSelected(entry);
    pick.addEventListener('click', (event) => actions.toggle(entry, index, event.shiftKey, pick.checked));
    item.classList.toggle('selected', pick.checked);

    const meta = document.createElement('div');
    meta.className = 'meta';
    const name = document.createElement('span');
    name.className = 'name';
    name.textContent = entry.name;
    const details = document.createElement('span');
    details.className = 'details';
    details.textContent = entry.directory ? 'Folder' : kindLabel(entry) + ' · ' + formatSize(entry.size);
    meta.append(name, details);

    if (entry.directory) {
      const button = document.createElement('button');
      button.type = 'button';
      button.className = 'open';
      button.title = 'Open ' + entry.name;
      button.addEventListener('click', () => actions.open(entry));
      button.append(thumbnail(entry), meta);
      item.append(pick, button);
      return item;
    }
    // Files are real links, so "Save link as" and copying the address work; a click previews what
    // the page can show and downloads the rest.
    const open = document.createElement('a');
    open.className = 'open';
    open.href = Api.downloadUrl(entry.name);
    open.download = entry.name;
    open.title = (previewKind(entry) ? 'Preview ' : 'Download ') + entry.name;
    open.addEventListener('click', (event) => {
      event.preventDefault();
      if (previewKind(entry)) actions.preview(entry);
      else actions.download(entry);
    });
    open.append(thumbnail(entry), meta);
    const save = document.createElement('a');
    save.className = 'save';
    save.href = Api.downloadUrl(entry.name);
    save.download = entry.name;
    save.textContent = 'Download';
    save.title = 'Download ' + entry.name;
    save.addEventListener('click', (event) => {
      event.preventDefault();
      actions.download(entry);
    });
    item.append(pick, open, save);
    return item;
  }

  let generation = 0;

  function render(list, entries, actions) {
    const ticket = ++generation;
    Thumbnails.reset();
    const build = (from, to) => {
      const fragment = document.createDocumentFragment();
      for (let i = from; i < to; i += 1) fragment.appendChild(card(entries[i], i, actions));
      return fragment;
    };
    const first = Math.min(entries.length, FIRST_BATCH);
    list.replaceChildren(build(0, first));
    const more = (from) => {
      if (ticket !== generation || from >= entries.length) return;
      const to = Math.min(entries.length, from + BATCH);
      list.appendChild(build(from, to));
      requestAnimationFrame(() => more(to));
    };
    requestAnimationFrame(() => more(first));
  }

  // Marks the cards of the selected entries without building them again.
  function showSelection(list, isSelected, entries) {
    for (const item of list.children) {
      const entry = entries[Number(item.dataset.index)];
      if (!entry) continue;
      const selected = isSelected(entry);
      item.classList.toggle('selected', selected);
      const pick = item.querySelector('.pick');
      if (pick) pick.checked = selected;
    }
  }

  return { render, showSelection, sortEntries, filterEntries, kindLabel, formatSize, extension, previewKind };
})();
