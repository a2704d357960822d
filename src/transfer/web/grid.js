'use strict';

// Renders a folder's entries. Names are always set as text, never as markup.
const Grid = (() => {
  const KINDS = {
    png: 'PNG image', jpg: 'JPEG image', jpeg: 'JPEG image', heic: 'HEIC image', gif: 'GIF image',
    pdf: 'PDF document', mp4: 'Video', mov: 'Video', avi: 'Video', mp3: 'Audio', zip: 'ZIP archive',
    txt: 'Text', webp: 'WebP image',
  };
  const IMAGE_EXTENSIONS = new Set(['png', 'jpg', 'jpeg', 'heic']);

  function extension(name) {
    const dot = name.lastIndexOf('.');
    return dot > 0 && dot < name.length - 1 ? name.slice(dot + 1).toLowerCase() : '';
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

  function thumbnail(entry) {
    const box = document.createElement('div');
    box.className = 'thumb';
    if (entry.directory) {
      const icon = document.createElement('div');
      icon.className = 'folder-icon';
      box.appendChild(icon);
      return box;
    }
    if (entry.thumbnail) {
      const img = document.createElement('img');
      img.alt = '';
      img.loading = 'lazy';
      img.decoding = 'async';
      img.src = entry.thumbnail;
      if (!IMAGE_EXTENSIONS.has(extension(entry.name))) img.className = 'icon';
      box.appendChild(img);
    } else {
      // An image the device could not read has no thumbnail: show a plain page instead.
      const page = document.createElement('div');
      page.className = 'page-icon';
      box.appendChild(page);
    }
    return box;
  }

  function card(entry, actions) {
    const item = document.createElement('li');
    item.className = 'card';
    item.dataset.name = entry.name;
    const button = document.createElement('button');
    button.type = 'button';
    button.title = entry.directory ? 'Open ' + entry.name : 'Download ' + entry.name;
    button.addEventListener('click', () => (entry.directory ? actions.open(entry) : actions.download(entry)));
    const meta = document.createElement('div');
    meta.className = 'meta';
    const name = document.createElement('span');
    name.className = 'name';
    name.textContent = entry.name;
    const details = document.createElement('span');
    details.className = 'details';
    details.textContent = entry.directory ? 'Folder' : kindLabel(entry) + ' · ' + formatSize(entry.size);
    meta.append(name, details);
    button.append(thumbnail(entry), meta);
    item.appendChild(button);
    return item;
  }

  function render(list, entries, actions) {
    const fragment = document.createDocumentFragment();
    for (const entry of entries) fragment.appendChild(card(entry, actions));
    list.replaceChildren(fragment);
  }

  return { render, sortEntries, filterEntries, kindLabel, formatSize, extension };
})();
