// Checkpoints of a trace: the FNV-1a 64 hash of every 1000th line (without
// its line end) and of every line from the first play frame of the last
// level (level index 15) on, each as "N HASH" with N the frame.
//   node checkpoints.mjs TRACE               prints the checkpoints
//   node checkpoints.mjs TRACE CHECKPOINTS   compares; exit 1 on the first difference
import {readFileSync} from 'node:fs';

const mask = (1n << 64n) - 1n;
function fnv1a(bytes) {
  let hash = 0xcbf29ce484222325n;
  for (const b of bytes) hash = ((hash ^ BigInt(b)) * 0x100000001b3n) & mask;
  return hash.toString(16).padStart(16, '0');
}

export function checkpoints(trace) {
  const lines = trace.toString('latin1').split('\n');
  if (lines[lines.length - 1] === '') lines.pop();
  const last = lines.findIndex((l) => { const f = l.split(' '); return f[1] === '1' && f[4] === '15'; });
  const out = [`# lines ${lines.length}`];
  lines.forEach((line, i) => {
    if (i % 1000 === 0 || (last >= 0 && i >= last)) out.push(`${i} ${fnv1a(Buffer.from(line, 'latin1'))}`);
  });
  return out;
}

const [tracePath, expectedPath] = process.argv.slice(2);
const got = checkpoints(readFileSync(tracePath));
if (!expectedPath) {
  process.stdout.write(got.join('\n') + '\n');
} else {
  const want = readFileSync(expectedPath, 'latin1').split('\n').filter((l) => l && !l.startsWith('# Check'));
  const n = Math.max(got.length, want.length);
  for (let i = 0; i < n; ++i)
    if (got[i] !== want[i]) {
      console.error(`checkpoint ${i}: got "${got[i]}", want "${want[i]}"`);
      process.exit(1);
    }
  console.log(`${want.length - 1} checkpoints of ${tracePath} equal`);
}
