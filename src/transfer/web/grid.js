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
  // Long work (ordering a big folder, building its cards) runs in slices of at most SLICE_MS, the
  // browser painting and answering input in between; the first cards get a longer slice, so the
  // window is usually full in the first frame.
  const SLICE_MS = 8;
  const FIRST_SLICE_MS = 20;
  // A folder of up to this many entries is built whole, so finding in the page reaches every
  // name; a larger one keeps only the rows around the window in the page (and as many rows more
  // above and below it as OVERSCAN_ROWS).
  const WHOLE_LIMIT = 1000;
  const OVERSCAN_ROWS = 3;

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

  // Runs a generator to its end in slices, yielding to the browser between them; resolves to
  // what the generator returns.
  const nextTask = (() => {
    const waiting = [];
    const channel = new MessageChannel();
    channel.port1.onmessage = () => waiting.shift()();
    return () => new Promise((resolve) => {
      waiting.push(resolve);
      channel.port2.postMessage(null);
    });
  })();

  async function runSliced(steps) {
    for (;;) {
      const until = performance.now() + SLICE_MS;
      let step;
      do step = steps.next(); while (!step.done && performance.now() < until);
      if (step.done) return step.value;
      await nextTask();
    }
  }

  // A stable merge sort by name that yields every few hundred comparisons: ten thousand names
  // through the collator take longer than one slice.
  function* sortedByName(entries) {
    const compare = (a, b) => collator.compare(a.name, b.name);
    const RUN = 256;
    let runs = [];
    for (let i = 0; i < entries.length; i += RUN) {
      runs.push(entries.slice(i, i + RUN).sort(compare));
      yield;
    }
    while (runs.length > 1) {
      const merged = [];
      for (let r = 0; r < runs.length; r += 2) {
        const a = runs[r];
        const b = runs[r + 1];
        if (!b) {
          merged.push(a);
          continue;
        }
        const out = new Array(a.length + b.length);
        let i = 0;
        let j = 0;
        let k = 0;
        while (i < a.length && j < b.length) {
          out[k++] = compare(b[j], a[i]) < 0 ? b[j++] : a[i++];
          if ((k & 255) === 0) yield;
        }
        while (i < a.length) out[k++] = a[i++];
        while (j < b.length) out[k++] = b[j++];
        merged.push(out);
      }
      runs = merged;
    }
    return runs.length ? runs[0] : [];
  }

  // Each listing is put in name order once; every order shown is then a stable sort of that one
  // on a number, so a change of filter or sort never goes through the collator again.
  const nameOrders = new WeakMap();

  function inNameOrder(entries) {
    let order = nameOrders.get(entries);
    if (!order) {
      order = runSliced(sortedByName(entries));
      nameOrders.set(entries, order);
    }
    return order;
  }

  // Folders first, then by the chosen key; ties by name.
  function sortEntries(byName, key) {
    let weight = () => 0;
    if (key === 'size') weight = (entry) => entry.size || 0;
    if (key === 'kind') {
      const labels = Array.from(new Set(byName.map(kindLabel))).sort(collator.compare);
      const ranks = new Map();
      labels.forEach((label, index) => {
        const previous = labels[index - 1];
        ranks.set(label, previous !== undefined && collator.compare(previous, label) === 0 ? ranks.get(previous) : index);
      });
      weight = (entry) => ranks.get(kindLabel(entry));
    }
    const items = byName.map((entry) => ({ entry, folder: entry.directory ? 0 : 1, weight: weight(entry) }));
    items.sort((a, b) => a.folder - b.folder || a.weight - b.weight);
    return items.map((item) => item.entry);
  }

  function filterEntries(entries, text) {
    const needle = text.trim().toLocaleLowerCase();
    if (!needle) return entries;
    return entries.filter((entry) => entry.name.toLocaleLowerCase().includes(needle));
  }

  // The entries to show, filtered and sorted; resolves once the listing's name order is known.
  async function arrange(entries, text, key) {
    const byName = await inNameOrder(entries);
    return sortEntries(filterEntries(byName, text), key);
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

    // A card taken out of the page: its picture is no longer wanted.
    function forget(item) {
      for (const img of item.querySelectorAll('img.picture')) {
        queue.delete(img);
        observer.unobserve(img);
      }
    }

    function reset() {
      queue.clear();
      observer.disconnect();
    }

    return { watch, forget, reset, pump };
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

  // The two shapes of card, made once and cloned for each entry. Files are real links, so "Save
  // link as" and copying the address work; a folder's card is a button that opens it.
  const skeletons = new Map();

  function skeleton(directory) {
    if (!skeletons.has(directory)) {
      const item = document.createElement('li');
      item.className = 'card';
      const pick = document.createElement('input');
      pick.type = 'checkbox';
      pick.className = 'pick';
      const open = document.createElement(directory ? 'button' : 'a');
      if (directory) open.type = 'button';
      open.className = 'open';
      const meta = document.createElement('div');
      meta.className = 'meta';
      const name = document.createElement('span');
      name.className = 'name';
      const details = document.createElement('span');
      details.className = 'details';
      meta.append(name, details);
      open.append(meta);
      item.append(pick, open);
      if (!directory) {
        const save = document.createElement('a');
        save.className = 'save';
        save.textContent = 'Download';
        item.append(save);
      }
      skeletons.set(directory, item);
    }
    return skeletons.get(directory).cloneNode(true);
  }

  // Clicks on cards are handled once for the list (see listen()), through the card's index.
  function card(entry, index, actions) {
    const directory = Boolean(entry.directory);
    const item = skeleton(directory);
    const [pick, open, save] = item.children;
    const [name, details] = open.firstElementChild.children;
    item.dataset.name = entry.name;
    item.dataset.index = String(index);
    pick.setAttribute('aria-label', 'Select ' + entry.name);
    pick.checked = actions.isSelected(entry);
    item.classList.toggle('selected', pick.checked);
    name.textContent = entry.name;
    details.textContent = directory ? 'Folder' : kindLabel(entry) + ' · ' + formatSize(entry.size);
    open.prepend(thumbnail(entry));
    if (directory) {
      open.title = 'Open ' + entry.name;
      return item;
    }
    const href = Api.downloadUrl(entry.name);
    open.href = href;
    open.download = entry.name;
    open.title = (previewKind(entry) ? 'Preview ' : 'Download ') + entry.name;
    save.href = href;
    save.download = entry.name;
    save.title = 'Download ' + entry.name;
    return item;
  }

  // The entries and actions of the cards in the list now.
  let shown = { entries: [], actions: null };

  // A click on a card's box selects it (with Shift, a range); on a folder, opens it; on a file,
  // previews what the page can show and downloads the rest; on Download, downloads.
  const listened = new WeakSet();

  function listen(list) {
    if (listened.has(list)) return;
    listened.add(list);
    list.addEventListener('click', (event) => {
      const control = event.target.closest('.pick, .open, .save');
      const item = control && control.closest('.card');
      const entry = item && list.contains(item) ? shown.entries[Number(item.dataset.index)] : undefined;
      if (!entry || entry.name !== item.dataset.name) return;
      const { actions } = shown;
      const index = Number(item.dataset.index);
      if (control.classList.contains('pick')) {
        actions.toggle(entry, index, event.shiftKey, control.checked);
      } else if (entry.directory) {
        actions.open(entry);
      } else {
        event.preventDefault();
        if (control.classList.contains('open') && previewKind(entry)) actions.preview(entry);
        else actions.download(entry);
      }
    });
  }

  // Builds cards for entries[from..to) into a fragment while the time lasts; returns the fragment
  // and where it stopped.
  function buildCards(entries, from, to, actions, until) {
    const fragment = document.createDocumentFragment();
    let next = from;
    while (next < to && (next === from || performance.now() < until)) {
      fragment.appendChild(card(entries[next], next, actions));
      next += 1;
    }
    return { fragment, next };
  }

  // The whole folder, a slice of cards per frame.
  function renderWhole(list, entries, actions) {
    let stopped = false;
    const first = buildCards(entries, 0, entries.length, actions, performance.now() + FIRST_SLICE_MS);
    list.replaceChildren(first.fragment);
    let next = first.next;
    const more = () => {
      if (stopped) return;
      if (next >= entries.length) {
        list.setAttribute('aria-busy', 'false');
        return;
      }
      const slice = buildCards(entries, next, entries.length, actions, performance.now() + SLICE_MS);
      list.appendChild(slice.fragment);
      next = slice.next;
      requestAnimationFrame(more);
    };
    if (next < entries.length) requestAnimationFrame(more);
    else more();
    return { stop() { stopped = true; } };
  }

  // A big folder: only the rows around the window are in the page; padding above and below stands
  // for the others, every row as tall as the tallest card can be, so the scroll bar is the whole
  // folder's from the start.
  function renderWindowed(list, entries, actions) {
    list.classList.add('windowed');
    list.replaceChildren();
    const cards = new Map(); // index -> card in the page, for the range [from, to)
    let from = 0;
    let to = 0;
    let geometry = null;
    let width = -1;
    let scheduled = false;

    // The grid's columns, and the height of a card with a two-line name and a file's details and
    // link (names are cut after two lines, details after one).
    function measure() {
      const columns = getComputedStyle(list).gridTemplateColumns.split(' ').filter(Boolean).length || 1;
      const probe = card({ name: 'W'.repeat(80) + '.txt', size: 1e12 }, -1, actions);
      probe.setAttribute('aria-hidden', 'true');
      probe.style.visibility = 'hidden';
      probe.style.alignSelf = 'start';
      probe.style.contain = 'none';
      list.appendChild(probe);
      const height = Math.ceil(probe.getBoundingClientRect().height);
      probe.remove();
      list.style.gridAutoRows = height + 'px';
      width = list.clientWidth;
      return { columns, pitch: height + (parseFloat(getComputedStyle(list).rowGap) || 0) };
    }

    function place(start, end) {
      for (const [index, item] of cards) {
        if (index >= start && index < end) continue;
        Thumbnails.forget(item);
        item.remove();
        cards.delete(index);
      }
      const keptFrom = cards.size ? Math.max(from, start) : end;
      const keptTo = cards.size ? Math.min(to, end) : end;
      const add = (a, b) => {
        const fragment = document.createDocumentFragment();
        for (let i = a; i < b; i += 1) {
          const item = card(entries[i], i, actions);
          item.setAttribute('aria-setsize', String(entries.length));
          item.setAttribute('aria-posinset', String(i + 1));
          cards.set(i, item);
          fragment.appendChild(item);
        }
        return fragment;
      };
      list.prepend(add(start, keptFrom));
      list.append(add(keptTo, end));
      from = start;
      to = end;
    }

    function update() {
      scheduled = false;
      if (!geometry) geometry = measure();
      const { columns, pitch } = geometry;
      const rows = Math.ceil(entries.length / columns);
      const top = list.getBoundingClientRect().top;
      const first = Math.min(rows - 1, Math.max(0, Math.floor(-top / pitch) - OVERSCAN_ROWS));
      const last = Math.min(rows - 1, Math.max(first, Math.ceil((window.innerHeight - top) / pitch) + OVERSCAN_ROWS));
      place(first * columns, Math.min(entries.length, (last + 1) * columns));
      list.style.paddingTop = first * pitch + 'px';
      list.style.paddingBottom = (rows - 1 - last) * pitch + 'px';
    }

    function schedule() {
      if (scheduled) return;
      scheduled = true;
      requestAnimationFrame(() => {
        if (!stopped) update();
      });
    }

    // A new width changes the columns and the cards' height.
    const resize = new ResizeObserver(() => {
      if (list.clientWidth === width) return;
      width = list.clientWidth;
      geometry = null;
      schedule();
    });
    let stopped = false;
    window.addEventListener('scroll', schedule, { passive: true });
    window.addEventListener('resize', schedule);
    resize.observe(list);
    update();
    list.setAttribute('aria-busy', 'false');
    return {
      stop() {
        stopped = true;
        window.removeEventListener('scroll', schedule);
        window.removeEventListener('resize', schedule);
        resize.disconnect();
        list.classList.remove('windowed');
        for (const property of ['paddingTop', 'paddingBottom', 'gridAutoRows']) list.style[property] = '';
      },
    };
  }

  let current = null;

  // Empties the list until the next render, e.g. while another folder is put in order.
  function clear(list) {
    if (current) current.stop();
    current = null;
    Thumbnails.reset();
    list.replaceChildren();
    list.setAttribute('aria-busy', 'true');
  }

  // Shows entries (already filtered and sorted) in the list; aria-busy stays true until every
  // card the list will hold now is built.
  function render(list, entries, actions) {
    if (current) current.stop();
    listen(list);
    shown = { entries, actions };
    Thumbnails.reset();
    list.setAttribute('aria-busy', 'true');
    current = entries.length > WHOLE_LIMIT ? renderWindowed(list, entries, actions) : renderWhole(list, entries, actions);
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

  return { render, clear, showSelection, arrange, kindLabel, formatSize, extension, previewKind };
})();
