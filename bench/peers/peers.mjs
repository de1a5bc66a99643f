// Runs the peer colour-extraction libraries on the benchmark images and prints, with the
// velloway-bench results of the same run, a table of medians and ratios.
//
//   node peers.mjs IMAGE_DIR OURS_JSON
//
// IMAGE_DIR is what `velloway-bench --write-images` wrote (512 x 512 raw RGBA images and
// photos.txt); OURS_JSON is velloway-bench's --benchmark_format=json output with repetitions.
import fs from 'node:fs';
import path from 'node:path';
import { performance } from 'node:perf_hooks';
import { Vibrant } from 'node-vibrant/node';
import { MMCQ } from '@vibrant/quantizer-mmcq';
import { DefaultGenerator } from '@vibrant/generator-default';
import { getPalette } from 'colorthief';
import { MmcqQuantizer, extractPalette, validateOptions } from 'colorthief/internals';
import { extractColorsFromImageData } from 'extract-colors';
import getColors from 'get-image-colors';
import sharp from 'sharp';

const [dir, oursJson] = process.argv.slice(2);
const RUNS = Number(process.env.PEER_RUNS || 15);

async function median(fn, runs = RUNS) {
  for (let i = 0; i < 2; ++i) await fn();  // warm-up
  const times = [];
  for (let i = 0; i < runs; ++i) {
    const t0 = performance.now();
    await fn();
    times.push(performance.now() - t0);
  }
  times.sort((a, b) => a - b);
  return times[Math.floor(times.length / 2)];
}

function rawImage(name) {
  const bytes = fs.readFileSync(path.join(dir, `${name}.rgba`));
  return { data: new Uint8ClampedArray(bytes.buffer, bytes.byteOffset, bytes.length), width: 512, height: 512 };
}

// Peers that read every pixel of the decoded 512 x 512 buffer.
const colorthiefQuantizer = new MmcqQuantizer();
await colorthiefQuantizer.init();
const bufferPeers = {
  'node-vibrant 4.0.4 (quality 1: MMCQ + default generator)': (img) => DefaultGenerator(MMCQ(img.data, { colorCount: 64 })),
  'colorthief 3.5.0 (quality 1)': (img) =>
    extractPalette(img.data, img.width, img.height, validateOptions({ colorCount: 10, quality: 1 }), colorthiefQuantizer),
  'extract-colors 4.2.1 (every pixel)': (img) => extractColorsFromImageData(img, { pixels: img.width * img.height }),
};
// Peers reading the file with their own defaults.
const filePeers = {
  'node-vibrant 4.0.4': (file) => Vibrant.from(file).getPalette(),
  'colorthief 3.5.0': (file) => getPalette(file),
  'get-image-colors 4.0.1': (file) => getColors(file),
};

const ours = {};
for (const b of JSON.parse(fs.readFileSync(oursJson, 'utf8')).benchmarks)
  if (b.aggregate_name === 'median') ours[b.run_name] = b.real_time;  // milliseconds

const fmt = (ms) => (ms >= 10 ? ms.toFixed(1) : ms.toFixed(2)).padStart(8);
const row = (cells, widths) => cells.map((c, i) => String(c).padEnd(widths[i])).join('  ');

console.log('Decoded 512 x 512 buffers (medians, ms):');
console.log('(floor: the best of the hash-table, sort-based and two-level bucket counts of the exact colours)');
const w = [12, 10, 10, 12, 10, 10, 58, 10, 10];
console.log(row(['image', 'hash floor', 'sort floor', 'bucket floor', 'analysis', 'ratio', 'fastest every-pixel peer', 'peer', 'peer/ours'], w));
for (const name of ['photo', 'flat', 'noise']) {
  const img = rawImage(name);
  const times = {};
  for (const [peer, fn] of Object.entries(bufferPeers)) times[peer] = await median(() => fn(img));
  const [fastest, t] = Object.entries(times).sort((a, b) => a[1] - b[1])[0];
  const hash = ours[`Floor/${name}`], sorted = ours[`SortFloor/${name}`], bucket = ours[`BucketFloor/${name}`];
  const analysis = ours[`Analysis/${name}`];
  const floor = Math.min(hash, sorted ?? Infinity, bucket ?? Infinity);
  const cell = (ms) => (ms === undefined ? '' : fmt(ms));
  console.log(row([name, fmt(hash), cell(sorted), cell(bucket), fmt(analysis), (analysis / floor).toFixed(2) + 'x', fastest, fmt(t), (t / analysis).toFixed(1) + 'x'], w));
  for (const [peer, pt] of Object.entries(times)) console.log(row(['', '', '', '', '', '', '  ' + peer, fmt(pt), ''], w));
}
console.log(`colorArt on a decoded 600 x 600 photo: ${fmt(ours['ColorArt600/photo'])} ms`);

console.log('\nFrom the file (read, decode, scale, analyse; peers with their defaults), medians in ms:');
const photos = fs.readFileSync(path.join(dir, 'photos.txt'), 'utf8').split('\n').filter(Boolean);
// Not a palette peer: sharp (libvips) only reading the file, decoding and resizing to 512 x 512,
// one thread, which is the work before any analysis.
sharp.concurrency(1);
const decodeOnly = (file) => sharp(file).resize(512, 512, { fit: 'fill' }).raw().toBuffer();
const w2 = [18, 10, 24, 10, 10, 12, 12];
console.log(row(['photo', 'velloway', 'fastest palette peer', 'peer', 'peer/ours', 'sharp 512', 'sharp/ours'], w2));
for (const file of photos) {
  const times = {};
  for (const [peer, fn] of Object.entries(filePeers)) times[peer] = await median(() => fn(file), Math.min(RUNS, 7));
  const [fastest, t] = Object.entries(times).sort((a, b) => a[1] - b[1])[0];
  const decode = await median(() => decodeOnly(file), Math.min(RUNS, 7));
  const mine = ours[`FromFile/${path.basename(file)}`];
  console.log(row([path.basename(file), fmt(mine), fastest, fmt(t), (t / mine).toFixed(1) + 'x', fmt(decode), (decode / mine).toFixed(2) + 'x'], w2));
  for (const [peer, pt] of Object.entries(times)) console.log(row(['', '', '  ' + peer, fmt(pt), ''], w2));
}
