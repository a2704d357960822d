'use strict';

// The server's routes, as the page uses them.
const Api = (() => {
  // Files up to this size go through the Base64 form route; larger ones are streamed as they are,
  // since a browser cannot hold gigabytes of Base64 text.
  const STREAM_THRESHOLD = 64 * 1024 * 1024;
  const NOTE = 'Uploaded from a web browser';

  async function list(folder) {
    const response = await fetch('/list?path=' + encodeURIComponent(folder || '/'), { cache: 'no-store' });
    if (!response.ok) {
      const error = new Error('The folder could not be listed (' + response.status + ').');
      error.status = response.status;
      throw error;
    }
    return response.json();
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

  // Sends one file. `onProgress(sentFileBytes)` reports progress in bytes of the file itself.
  // Returns { promise, cancel }; the promise resolves to { status, text, cancelled }.
  function upload(file, onProgress) {
    let xhr = null;
    let cancelled = false;
    const promise = (async () => {
      let body;
      let method = 'POST';
      let target = '/upload';
      let type = 'application/x-www-form-urlencoded';
      if (file.size > STREAM_THRESHOLD) {
        method = 'PUT';
        target = '/upload-stream?path=' + encodeURIComponent(file.name);
        type = 'application/octet-stream';
        body = file;
      } else {
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

  return { list, signIn, downloadUrl, upload, STREAM_THRESHOLD };
})();
