// Document folders for the tests: real images made by ImageMagick, a small PDF and plain files.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

// Debian's ImageMagick; /usr/local/bin/convert may be a stand-in on some machines.
const CONVERT = '/usr/bin/convert';

export const HOSTILE_FILE = '<img src=x onerror=alert(1)>.png';
export const HOSTILE_FOLDER = '<svg onload=alert(2)>';
// Characters that mean something in addresses and query strings.
export const ODD_FOLDER = '50% off #1 & more?';
export const ODD_FILE = 'a+b (1) = 100%.txt';

export function makeImage(file, size, ...drawing) {
  fs.mkdirSync(path.dirname(file), { recursive: true });
  execFileSync(CONVERT, ['-size', size, ...drawing, file]);
  return file;
}

// A one-page PDF, written out by hand so no PDF writer is needed.
export function makePdf(file) {
  const objects = [
    '<< /Type /Catalog /Pages 2 0 R >>',
    '<< /Type /Pages /Kids [3 0 R] /Count 1 >>',
    '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>',
  ];
  let body = '%PDF-1.4\n';
  const offsets = [];
  objects.forEach((object, index) => {
    offsets.push(body.length);
    body += `${index + 1} 0 obj\n${object}\nendobj\n`;
  });
  const xref = body.length;
  body += `xref\n0 ${objects.length + 1}\n0000000000 65535 f \n`;
  for (const offset of offsets) body += String(offset).padStart(10, '0') + ' 00000 n \n';
  body += `trailer\n<< /Size ${objects.length + 1} /Root 1 0 R >>\nstartxref\n${xref}\n%%EOF\n`;
  fs.writeFileSync(file, body);
  return file;
}

export function write(file, content) {
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(file, content);
  return file;
}

// The folder most tests browse:
//   Documents/
//     Harbour.jpg  Sunset.png  <hostile>.png  Manual.pdf  notes.txt  (top "notes.txt" differs from the trip's)
//     Trips/ { notes.txt, Lighthouse.jpg, Beach/ (empty) }
//     <hostile folder>/ { inside.txt }
//     <odd folder>/ { <odd file> }
export function makeBrowseDocuments(root) {
  makeImage(path.join(root, 'Harbour.jpg'), '320x240', 'gradient:#1e88e5-#0d2b52');
  makeImage(path.join(root, 'Sunset.png'), '240x240', 'radial-gradient:#ffca28-#d84315');
  makeImage(path.join(root, HOSTILE_FILE), '200x160', 'gradient:#66bb6a-#1b5e20');
  makePdf(path.join(root, 'Manual.pdf'));
  write(path.join(root, 'notes.txt'), 'Notes at the top folder.\n');
  write(path.join(root, 'Trips', 'notes.txt'), 'Packing list for the trip:\n- towel\n- sun cream\n');
  makeImage(path.join(root, 'Trips', 'Lighthouse.jpg'), '300x400', 'gradient:#fff59d-#5d4037');
  fs.mkdirSync(path.join(root, 'Trips', 'Beach'), { recursive: true });
  write(path.join(root, HOSTILE_FOLDER, 'inside.txt'), 'inside\n');
  write(path.join(root, ODD_FOLDER, ODD_FILE), 'one plus one is not three\n');
  return root;
}
