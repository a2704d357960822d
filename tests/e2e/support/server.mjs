// Starts `tidewell serve` on a free loopback port over a document folder of the test's own, and
// stops it again. Every server started here is also killed when the test process exits, so a
// failing or interrupted run leaves none behind.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '..', '..', '..');

const running = new Set();
const temporary = new Set();
const killAll = () => {
  for (const child of running) child.kill('SIGKILL');
  for (const folder of temporary) fs.rmSync(folder, { recursive: true, force: true });
};
process.on('exit', killAll);
// A terminated test run skips 'exit' handlers; its servers go with it all the same. (Ctrl-C
// reaches the servers directly: they share the terminal's process group.)
for (const [signal, number] of [['SIGTERM', 15], ['SIGHUP', 1]]) {
  process.on(signal, () => {
    killAll();
    process.exit(128 + number);
  });
}

// The binary comes from ctest (TIDEWELL_BIN); run by hand, the usual build folders are tried.
export function tidewellBinary() {
  const candidates = [
    process.env.TIDEWELL_BIN,
    path.join(repo, 'build', 'src', 'cli', 'tidewell'),
    path.join(repo, 'build-e2e', 'src', 'cli', 'tidewell'),
  ].filter(Boolean);
  const found = candidates.find((candidate) => fs.existsSync(candidate));
  if (!found) {
    throw new Error('The tidewell binary was not found; build it and set TIDEWELL_BIN. Tried: ' + candidates.join(', '));
  }
  return found;
}

// A temporary folder, removed when the test process ends if the test has not removed it before.
export function makeTempDir(label) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tidewell-e2e-' + label + '-'));
  temporary.add(folder);
  return folder;
}

function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer();
    probe.unref();
    probe.on('error', reject);
    probe.listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function answers(url) {
  try {
    const response = await fetch(url, { signal: AbortSignal.timeout(2000) });
    await response.arrayBuffer();
    return response.ok;
  } catch {
    return false;
  }
}

// Resolves to { url, documents, log(), stop() } once the page answers.
// `extraArgs` go to `tidewell serve` after the usual ones (e.g. ['--code']); `options.port` starts
// it on that port (a server started again where the page expects it).
export async function startServer(documents, extraArgs = [], options = {}) {
  const binary = tidewellBinary();
  const home = makeTempDir('home');
  // The server's own folders (settings, thumbnail cache) live in a temporary home as well.
  const env = {
    ...process.env,
    HOME: home,
    XDG_CONFIG_HOME: path.join(home, 'config'),
    XDG_DATA_HOME: path.join(home, 'data'),
    XDG_CACHE_HOME: path.join(home, 'cache'),
    TIDEWELL_DOCUMENTS: documents,
    QT_QPA_PLATFORM: 'offscreen',
  };
  let lastError = null;
  // Another process may take the port between probing and binding: try a few ports.
  for (let attempt = 0; attempt < 5; attempt += 1) {
    const port = options.port ?? (await freePort());
    const child = spawn(binary, ['serve', '--documents', documents, '--port', String(port), '--bind', '127.0.0.1', ...extraArgs], {
      env,
      stdio: ['ignore', 'pipe', 'pipe'],
    });
    running.add(child);
    let output = '';
    child.stdout.on('data', (chunk) => { output += chunk; });
    child.stderr.on('data', (chunk) => { output += chunk; });
    let exited = false;
    const exitedPromise = new Promise((resolve) => child.on('exit', () => {
      exited = true;
      running.delete(child);
      resolve();
    }));
    const url = `http://127.0.0.1:${port}/`;
    // The server prints its address once it listens; until then an answer on the port may come
    // from some other program that took it.
    const ready = () => !exited && output.includes(`Open ${url}`);
    const deadline = Date.now() + 30000;
    while (!exited && Date.now() < deadline && !(ready() && (await answers(url)))) await sleep(100);
    if (ready() && (await answers(url))) {
      return {
        url,
        documents,
        log: () => output,
        async stop() {
          if (exited) return;
          child.kill('SIGTERM');
          const timer = setTimeout(() => child.kill('SIGKILL'), 5000);
          await exitedPromise;
          clearTimeout(timer);
          fs.rmSync(home, { recursive: true, force: true });
        },
      };
    }
    child.kill('SIGKILL');
    await exitedPromise;
    lastError = new Error(`tidewell serve did not answer on port ${port}:\n${output}`);
  }
  fs.rmSync(home, { recursive: true, force: true });
  throw lastError;
}
