// The built page (or another folder) served on loopback by python3's
// http.server: for the page's bench, and under the page's tests.

import {spawn} from 'node:child_process';
import path from 'node:path';

export const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..');
export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

export async function serve(directory = path.join(root, 'out/web')) {
  const server = spawn('python3', ['-m', 'http.server', '--bind', '127.0.0.1', '0',
                                   '--directory', directory],
                       {stdio: ['ignore', 'pipe', 'ignore']});
  const port = await new Promise((resolve, reject) => {
    server.stdout.on('data', (data) => {
      const found = /port (\d+)/.exec(String(data));
      if (found) resolve(found[1]);
    });
    server.on('exit', () => reject(new Error('the http server ended')));
  });
  const base = `http://127.0.0.1:${port}`;
  return {server, base, url: `${base}/index.html`};
}

