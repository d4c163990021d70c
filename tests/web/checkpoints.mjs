// Checkpoints of a trace: the FNV-1a 64 hash of every 1000th line (without
// its line end) and of every line from the first play frame of the last
// level (level index 15) on, each as "N HASH" with N the frame.
//   node checkpoints.mjs TRACE               prints the checkpoints
//   node checkpoints.mjs TRACE CHECKPOINTS   compares; exit 1 on the first difference
import {readFileSync} from 'node:fs';

function fnv1a(text) {
  let hash = 0xcbf29ce484222325n;
  for (const b of Buffer.from(text, 'latin1')) hash = ((hash ^ BigInt(b)) * 0x100000001b3n) & ((1n << 64n) - 1n);
  return hash.toString(16).padStart(16, '0');
}

const [tracePath, expectedPath] = process.argv.slice(2);
const lines = readFileSync(tracePath, 'latin1').split('\n');
if (lines[lines.length - 1] === '') lines.pop();
const last = lines.findIndex((l) => { const f = l.split(' '); return f[1] === '1' && f[4] === '15'; });
const got = [`# lines ${lines.length}`, ...lines.flatMap((line, i) =>
  i % 1000 === 0 || (last >= 0 && i >= last) ? [`${i} ${fnv1a(line)}`] : [])];
if (!expectedPath) {
  process.stdout.write(got.join('\n') + '\n');
} else {
  const want = readFileSync(expectedPath, 'latin1').split('\n').filter((l) => l && !l.startsWith('# Check'));
  const wrong = Array.from({length: Math.max(got.length, want.length)}, (_, i) => i).find((i) => got[i] !== want[i]);
  if (wrong !== undefined) {
    console.error(`checkpoint ${wrong}: got "${got[wrong]}", want "${want[wrong]}"`);
    process.exit(1);
  }
  console.log(`${want.length - 1} checkpoints of ${tracePath} equal`);
}
