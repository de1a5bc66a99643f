// One whole process of a palette peer over many files, one after another, as a user's script
// would run it:  node batch.mjs PEER FILE...   (PEER: colorthief, node-vibrant, get-image-colors)
//
// Also:  node batch.mjs --make-folder DIR COUNT PHOTO...  writes COUNT JPEG files into DIR:
// copies of the photos at several sizes (made with sharp), for the many-files measurement.
import fs from 'node:fs';
import path from 'node:path';
import { Vibrant } from 'node-vibrant/node';
import { getPalette } from 'colorthief';
import getColors from 'get-image-colors';
import sharp from 'sharp';

const [what, ...rest] = process.argv.slice(2);
const peers = {
  colorthief: (file) => getPalette(file),
  'node-vibrant': (file) => Vibrant.from(file).getPalette(),
  'get-image-colors': (file) => getColors(file),
};

if (what === '--make-folder') {
  const [dir, countText, ...photos] = rest;
  const count = Number(countText);
  const sides = [300, 600, 1000, 1400, 2000];
  fs.mkdirSync(dir, { recursive: true });
  // One file per photo and size, then copies of those until there are COUNT files, spread over
  // subfolders of 100.
  const made = [];
  for (const photo of photos)
    for (const side of sides) {
      const file = path.join(dir, `${path.parse(photo).name}-${side}.jpg`);
      await sharp(photo).resize(side, side, { fit: 'inside' }).jpeg({ quality: 88 }).toFile(file);
      made.push(file);
    }
  for (let i = made.length; i < count; ++i) {
    const sub = path.join(dir, `copies-${String(Math.floor(i / 100)).padStart(2, '0')}`);
    fs.mkdirSync(sub, { recursive: true });
    const source = made[i % made.length];
    fs.copyFileSync(source, path.join(sub, `${i}-${path.basename(source)}`));
  }
} else {
  const run = peers[what];
  if (!run) throw new Error(`unknown peer ${what}`);
  for (const file of rest) await run(file);
}
