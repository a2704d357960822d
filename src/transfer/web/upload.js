'use strict';

// The upload queue: a few files at a time, each with its progress, speed, time left, a cancel
// button and, at the end, the server's own answer.
class UploadQueue {
  constructor(elements, onFinished) {
    this.elements = elements;
    this.onFinished = onFinished;
    this.items = [];
    this.active = 0;
    this.concurrency = 2;
    elements.clear.addEventListener('click', () => this.clearFinished());
    this.timer = null;
  }

  add(files) {
    for (const file of files) {
      const item = { file, sent: 0, state: 'waiting', started: 0, handle: null, row: null };
      item.row = this.row(item);
      this.items.push(item);
      this.elements.list.appendChild(item.row.root);
    }
    this.elements.panel.hidden = this.items.length === 0;
    this.pump();
    this.refresh();
  }

  row(item) {
    const root = document.createElement('li');
    root.className = 'upload-item waiting';
    const name = document.createElement('span');
    name.className = 'file';
    name.textContent = item.file.name;
    const cancel = document.createElement('button');
    cancel.type = 'button';
    cancel.className = 'link';
    cancel.textContent = 'Cancel';
    cancel.addEventListener('click', () => this.cancel(item));
    const bar = document.createElement('div');
    bar.className = 'bar';
    const fill = document.createElement('div');
    fill.className = 'fill';
    bar.appendChild(fill);
    const status = document.createElement('span');
    status.className = 'status';
    status.textContent = 'Waiting · ' + Grid.formatSize(item.file.size);
    root.append(name, cancel, bar, status);
    return { root, cancel, fill, status };
  }

  pump() {
    while (this.active < this.concurrency) {
      const next = this.items.find((item) => item.state === 'waiting');
      if (!next) break;
      this.start(next);
    }
    if (this.active > 0 && !this.timer) this.timer = setInterval(() => this.refresh(), 250);
  }

  start(item) {
    this.active += 1;
    item.state = 'sending';
    item.started = performance.now();
    item.row.root.className = 'upload-item sending';
    item.handle = Api.upload(item.file, (sent, note) => {
      item.sent = sent;
      item.note = note || '';
    });
    item.handle.promise.then((result) => this.finish(item, result));
  }

  cancel(item) {
    if (item.state === 'waiting') {
      this.finish(item, { status: 0, text: '', cancelled: true }, false);
    } else if (item.state === 'sending') {
      item.handle.cancel();
    }
  }

  finish(item, result, wasActive = true) {
    if (wasActive) this.active -= 1;
    const text = (result.text || '').trim();
    let state = 'failed';
    let message;
    if (result.cancelled) {
      state = 'cancelled';
      message = 'Cancelled';
    } else if (result.status === 200 && text.startsWith('File already exists')) {
      state = 'exists';
      message = 'Already exists on the device: ' + text;
    } else if (result.status === 200) {
      state = 'saved';
      message = 'Saved · ' + text;
    } else if (result.status === 404) {
      state = 'unsupported';
      message = 'Not received: ' + (text || 'this type of file is not supported.');
    } else if (result.status === 413) {
      message = 'Too large: ' + (text || 'the file is over the size limit.');
    } else if (result.status === 0) {
      message = text || 'The connection to the device was lost.';
    } else {
      message = 'Error ' + result.status + (text ? ': ' + text : '');
    }
    item.state = state;
    item.result = message;
    if (state === 'saved') item.sent = item.file.size;
    item.row.root.className = 'upload-item ' + state;
    item.row.status.textContent = readableUrls(message);
    item.row.cancel.hidden = true;
    item.row.fill.style.width = state === 'saved' ? '100%' : item.row.fill.style.width;
    this.pump();
    this.refresh();
    if (this.active === 0 && !this.items.some((other) => other.state === 'waiting')) {
      clearInterval(this.timer);
      this.timer = null;
      this.onFinished();
    }
  }

  clearFinished() {
    this.items = this.items.filter((item) => {
      const done = item.state !== 'waiting' && item.state !== 'sending';
      if (done) item.row.root.remove();
      return !done;
    });
    this.elements.panel.hidden = this.items.length === 0;
    this.refresh();
  }

  refresh() {
    let total = 0;
    let sent = 0;
    let speed = 0;
    let running = 0;
    const now = performance.now();
    for (const item of this.items) {
      total += item.file.size;
      sent += Math.min(item.sent, item.file.size);
      if (item.state !== 'sending') continue;
      running += 1;
      const seconds = (now - item.started) / 1000;
      const rate = seconds > 0.2 ? item.sent / seconds : 0;
      speed += rate;
      const fraction = item.file.size ? item.sent / item.file.size : 1;
      item.row.fill.style.width = (fraction * 100).toFixed(1) + '%';
      item.row.status.textContent = item.note
        ? Grid.formatSize(item.sent) + ' of ' + Grid.formatSize(item.file.size) + ' · ' + item.note
        : describe(item.sent, item.file.size, rate);
    }
    const left = running && speed > 0 ? (total - sent) / speed : 0;
    const done = this.items.filter((item) => item.state !== 'waiting' && item.state !== 'sending').length;
    this.elements.title.textContent = running
      ? 'Uploading ' + running + ' of ' + this.items.length
      : 'Uploads: ' + done + ' finished';
    this.elements.overall.textContent = running
      ? Grid.formatSize(sent) + ' of ' + Grid.formatSize(total) + ' · ' + Grid.formatSize(speed) + '/s' +
        (left ? ' · ' + duration(left) + ' left' : '')
      : '';
    this.elements.fill.style.width = total ? ((sent / total) * 100).toFixed(1) + '%' : '0';
  }
}

// The device answers with file URLs, escaped as URLs are; people read names like "Plage été.png"
// better than "Plage%20%C3%A9t%C3%A9.png".
function readableUrls(text) {
  return text.replace(/file:\/\/\S+/g, (url) => {
    try {
      return decodeURIComponent(url);
    } catch (error) {
      return url;
    }
  });
}

function describe(sent, size, rate) {
  const parts = [Grid.formatSize(sent) + ' of ' + Grid.formatSize(size)];
  if (rate > 0) {
    parts.push(Grid.formatSize(rate) + '/s');
    parts.push(duration((size - sent) / rate) + ' left');
  }
  return parts.join(' · ');
}

function duration(seconds) {
  if (!Number.isFinite(seconds) || seconds < 0) return '';
  if (seconds < 60) return Math.ceil(seconds) + ' s';
  const minutes = Math.floor(seconds / 60);
  if (minutes < 60) return minutes + ' min ' + Math.round(seconds % 60) + ' s';
  return Math.floor(minutes / 60) + ' h ' + (minutes % 60) + ' min';
}
