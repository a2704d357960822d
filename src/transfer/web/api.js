'use strict';

// The server's routes, as the page uses them.
const Api = (() => {
  // Files up to this size go through the Base64 form route; larger ones are streamed as they are,
  // since a browser cannot hold gigabytes of Base64 text.
  const STREAM_THRESHOLD = 64 * 1024 * 1024;
  const NOTE = 'Uploaded from a web browser';
  // Large files go in pieces of this size; a piece cut short is sent again from what arrived.
  const PIECE = 8 * 1024 * 1024;
  const THUMBNAIL_SIZE = 256;

  // The listing comes at once with icons only; the pictures come from the thumbnail route. Each
  // entry names its icon and the reply carries each icon once; the entries handed on hold their
  // icon's picture as `thumbnail`, one shared text.
  async function list(folder) {
    const response = await fetch('/list?path=' + encodeURIComponent(folder || '/') + '&thumbnails=none', { cache: 'no-store' });
    if (!response.ok) {
      const error = new Error('The folder could not be listed (' + response.status + ').');
      error.status = response.status;
      throw error;
    }
    const reply = await response.json();
    const icons = reply.icons || {};
    for (const entry of Array.isArray(reply.files) ? reply.files : []) {
      if (!entry.thumbnail && typeof icons[entry.icon] === 'string') entry.thumbnail = icons[entry.icon];
      entry.listedIn = folder || '/';
    }
    return reply;
  }

  // Trades the device's access code for a session cookie. Resolves to { status, text }.
  async function signIn(code) {
    try {
      const response = await fetch('/sign-in', {
        method: 'POST',
        headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
        body: new URLSearchParams({ code }).toString(),
      });
      return { status: response.status, text: await response.text() };
    } catch (error) {
      return { status: 0, text: 'The device did not answer. Is the transfer screen still open?' };
    }
  }

  function downloadUrl(name) {
    return '/download?path=' + encodeURIComponent(name);
  }

  // A PDF for the browser's own viewer.
  function viewUrl(name) {
    return downloadUrl(name) + '&inline=1';
  }

  // The file's version is part of the address: a changed file is asked for anew, an unchanged one
  // comes from the browser's cache. The folder is named, so that the picture still comes once
  // another browser (or this one's next click) has listed another folder.
  function thumbnailUrl(entry, size = THUMBNAIL_SIZE) {
    return '/thumbnail?path=' + encodeURIComponent(entry.name) + '&size=' + size +
      (entry.listedIn ? '&folder=' + encodeURIComponent(entry.listedIn) : '') +
      '&v=' + (entry.size || 0) + '-' + (entry.modified || 0);
  }

  function zipUrl(names) {
    return '/download-zip?' + names.map((name) => 'path=' + encodeURIComponent(name)).join('&');
  }

  function readAsBase64(file) {
    return new Promise((resolve, reject) => {
      const reader = new FileReader();
      reader.onload = () => {
        const text = String(reader.result);
        resolve(text.slice(text.indexOf(',') + 1));
      };
      reader.onerror = () => reject(reader.error || new Error('The file could not be read.'));
      reader.readAsDataURL(file);
    });
  }

  // Sends one file. `onProgress(sentFileBytes, note)` reports progress in bytes of the file itself,
  // with a note while a resumable upload waits to retry. Returns { promise, cancel }; the promise
  // resolves to { status, text, cancelled }.
  function upload(file, onProgress) {
    let xhr = null;
    let cancelled = false;
    if (file.size > STREAM_THRESHOLD) {
      const control = { cancelled: false, xhr: null };
      return {
        promise: resumableUpload(file, onProgress, control),
        cancel() {
          control.cancelled = true;
          if (control.xhr) control.xhr.abort();
          if (control.wake) control.wake();
        },
      };
    }
    const promise = (async () => {
      let body;
      const method = 'POST';
      const target = '/upload';
      const type = 'application/x-www-form-urlencoded';
      {
        let content;
        try {
          content = await readAsBase64(file);
        } catch (error) {
          return { status: 0, text: String(error.message || error) };
        }
        if (cancelled) return { status: 0, text: '', cancelled: true };
        body = new URLSearchParams({ note: NOTE, name: file.name, content }).toString();
      }
      return new Promise((resolve) => {
        xhr = new XMLHttpRequest();
        xhr.open(method, target);
        xhr.setRequestHeader('Content-Type', type);
        xhr.upload.onprogress = (event) => {
          if (event.lengthComputable && event.total > 0) onProgress(file.size * (event.loaded / event.total));
        };
        xhr.onload = () => resolve({ status: xhr.status, text: xhr.responseText });
        xhr.onerror = () => resolve({ status: 0, text: 'The connection to the device was lost.' });
        xhr.onabort = () => resolve({ status: 0, text: '', cancelled: true });
        xhr.send(body);
      });
    })();
    return {
      promise,
      cancel() {
        cancelled = true;
        if (xhr) xhr.abort();
      },
    };
  }

  function uploadId() {
    const bytes = crypto.getRandomValues(new Uint8Array(16));
    return Array.from(bytes, (byte) => byte.toString(16).padStart(2, '0')).join('');
  }

  // One piece: resolves to { status, text, offset } (offset: the length the device holds).
  function sendPiece(file, id, offset, onProgress, control) {
    return new Promise((resolve) => {
      const end = Math.min(file.size, offset + PIECE);
      const xhr = new XMLHttpRequest();
      control.xhr = xhr;
      xhr.open('PUT', '/upload-stream?path=' + encodeURIComponent(file.name) + '&id=' + id +
        '&offset=' + offset + '&total=' + file.size);
      xhr.setRequestHeader('Content-Type', 'application/octet-stream');
      xhr.upload.onprogress = (event) => onProgress(offset + event.loaded);
      const held = () => {
        const value = Number(xhr.getResponseHeader('Upload-Offset'));
        return xhr.getResponseHeader('Upload-Offset') !== null && Number.isFinite(value) ? value : null;
      };
      xhr.onload = () => resolve({ status: xhr.status, text: xhr.responseText, offset: held() });
      xhr.onerror = () => resolve({ status: 0, text: 'The connection to the device was lost.', offset: null });
      xhr.onabort = () => resolve({ status: 0, text: '', offset: null, cancelled: true });
      xhr.send(file.slice(offset, end));
    });
  }

  // The length the device holds of an upload; 0 when it knows none, null when it does not answer.
  async function heldLength(id) {
    try {
      const response = await fetch('/upload-stream?id=' + id, { method: 'HEAD', cache: 'no-store' });
      if (response.status === 404) return 0;
      const value = Number(response.headers.get('Upload-Offset'));
      return response.ok && Number.isFinite(value) ? value : null;
    } catch (error) {
      return null;
    }
  }

  function pause(ms, control) {
    return new Promise((resolve) => {
      const timer = setTimeout(done, ms);
      // Coming back online, or a cancel, ends the wait at once.
      function done() {
        clearTimeout(timer);
        window.removeEventListener('online', done);
        control.wake = null;
        resolve();
      }
      window.addEventListener('online', done);
      control.wake = done;
    });
  }

  const RETRY_LIMIT = 30;

  // Sends a large file in pieces under one upload id. A piece that fails (no answer, the device
  // busy or restarting) is tried again after a growing pause, from the length the device confirms.
  async function resumableUpload(file, onProgress, control) {
    const id = uploadId();
    let offset = 0;
    let failures = 0;
    for (;;) {
      if (control.cancelled) return { status: 0, text: '', cancelled: true };
      const result = await sendPiece(file, id, offset, (sent) => onProgress(sent), control);
      if (result.cancelled || control.cancelled) return { status: 0, text: '', cancelled: true };
      // Every answer but the last names the length the device holds; without one, it is final.
      const ended = result.status !== 0 && (result.offset === null || result.status === 413);
      if (ended && !(result.status >= 500)) return result;
      if (result.offset !== null) offset = result.offset;
      if (result.status === 200) {
        failures = 0;
        onProgress(offset);
        continue;
      }
      failures += 1;
      if (failures > RETRY_LIMIT) return result;
      const wait = Math.min(15000, 500 * 2 ** Math.min(failures - 1, 5));
      onProgress(offset, 'Connection lost · trying again');
      // Offline, the browser's own "online" event ends the wait early.
      await pause(navigator.onLine ? wait : Math.max(wait, 10000), control);
      const held = await heldLength(id);
      if (held !== null) offset = held;
    }
  }

  return { list, signIn, downloadUrl, viewUrl, thumbnailUrl, zipUrl, upload, STREAM_THRESHOLD, PIECE };
})();
